#!/usr/bin/python3
"""Side-by-side benchmark of the modify path, DXF and DWG, in one run.

    bench.py KEL_BATCH DATA_FOLDER [--only dxf,dwg,batch] [--dwg-copies N] [SIZE...]
                                        (sizes like 50K 5M; default 50K 500K 5M 50M)

DXF: for each size and flavour (ASCII, binary) the same copies are modified by
kel-batch -t, by ezdxf (ezdxf_modify.py) and copied with cp; KEL and ezdxf run
several rounds on fresh copies (ROUNDS) and the median round is shown. Prints
seconds per drawing, the ratios KEL/ezdxf and KEL/cp, the time to write the
same bytes to a new file and flush it to disk before renaming it over the old
one (what any safe save costs at least: "flush"), the time of kel-dxf-floor on
fresh copies (read, split into tokens, saved whole: what any change that reads
every line costs at least: "floor"), KEL's peak memory against the drawing's
size, and whether KEL's and ezdxf's results hold the same values.

DWG: the largest corpus drawing of each version (DWG_VERSIONS), changed by
kel-batch -t with every attribute set (DWG_TEMPLATE), read by kel-batch --xml,
decoded by the independent reader when it is installed (DWGREAD) and copied with
cp; median of DWG_ROUNDS rounds, each kel-batch run over DWG_COPIES fresh copies
(--xml and the reader: of as many runs as take a second, from 5 and 3 up to 21)
(--dwg-copies: more copies spread the start of the process over more drawings,
as a batch does). For the versions stored in R2004 pages, kel-dwg-floor does
the container's share of the same change on as many copies ("floor"). Then the same for drawings larger than any in the corpus,
grown by kel-batch from corpus drawings (DWG_GROWN).

Batch: 1,000 copies of a generated 50 KB drawing in one kel-batch -t run
(per-drawing fixed cost), against cp and the flush floor of the same files.
"""
import os
import random
import shutil
from statistics import median
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
PY = "/usr/bin/python3"
COPIES = {50_000: 20, 500_000: 10, 5_000_000: 4, 50_000_000: 2}
# Each tool runs this many times on fresh copies (KEL, ezdxf); the median is shown.
ROUNDS = {50_000: (7, 3), 500_000: (7, 3), 5_000_000: (7, 1), 50_000_000: (7, 1)}


def parse_size(text):
    mult = {"K": 1000, "M": 1000_000}.get(text[-1].upper(), 1)
    return int(text.rstrip("kKmM")) * mult


def generate(data, size, binary):
    path = os.path.join(data, "gen-%d-%s.dxf" % (size, "bin" if binary else "asc"))
    if not os.path.exists(path):
        args = [PY, os.path.join(HERE, "gen_drawing.py"), path, str(size)] + (["--binary"] if binary else [])
        subprocess.run(args, check=True, stdout=subprocess.DEVNULL)
    return path


# The KEL_HOME of every kel-batch run here (set in main).
HOME = None


def copies(source, folder, count):
    # Every round starts with an empty journal: a run ends by deleting the
    # oldest runs' originals beyond the journal's limits, which would charge
    # a row for the drawings of the rows before it.
    if HOME:
        shutil.rmtree(os.path.join(HOME, "journal"), ignore_errors=True)
        # The audit log only grows (by some 6,000 lines a 5 MB drawing here).
        if os.path.exists(os.path.join(HOME, "audit.log")):
            os.remove(os.path.join(HOME, "audit.log"))
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    paths = []
    ext = os.path.splitext(source)[1]
    for i in range(count):
        p = os.path.join(folder, "d%04d%s" % (i, ext))
        shutil.copyfile(source, p)
        paths.append(p)
    subprocess.run(["sync"])
    return paths


class Run:
    """One finished process: wall-clock and CPU seconds (its own and its children's), output."""

    def __init__(self, returncode, wall, cpu, stdout, stderr):
        self.returncode, self.wall, self.cpu = returncode, wall, cpu
        self.stdout, self.stderr = stdout, stderr


def peak_mib(stderr):
    """Peak memory reported by /usr/bin/time -f "maxrss %M" (the forked Python's own
    pages would count in the child's usage, so the kernel's figure is not used)."""
    for line in stderr.splitlines():
        if line.startswith("maxrss "):
            return int(line.split()[1]) / 1024
    return 0.0


def timed(args, env=None):
    """Runs args; the CPU time comes from the kernel's accounting of the child."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        t0 = time.perf_counter()
        proc = subprocess.Popen(args, env=env, stdout=out, stderr=err)
        _, status, usage = os.wait4(proc.pid, 0)
        wall = time.perf_counter() - t0
        proc.returncode = os.waitstatus_to_exitcode(status)
        out.seek(0)
        err.seek(0)
        return Run(proc.returncode, wall, usage.ru_utime + usage.ru_stime,
                   out.read().decode(errors="replace"), err.read().decode(errors="replace"))


def median_wall(args, env, least):
    """Median wall time of at least `least` runs of args, more (up to
    ONE_RUN_MOST) until the runs took ONE_RUN_SECONDS in all."""
    walls = []
    while len(walls) < least or (sum(walls) < ONE_RUN_SECONDS and len(walls) < ONE_RUN_MOST):
        walls.append(timed(args, env).wall)
    return median(walls)


def dump(path):
    return subprocess.run([PY, os.path.join(HERE, "attribs_dump.py"), path], check=True,
                          stdout=subprocess.PIPE, text=True).stdout


def peak_run(args, env):
    """Runs args under /usr/bin/time for its peak memory: (Run, MiB). Timed
    rounds run without it, as the other tools do: starting it costs a few
    ms a run, which the rows of many small drawings would charge to KEL."""
    r = timed(["/usr/bin/time", "-f", "maxrss %M"] + args, env)
    return r, peak_mib(r.stderr)


def base_mib(kel, env):
    """Peak memory of a kel-batch that reads no drawing (its code and libraries)."""
    return peak_mib(timed(["/usr/bin/time", "-f", "maxrss %M", kel, "--version"], env).stderr)


def flush_floor(sources, folder):
    """Seconds to write each source's bytes to a new file in folder, flush it
    and rename it over another: the least a save that survives a power cut
    costs, without reading or changing anything."""
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    blobs = []
    for src in sources:
        with open(src, "rb") as f:
            blobs.append(f.read())
    subprocess.run(["sync"])
    t0 = time.perf_counter()
    for i, blob in enumerate(blobs):
        tmp = os.path.join(folder, "t%04d.tmp" % i)
        with open(tmp, "wb") as f:
            f.write(blob)
            f.flush()
            os.fsync(f.fileno())
        os.replace(tmp, os.path.join(folder, "d%04d" % i))
    fd = os.open(folder, os.O_RDONLY)
    os.fsync(fd)
    os.close(fd)
    return time.perf_counter() - t0


def cp_time(sources, folder):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    subprocess.run(["sync"])
    return timed(["cp"] + sources + [folder]).wall


def dxf_rows(kel, data, sizes, env):
    floor = os.path.join(os.path.dirname(kel), "bench", "kel-dxf-floor")
    template = os.path.join(HERE, "template.txt")
    base = base_mib(kel, env)
    print("DXF: seconds per drawing (wall clock); CPU = user + system seconds per drawing; MiB/MiB = peak")
    print("memory above a kel-batch that reads nothing (%.1f MiB) against the drawing's size." % base)
    print("floor = read, split into group code / value pairs and saved whole (kel-dxf-floor), nothing")
    print("indexed, listed or changed: the least a change that reads every line costs.")
    print("%-9s %-6s %5s %8s %8s %8s %8s %8s %9s %7s %8s %8s %9s %8s %8s %7s %7s %s" % (
        "size", "format", "files", "KEL", "ezdxf", "cp", "flush", "floor", "ezdxf/KEL", "KEL/cp", "KEL/flush",
        "floor/cp", "KEL/floor", "KEL CPU", "ezdxf CPU", "KEL MiB", "MiB/MiB", "same values"))
    ok = True
    for size in sizes:
        for binary in (False, True):
            source = generate(data, size, binary)
            n = COPIES.get(size, 4)
            kel_rounds, ez_rounds = ROUNDS.get(size, (1, 1))
            kel_runs = []
            for _ in range(kel_rounds):
                kel_files = copies(source, os.path.join(data, "kel"), n)
                r = timed([kel, "-j", "1", "-t", template] + kel_files, env)
                if r.returncode != 0:
                    print("kel-batch failed (%d): %s" % (r.returncode, r.stdout + r.stderr[-500:]))
                    ok = False
                kel_runs.append((r.wall, r.cpu))
            t_kel, c_kel = median(x[0] for x in kel_runs), median(x[1] for x in kel_runs)
            _, mem = peak_run([kel, "-j", "1", "-t", template] + copies(source, os.path.join(data, "kel-peak"), n), env)
            floor_runs = []
            for _ in range(kel_rounds):
                floor_files = copies(source, os.path.join(data, "floor"), n)
                r = timed([floor] + floor_files)
                if r.returncode != 0:
                    print("kel-dxf-floor failed (%d): %s" % (r.returncode, r.stderr[-500:]))
                    ok = False
                floor_runs.append(r.wall)
            t_floor = median(floor_runs)
            ez_runs = []
            for _ in range(ez_rounds):
                ez_files = copies(source, os.path.join(data, "ezdxf"), n)
                r = timed([PY, os.path.join(HERE, "ezdxf_modify.py")] + ez_files)
                if r.returncode != 0:
                    print("ezdxf failed: %s" % r.stderr[-500:])
                    ok = False
                ez_runs.append((r.wall, r.cpu))
            t_ez, c_ez = median(x[0] for x in ez_runs), median(x[1] for x in ez_runs)
            cp_dir = os.path.join(data, "cp")
            srcs = copies(source, cp_dir + "-src", n)
            t_cp = median(cp_time(srcs, cp_dir) for _ in range(3))
            t_flush = median(flush_floor(srcs, cp_dir) for _ in range(3))
            same = dump(kel_files[0]) == dump(ez_files[0]) and dump(kel_files[-1]) == dump(ez_files[-1])
            ok = ok and same
            size_text = "%.1f MB" % (os.path.getsize(source) / 1e6) if size >= 1e6 else \
                "%d KB" % round(os.path.getsize(source) / 1e3)
            print("%-9s %-6s %5d %8.4f %8.4f %8.4f %8.4f %8.4f %9.1f %7.1f %8.2f %8.1f %9.2f %8.4f %8.4f %7.1f %7.2f %s" % (
                size_text, "binary" if binary else "ASCII", n, t_kel / n, t_ez / n, t_cp / n, t_flush / n,
                t_floor / n, t_ez / t_kel, t_kel / t_cp, t_kel / t_flush, t_floor / t_cp, t_kel / t_floor,
                c_kel / n, c_ez / n, mem,
                (mem - base) * 1048576 / os.path.getsize(source), "yes" if same else "NO"), flush=True)
    return ok


CORPUS = os.path.join(HERE, "..", "..", "shared", "corpus", "dwg")
DWG_VERSIONS = ["AC1012_R13", "AC1014_R14", "AC1015_R2000", "AC1018_R2004", "AC1021_R2007", "AC1024_R2010",
                "AC1027_R2013", "AC1032_R2018"]
DWG_TEMPLATE = "*INPUT\r\n*ATTRIBUTE_TAGS\r\nr,KEL bench\r\n"
DWG_COPIES, DWG_ROUNDS = 3, 5
# One-process timings (kel-batch --xml, the independent reader) are repeated
# until they have run this long, up to ONE_RUN_MOST times: a drawing read in a
# few ms moves by a ms from one start of a process to the next on this VM, so
# five runs of it say little.
ONE_RUN_SECONDS, ONE_RUN_MOST = 1.0, 21
DWGREAD = "/work/tools/bin/dwgread"


def largest(folder):
    names = [os.path.join(folder, n) for n in os.listdir(folder) if n.lower().endswith(".dwg")]
    return max(names, key=os.path.getsize) if names else None


# Larger drawings than the corpus holds, made by kel-batch itself from a corpus
# drawing: every attribute set to one text of this many random characters
# (seeded, so each run makes the same drawing). The format stores texts of up
# to 2,049 bytes in R2004 and earlier, so only later versions grow this far.
DWG_GROWN = [("AC1024_R2010", "plans-structure.dwg", 3000), ("AC1032_R2018", "ELV&ELEC_v3.dwg", 8000),
             ("AC1024_R2010", "plans-structure.dwg", 12000)]


def grow(kel, data, env, version, name, length):
    """A copy of the corpus drawing with every attribute set to `length`
    random characters, or None when the corpus lacks it or KEL cannot."""
    source = os.path.join(CORPUS, version, "cad-drawing__" + name)
    if not os.path.exists(source):
        return None
    folder = os.path.join(data, "dwg-grown")
    os.makedirs(folder, exist_ok=True)
    target = os.path.join(folder, "%s-%d.dwg" % (name[:-4], length))
    if os.path.exists(target):
        return target
    rng = random.Random(length)
    text = "".join(rng.choice("ABCDEFGHJKLMNPQRSTUVWXYZ0123456789 -") for _ in range(length))
    template = os.path.join(folder, "grow.txt")
    with open(template, "w", newline="") as f:
        f.write("*INPUT\r\n*ATTRIBUTE_TAGS\r\nr," + text + "\r\n")
    work = target + ".tmp.dwg"
    shutil.copyfile(source, work)
    os.chmod(work, 0o644)
    r = timed([kel, "-q", "-j", "1", "-t", template, work], env)
    if r.returncode != 0:
        os.remove(work)
        return None
    os.replace(work, target)
    return target


def dwg_row(kel, data, env, template, base, version, name, source):
    size = os.path.getsize(source)
    runs, peak, failed = [], 0.0, None
    for _ in range(DWG_ROUNDS):
        files = copies(source, os.path.join(data, "dwg"), DWG_COPIES)
        for p in files:
            os.chmod(p, 0o644)
        r = timed([kel, "-q", "-j", "1", "-t", template] + files, env)
        if r.returncode != 0:
            failed = (r.stdout + r.stderr).strip().splitlines()[-2:]
            break
        runs.append(r.wall / DWG_COPIES)
    if not failed:
        files = copies(source, os.path.join(data, "dwg"), DWG_COPIES)
        for p in files:
            os.chmod(p, 0o644)
        _, peak = peak_run([kel, "-q", "-j", "1", "-t", template] + files, env)
    if failed:
        print("%-7s %-34s %7.2f pending: kel-batch does not read it in this build (%s)" % (
            version[:6], name, size / 1e6, " ".join(failed)[:80]), flush=True)
        return
    t_kel = median(runs)
    t_floor = dwg_floor(kel, data, version, files[0], source)
    t_xml = median_wall([kel, "--xml", source], env, DWG_ROUNDS)
    t_read = float("nan")
    if os.access(DWGREAD, os.X_OK):
        out = os.path.join(data, "dwgread.json")
        t_read = median_wall([DWGREAD, "-O", "JSON", "-o", out, source], None, 3)
    srcs = copies(source, os.path.join(data, "dwg-src"), DWG_COPIES)
    t_cp = median(cp_time(srcs, os.path.join(data, "cp")) for _ in range(3)) / DWG_COPIES
    t_flush = median(flush_floor(srcs, os.path.join(data, "cp")) for _ in range(3)) / DWG_COPIES
    print("%-7s %-34s %7.2f %8.4f %7.1f %8.4f %7.1f %8.4f %8.4f %8.4f %8.4f %9.1f %9.1f %7.1f %8.2f %7.2f" % (
        version[:6], name, size / 1e6, t_kel, size / 1e6 / t_kel, t_xml, size / 1e6 / t_xml, t_read, t_cp,
        t_flush, t_floor, t_read / t_kel, t_read / t_xml, t_kel / t_cp, t_kel / t_floor,
        (peak - base) * 1048576 / size), flush=True)


# The versions kel-dwg-floor reads: the R2004 organisation of pages.
DWG_FLOOR_VERSIONS = ("AC1018", "AC1024", "AC1027", "AC1032")


def dwg_floor(kel, data, version, changed, source):
    """Seconds per drawing of kel-dwg-floor: the container's share of the
    change KEL made (`changed` is one of its results), on as many copies a
    run as KEL's rows; nan for the versions it does not read."""
    floor = os.path.join(os.path.dirname(kel), "bench", "kel-dwg-floor")
    if not version.startswith(DWG_FLOOR_VERSIONS) or not os.access(floor, os.X_OK):
        return float("nan")
    keep = os.path.join(data, "dwg-changed.dwg")
    shutil.copyfile(changed, keep)
    runs = []
    for _ in range(DWG_ROUNDS):
        files = copies(source, os.path.join(data, "dwg-floor"), DWG_COPIES)
        for p in files:
            os.chmod(p, 0o644)
        r = timed([floor, keep] + files)
        if r.returncode != 0:
            print("kel-dwg-floor failed (%d): %s" % (r.returncode, r.stderr[-300:]))
            return float("nan")
        runs.append(r.wall / DWG_COPIES)
    return median(runs)


def dwg_rows(kel, data, env):
    template = os.path.join(data, "dwg-template.txt")
    with open(template, "w", newline="") as f:
        f.write(DWG_TEMPLATE)
    base = base_mib(kel, env)
    print("DWG: seconds per drawing (wall clock), the largest corpus drawing of each version, %d copies per"
          % DWG_COPIES)
    print("kel-batch run; MB = 10^6 bytes;")
    print("MiB/MiB as for DXF (above %.1f MiB)." % base)
    print("floor = the container's share of the change (kel-dwg-floor): pages decompressed, the changed")
    print("sections compressed, the file written flushed and read back; no object decoded (R2004 pages only).")
    print("%-7s %-34s %7s %8s %7s %8s %7s %8s %8s %8s %8s %9s %9s %7s %8s %7s" % (
        "version", "drawing", "MB", "KEL -t", "MB/s", "KEL xml", "MB/s", "dwgread", "cp", "flush", "floor",
        "read/-t", "read/xml", "-t/cp", "-t/floor", "MiB/MiB"))
    for version in DWG_VERSIONS:
        folder = os.path.join(CORPUS, version)
        source = largest(folder) if os.path.isdir(folder) else None
        if source:
            name = os.path.basename(source).split("__", 1)[-1][:34]  # without the corpus's source prefix
            dwg_row(kel, data, env, template, base, version, name, source)
    print("grown by kel-batch from corpus drawings: every attribute set to N random characters")
    for version, name, length in DWG_GROWN:
        source = grow(kel, data, env, version, name, length)
        if source:
            label = "%s, values of %d" % (name[:-4], length)
            dwg_row(kel, data, env, template, base, version, label[:34], source)
    return True


BATCH = 1000


def batch_rows(kel, data, env):
    source = os.path.join(data, "gen-50K-batch.dxf")
    if not os.path.exists(source):
        subprocess.run([PY, os.path.join(HERE, "gen_drawing.py"), source, "51200", "--layouts", "2"], check=True,
                       stdout=subprocess.DEVNULL)
    template = os.path.join(HERE, "template.txt")
    print("Batch: %d drawings of %d KB in one run; seconds per drawing (wall clock)." % (
        BATCH, round(os.path.getsize(source) / 1e3)))
    print("%-6s %9s %9s %9s %8s %9s %8s" % ("jobs", "KEL", "cp", "flush", "KEL/cp", "KEL/flush", "KEL MiB"))
    ok = True
    folder = os.path.join(data, "batch")
    srcs = None
    for jobs in (1, 2):
        runs, peak = [], 0.0
        for _ in range(3):
            files = copies(source, folder, BATCH)
            r = timed([kel, "-q", "-j", str(jobs), "-t", template] + files, env)
            if r.returncode != 0:
                print("kel-batch failed (%d): %s" % (r.returncode, r.stderr[-300:]))
                ok = False
            runs.append(r.wall / BATCH)
        _, peak = peak_run([kel, "-q", "-j", str(jobs), "-t", template] + copies(source, folder, BATCH), env)
        if srcs is None:
            srcs = copies(source, folder + "-src", BATCH)
            t_cp = median(cp_time(srcs, folder + "-cp") for _ in range(3)) / BATCH
            t_flush = median(flush_floor(srcs, folder + "-cp") for _ in range(3)) / BATCH
        t_kel = median(runs)
        print("%-6d %9.5f %9.5f %9.5f %8.1f %9.2f %8.1f" % (jobs, t_kel, t_cp, t_flush, t_kel / t_cp,
                                                           t_kel / t_flush, peak), flush=True)
    return ok


def main():
    global DWG_COPIES
    args = sys.argv[1:]
    kel, data = os.path.abspath(args[0]), os.path.abspath(args[1])
    only = {"dxf", "dwg", "batch"}
    rest = args[2:]
    while rest[:1] in (["--only"], ["--dwg-copies"]) and len(rest) >= 2:
        if rest[0] == "--only":
            only = set(rest[1].split(","))
        else:
            DWG_COPIES = int(rest[1])
        rest = rest[2:]
    sizes = [parse_size(s) for s in rest] or sorted(COPIES)
    os.makedirs(data, exist_ok=True)
    global HOME
    home = os.path.join(data, "home")
    os.makedirs(home, exist_ok=True)
    HOME = home
    env = dict(os.environ, KEL_HOME=home)
    ok = True
    if "dxf" in only:
        ok = dxf_rows(kel, data, sizes, env) and ok
        print()
    if "dwg" in only:
        ok = dwg_rows(kel, data, env) and ok
        print()
    if "batch" in only:
        ok = batch_rows(kel, data, env) and ok
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
