#!/usr/bin/python3
"""Side-by-side benchmark of one template applied to generated drawings.

    bench.py KEL_BATCH DATA_FOLDER [SIZE...]      (sizes like 50K 5M; default 50K 500K 5M 50M)

For each size and DXF flavour (ASCII, binary) the same copies are modified by
kel-batch -t, by ezdxf (ezdxf_modify.py) and copied with cp; KEL and ezdxf run
several rounds on fresh copies (ROUNDS) and the median round is shown. Prints seconds per
drawing, the ratios KEL/ezdxf and KEL/cp, KEL's peak memory, and whether KEL's
and ezdxf's results hold the same attribute values.
"""
import os
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
ROUNDS = {50_000: (5, 3), 500_000: (5, 3), 5_000_000: (3, 1), 50_000_000: (3, 1)}


def parse_size(text):
    mult = {"K": 1000, "M": 1000_000}.get(text[-1].upper(), 1)
    return int(text.rstrip("kKmM")) * mult


def generate(data, size, binary):
    path = os.path.join(data, "gen-%d-%s.dxf" % (size, "bin" if binary else "asc"))
    if not os.path.exists(path):
        args = [PY, os.path.join(HERE, "gen_drawing.py"), path, str(size)] + (["--binary"] if binary else [])
        subprocess.run(args, check=True, stdout=subprocess.DEVNULL)
    return path


def copies(source, folder, count):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    paths = []
    for i in range(count):
        p = os.path.join(folder, "d%02d.dxf" % i)
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


def dump(path):
    return subprocess.run([PY, os.path.join(HERE, "attribs_dump.py"), path], check=True,
                          stdout=subprocess.PIPE, text=True).stdout


def main():
    kel, data = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    sizes = [parse_size(s) for s in sys.argv[3:]] or sorted(COPIES)
    os.makedirs(data, exist_ok=True)
    home = os.path.join(data, "home")
    os.makedirs(home, exist_ok=True)
    env = dict(os.environ, KEL_HOME=home)
    template = os.path.join(HERE, "template.txt")
    print("Seconds per drawing (wall clock); CPU = user + system seconds per drawing.")
    print("%-9s %-6s %5s %9s %9s %9s %9s %8s %9s %9s %8s %s" % (
        "size", "format", "files", "KEL", "ezdxf", "cp", "ezdxf/KEL", "KEL/cp", "KEL CPU", "ezdxf CPU",
        "KEL MiB", "same values"))
    ok = True
    for size in sizes:
        for binary in (False, True):
            source = generate(data, size, binary)
            n = COPIES.get(size, 4)
            kel_rounds, ez_rounds = ROUNDS.get(size, (1, 1))
            kel_runs = []
            for _ in range(kel_rounds):
                kel_files = copies(source, os.path.join(data, "kel"), n)
                r = timed(["/usr/bin/time", "-f", "maxrss %M", kel, "-t", template] + kel_files, env)
                if r.returncode != 0:
                    print("kel-batch failed (%d): %s" % (r.returncode, r.stdout + r.stderr[-500:]))
                    ok = False
                kel_runs.append((r.wall, r.cpu, peak_mib(r.stderr)))
            t_kel, c_kel = median(x[0] for x in kel_runs), median(x[1] for x in kel_runs)
            mem = max(x[2] for x in kel_runs)
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
            copies(source, cp_dir + "-src", n)
            shutil.rmtree(cp_dir, ignore_errors=True)
            os.makedirs(cp_dir)
            srcs = [os.path.join(cp_dir + "-src", "d%02d.dxf" % i) for i in range(n)]
            t_cp = timed(["cp"] + srcs + [cp_dir]).wall
            same = dump(kel_files[0]) == dump(ez_files[0]) and dump(kel_files[-1]) == dump(ez_files[-1])
            ok = ok and same
            size_text = "%.1f MB" % (os.path.getsize(source) / 1e6) if size >= 1e6 else \
                "%d KB" % round(os.path.getsize(source) / 1e3)
            print("%-9s %-6s %5d %9.4f %9.4f %9.4f %9.1f %8.1f %9.4f %9.4f %8.1f %s" % (
                size_text, "binary" if binary else "ASCII", n, t_kel / n, t_ez / n, t_cp / n, t_ez / t_kel,
                t_kel / t_cp, c_kel / n, c_ez / n, mem, "yes" if same else "NO"), flush=True)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
