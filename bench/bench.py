#!/usr/bin/python3
"""Side-by-side benchmark of one template applied to generated drawings.

    bench.py KEL_BATCH DATA_FOLDER [SIZE...]      (sizes like 50K 5M; default 50K 500K 5M 50M)

For each size and DXF flavour (ASCII, binary) the same copies are modified by
kel-batch -t, by ezdxf (ezdxf_modify.py) and copied with cp. Prints seconds per
drawing, the ratios KEL/ezdxf and KEL/cp, KEL's peak memory, and whether KEL's
and ezdxf's results hold the same attribute values.
"""
import os
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
PY = "/usr/bin/python3"
COPIES = {50_000: 20, 500_000: 10, 5_000_000: 4, 50_000_000: 2}


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


def timed(args, env=None):
    t0 = time.perf_counter()
    r = subprocess.run(args, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    elapsed = time.perf_counter() - t0
    return elapsed, r


def time_v(stderr, key):
    """A value of /usr/bin/time -v's report."""
    for line in stderr.splitlines():
        if line.strip().startswith(key):
            return float(line.rsplit(":", 1)[1])
    return 0.0


def cpu_seconds(stderr):
    return time_v(stderr, "User time (seconds)") + time_v(stderr, "System time (seconds)")


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
            kel_files = copies(source, os.path.join(data, "kel"), n)
            t_kel, r = timed(["/usr/bin/time", "-v", kel, "-t", template] + kel_files, env)
            if r.returncode != 0:
                print("kel-batch failed (%d): %s" % (r.returncode, r.stdout + r.stderr[-500:]))
                ok = False
            mem = time_v(r.stderr, "Maximum resident set size") / 1024
            c_kel = cpu_seconds(r.stderr)
            ez_files = copies(source, os.path.join(data, "ezdxf"), n)
            t_ez, r = timed(["/usr/bin/time", "-v", PY, os.path.join(HERE, "ezdxf_modify.py")] + ez_files)
            c_ez = cpu_seconds(r.stderr)
            if r.returncode != 0:
                print("ezdxf failed: %s" % r.stderr[-500:])
                ok = False
            cp_dir = os.path.join(data, "cp")
            copies(source, cp_dir + "-src", n)
            shutil.rmtree(cp_dir, ignore_errors=True)
            os.makedirs(cp_dir)
            srcs = [os.path.join(cp_dir + "-src", "d%02d.dxf" % i) for i in range(n)]
            t_cp, _ = timed(["cp"] + srcs + [cp_dir])
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
