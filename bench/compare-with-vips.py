#!/usr/bin/env python3
"""Whole-image resizes and the batch against libvips, measured in one run.

    bench/compare-with-vips.py resize BUILD_DIR WORK_DIR [REPEATS [EARLIER_BUILD_DIR]]
    bench/compare-with-vips.py batch BUILD_DIR WORK_DIR [REPEATS [EARLIER_BUILD_DIR]]

resize: `vespera-bench resize` in InterpolMode 4-8 from 3000x2000 to
6000x4000 and mode 9 from 1500x1000 to 6000x4000 (PPM in and out), each
followed at once by `vips resize --kernel lanczos3` of the same picture by the
same factor. For each mode: the medians of the operation's time and minor
faults (as vespera-bench prints them), of vespera-bench's whole process and of
vips' whole process, and the ratio of the operation to vips' process; beside
the faults, the bound (bytes of the input and output pictures / page size x
1.5).

batch: `vespera-bench batch` of 20 camera-like 6000x4000 JPEGs to 1920 wide,
mode 4, JPEG out, and `vipsthumbnail -s 1920` of the same files, one after the
other. Medians of the run's time, its minor faults (per picture), its peak
memory, and vipsthumbnail's time, faults and peak memory.

The pictures are made in WORK_DIR on the first use (`vespera-bench synth`,
and vips for the JPEGs). Every repeat runs ours and the peer back to back, so
both meet the same load; the load average is printed with the figures. With
EARLIER_BUILD_DIR (another build's `vespera-bench`, say of the commit before a
change) each repeat runs that one too, just before ours, and its figures are
printed first: before and after measured in the same run.
"""

import os
import re
import resource
import statistics
import subprocess
import sys
import time

PAGE = os.sysconf("SC_PAGE_SIZE")


def children_usage():
    return resource.getrusage(resource.RUSAGE_CHILDREN)


def run(cmd):
    """Runs cmd; returns (wall ms, its stderr, its minor faults, its peak KB)."""
    before = children_usage()
    start = time.monotonic()
    done = subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    wall = (time.monotonic() - start) * 1000
    after = children_usage()
    if done.returncode != 0:
        sys.exit("failed: %s\n%s" % (" ".join(cmd), done.stderr))
    # ru_maxrss of the children is the largest of any child so far.
    return wall, done.stderr, after.ru_minflt - before.ru_minflt, after.ru_maxrss


def field(text, name):
    return float(re.search(r"%s=([0-9.]+)" % name, text).group(1))


def ensure(path, make):
    if not os.path.exists(path):
        make()


def pictures(bench, work):
    os.makedirs(work, exist_ok=True)
    big = os.path.join(work, "src3000x2000.ppm")
    small = os.path.join(work, "src1500x1000.ppm")
    ensure(big, lambda: run([bench, "synth", big, "3000", "2000", "1"]))
    ensure(small, lambda: run([bench, "synth", small, "1500", "1000", "2"]))
    return big, small


def camera_jpegs(bench, work):
    os.makedirs(work, exist_ok=True)
    files = []
    for i in range(1, 21):
        jpeg = os.path.join(work, "camera%02d.jpg" % i)
        if not os.path.exists(jpeg):
            ppm = os.path.join(work, "camera.ppm")
            run([bench, "synth", ppm, "6000", "4000", str(i)])
            run(["vips", "copy", ppm, jpeg + "[Q=92]"])
            os.remove(ppm)
        files.append(jpeg)
    return files


def median(values):
    return statistics.median(values)


def resize(benches, work, repeats):
    big, small = pictures(benches[-1], work)
    out = os.path.join(work, "out.ppm")
    peer_out = os.path.join(work, "peer.ppm")
    cases = [(m, big, 2) for m in (4, 5, 6, 7, 8)] + [(9, small, 4)]
    rows = {(b, m): {"op": [], "faults": [], "proc": []} for b in benches for m, _, _ in cases}
    peer = {m: {"ms": [], "faults": []} for m, _, _ in cases}
    loads = []
    for _ in range(repeats):
        for mode, src, factor in cases:
            loads.append(os.getloadavg()[0])
            for bench in benches:
                wall, err, _, _ = run([bench, "resize", src, out, "6000", "4000", str(mode)])
                r = rows[(bench, mode)]
                r["op"].append(field(err, "time_ms"))
                r["faults"].append(field(err, "minor_faults"))
                r["proc"].append(wall)
            wall, _, faults, _ = run(["vips", "resize", src, peer_out, str(factor), "--kernel", "lanczos3"])
            peer[mode]["ms"].append(wall)
            peer[mode]["faults"].append(faults)
    print("load average (1 min) median %.1f, range %.1f-%.1f; %d repeats" %
          (median(loads), min(loads), max(loads), repeats))
    for bench in benches:
        print(bench)
        print("mode factor  op_ms  op/vips  proc_ms  vips_ms  op_faults  bound  vips_faults")
        for mode, src, factor in cases:
            r = rows[(bench, mode)]
            w, h = (3000, 2000) if src == big else (1500, 1000)
            bound = (w * h * 3 + 6000 * 4000 * 3) / PAGE * 1.5
            print("%4d %5dx %7.0f %8.2f %8.0f %8.0f %10.0f %6.0f %12.0f" %
                  (mode, factor, median(r["op"]), median(r["op"]) / median(peer[mode]["ms"]), median(r["proc"]),
                   median(peer[mode]["ms"]), median(r["faults"]), bound, median(peer[mode]["faults"])))


def batch(benches, work, repeats):
    files = camera_jpegs(benches[-1], work)
    out = os.path.join(work, "batch-out")
    peer = os.path.join(work, "thumbs-out")
    os.makedirs(out, exist_ok=True)
    os.makedirs(peer, exist_ok=True)
    mine = {b: {"ms": [], "faults": [], "peak": []} for b in benches}
    theirs = {"ms": [], "faults": [], "peak": []}
    loads = []
    for _ in range(repeats):
        loads.append(os.getloadavg()[0])
        for bench in benches:
            _, err, _, _ = run([bench, "batch", out, "1920", "0", "4", "1"] + files)
            mine[bench]["ms"].append(field(err, "time_ms"))
            mine[bench]["faults"].append(field(err, "minor_faults"))
            mine[bench]["peak"].append(field(err, "peak_rss_mb"))
        wall, _, faults, _ = run(["vipsthumbnail", "-s", "1920", "-o", os.path.join(peer, "%s.jpg[Q=90]")] + files)
        theirs["ms"].append(wall)
        theirs["faults"].append(faults)
    # vipsthumbnail's peak memory from one more run of its own, under time(1).
    peak = subprocess.run(["/usr/bin/time", "-f", "%M", "vipsthumbnail", "-s", "1920", "-o",
                           os.path.join(peer, "%s.jpg[Q=90]")] + files, stderr=subprocess.PIPE, text=True)
    peer_peak_mb = int(peak.stderr.strip().splitlines()[-1]) / 1024
    n = len(files)
    print("load average (1 min) median %.1f, range %.1f-%.1f; %d repeats" %
          (median(loads), min(loads), max(loads), repeats))
    print("vipsthumbnail: %.0f ms, %.0f faults (%.0f per picture), peak %.0f MB" %
          (median(theirs["ms"]), median(theirs["faults"]), median(theirs["faults"]) / n, peer_peak_mb))
    for bench in benches:
        ours = mine[bench]
        print("%s\n  batch of %d: %.0f ms, ratio %.2f, %.0f faults (%.0f per picture), peak %.0f MB" %
              (bench, n, median(ours["ms"]), median(ours["ms"]) / median(theirs["ms"]), median(ours["faults"]),
               median(ours["faults"]) / n, median(ours["peak"])))


def main():
    if len(sys.argv) < 4 or sys.argv[1] not in ("resize", "batch"):
        sys.exit(__doc__)
    benches = [os.path.join(d, "bench", "vespera-bench") for d in sys.argv[5:6] + sys.argv[2:3]]
    repeats = int(sys.argv[4]) if len(sys.argv) > 4 else 5
    (resize if sys.argv[1] == "resize" else batch)(benches, sys.argv[3], repeats)


if __name__ == "__main__":
    main()
