#!/usr/bin/python3
"""Serial against parallel batches, side by side in one run.

    parallel.py KEL_BATCH DATA_DIR [JOBS...]

Two batches, each run once per JOBS value (default 1 and 2) on fresh copies:
  - 1,000 generated title-block drawings (about 50 KB each), one list file;
  - every corpus drawing KEL changes (DXF, and DWG of the versions it writes),
    copied in from ../shared/corpus when it is there (R2007 DWGs left out).
Every run's drawings are compared with the first run's: the results must be
byte-identical whatever the number of jobs. Prints wall time, drawings per
second, the speed-up over -j 1 and the peak memory of kel-batch.
"""
import os
import re
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
TEMPLATE = "*INPUT\r\nBLOCK: TITLE\r\n*ATTRIBUTE_TAGS\r\nREV,r,B\r\nDATE,r,2026-12-06\r\n"
CORPUS_TEMPLATE = "*INPUT\r\n*ATTRIBUTE_TAGS\r\nr,KEL bench\r\n"
CHANGED = ("AC1012", "AC1014", "AC1015", "AC1018", "AC1024", "AC1027", "AC1032")


def generated(data):
    src = os.path.join(data, "gen-50K.dxf")
    if not os.path.exists(src):
        subprocess.run([sys.executable, os.path.join(HERE, "gen_drawing.py"), src, "51200", "--layouts", "2"],
                       check=True)
    return [src] * 1000


def corpus():
    root = os.path.join(HERE, "..", "..", "shared", "corpus")
    found = []
    for d, _, names in os.walk(root):
        for n in sorted(names):
            p = os.path.join(d, n)
            low = n.lower()
            if low.endswith(".dxf") and "edge_cases" not in d:
                found.append(p)
            elif low.endswith(".dwg"):
                with open(p, "rb") as f:
                    if f.read(6).decode("latin-1") in CHANGED:
                        found.append(p)
    return found


def lay(sources, work, template):
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    lines = []
    for i, src in enumerate(sources):
        dst = os.path.join(work, "%04d-%s" % (i, os.path.basename(src)))
        shutil.copyfile(src, dst)
        os.chmod(dst, 0o644)
        lines.append(dst + "," + os.path.join(work, "t.txt"))
    with open(os.path.join(work, "t.txt"), "w", newline="") as f:
        f.write(template)
    with open(os.path.join(work, "list.dlf"), "w") as f:
        f.write("\n".join(lines) + "\n")
    return os.path.join(work, "list.dlf")


def snapshot(work):
    out = {}
    for n in sorted(os.listdir(work)):
        if n.endswith((".dxf", ".dwg")):
            with open(os.path.join(work, n), "rb") as f:
                out[n] = f.read()
    return out


def run(kel, work, home, jobs, sources, template):
    listfile = lay(sources, work, template)
    shutil.rmtree(home, ignore_errors=True)
    env = dict(os.environ, KEL_HOME=home)
    start = time.perf_counter()
    p = subprocess.run(["/usr/bin/time", "-v", kel, "-q", "-j", str(jobs), listfile], env=env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    wall = time.perf_counter() - start
    rss = int(re.search(r"Maximum resident set size \(kbytes\): (\d+)", p.stderr).group(1))
    return wall, rss / 1024.0, snapshot(work), p.returncode


def main():
    kel, data = sys.argv[1], sys.argv[2]
    jobs = [int(j) for j in sys.argv[3:]] or [1, 2]
    os.makedirs(data, exist_ok=True)
    batches = [("1,000 generated 50 KB drawings", generated(data), TEMPLATE)]
    found = corpus()
    if found:
        batches.append(("%d corpus drawings (DXF, DWG R13-R2018 but R2007)" % len(found), found, CORPUS_TEMPLATE))
    print("| batch | jobs | wall s | drawings/s | speed-up | peak MiB | exit |")
    print("|---|---|---|---|---|---|---|")
    for name, sources, template in batches:
        first = None
        base = None
        for j in jobs:
            wall, rss, result, rc = run(kel, os.path.join(data, "work"), os.path.join(data, "home"), j, sources,
                                        template)
            if first is None:
                first, base = result, wall
            elif result != first:
                sys.exit("results of -j %d differ from -j %d" % (j, jobs[0]))
            print("| %s | %d | %.2f | %.0f | %.2f | %.1f | %d |" % (name, j, wall, len(sources) / wall, base / wall,
                                                                  rss, rc))
            sys.stdout.flush()


if __name__ == "__main__":
    main()
