#!/usr/bin/env bash
# The tarkel command end to end against libvips's convolution, in one run on
# this machine: a 6000 x 3750 RGB 8-bit photograph-like picture (the sample
# picture plus Gaussian noise of sigma 4, so that it compresses like a photo)
# as PNG, JPEG (quality 92) and uncompressed TIFF, each filtered to its own
# format with a normalised 7 x 7 Gaussian by tarkel filter and by
# vips conv --precision float and --precision integer. Wall time and peak
# memory are medians of RUNS runs; then play -j 2 against -j 1 over eight
# 3000 x 2000 pictures. Prints every figure with its target.
# Usage: bench/command.sh [RUNS]   (default 3)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
./scripts/install-deps --native-only libvips-tools >/dev/null
./scripts/build native >/dev/null
tarkel=$PWD/build/native/tarkel
work=build/bench-command
mkdir -p "$work/home" "$work/batch" "$work/out"
export TARKEL_HOME=$PWD/$work/home
cd "$work"

# The Gaussian as integers with their sum as the scale: the plug-in reads a
# kernel whose every tap lies between -1 and 1 as empty, and libvips takes
# the same file with the same scale.
python3 - <<'PY'
row = [1, 6, 15, 20, 15, 6, 1]
with open("gauss.mat", "w") as f:
    f.write("7 7 %d 0\n" % (sum(row) ** 2))
    for a in row:
        f.write(" ".join(str(a * b) for b in row) + "\n")
PY

photo() {  # photo WIDTH HEIGHT OUTPUT.v
  "$tarkel" sample smooth.png --size "$1x$2" >/dev/null
  for seed in 1 2 3; do vips gaussnoise "n$seed.v" "$1" "$2" --sigma 4 --mean 0 --seed "$seed"; done
  vips bandjoin "n1.v n2.v n3.v" noise.v
  vips add smooth.png noise.v sum.v
  vips cast sum.v "$3" uchar
  rm -f smooth.png n1.v n2.v n3.v noise.v sum.v
}
if [ ! -f photo.png ]; then
  photo 6000 3750 photo.v
  vips copy photo.v photo.png
  vips copy photo.v photo.jpg[Q=92]
  vips copy photo.v photo.tif
  rm -f photo.v
fi
if [ ! -f batch/7.png ]; then
  photo 3000 2000 small.v
  for i in 0 1 2 3 4 5 6 7; do vips copy small.v "batch/$i.png"; done
  rm -f small.v
fi
"$tarkel" filter photo.png out/record.png --matrix gauss.mat --record gauss.json --quiet

python3 - "$tarkel" "$runs" <<'PY'
import os, statistics, subprocess, sys, time
tarkel, runs = sys.argv[1], int(sys.argv[2])

def measure(command):
    """Median wall seconds and peak resident MiB of a command over the runs."""
    walls, peaks = [], []
    for _ in range(runs):
        start = time.monotonic()
        child = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        _, status, usage = os.wait4(child.pid, 0)
        walls.append(time.monotonic() - start)
        peaks.append(usage.ru_maxrss / 1024)
        if status != 0:
            sys.exit("failed: %s\n%s" % (" ".join(command), child.stderr.read().decode()))
    return statistics.median(walls), statistics.median(peaks)

results = {}
for ext, save in (("png", ""), ("jpg", "[Q=92]"), ("tif", "")):
    src = "photo." + ext
    jobs = {
        "tarkel": [tarkel, "filter", src, "out/tarkel." + ext, "--matrix", "gauss.mat", "--quiet"],
        "vips float": ["vips", "conv", src, "out/float." + ext + save, "gauss.mat", "--precision", "float"],
        "vips integer": ["vips", "conv", src, "out/integer." + ext + save, "gauss.mat", "--precision", "integer"],
    }
    for name, command in jobs.items():
        wall, peak = measure(command)
        size = os.path.getsize(command[3].split("[")[0])
        results[(ext, name)] = (wall, peak, size)
        print("%-4s %-13s wall %6.2f s   peak %6.0f MiB   output %6.1f MiB" % (ext, name, wall, peak, size / 2**20))

decoded = 6000 * 3750 * 3 / 2**20
print("\ntargets (decoded image %.0f MiB):" % decoded)
for ext in ("png", "jpg", "tif"):
    t, f, i = (results[(ext, n)] for n in ("tarkel", "vips float", "vips integer"))
    line = "%-4s tarkel/float %.2f%s   tarkel/integer %.2f (<= 1)   size/integer %.2f (<= 1.1)   peak %.0f MiB" % (
        ext, t[0] / f[0], " (<= 0.5)" if ext != "tif" else "", t[0] / i[0], t[2] / i[2], t[1])
    print(line)
print("peak memory target: the decoded image, the module's stores and 64 MiB")

batch = ["batch/%d.png" % i for i in range(8)]
serial, _ = measure([tarkel, "play", "gauss.json", "--into", "out", "-j", "1"] + batch)
parallel, _ = measure([tarkel, "play", "gauss.json", "--into", "out", "-j", "2"] + batch)
print("\nplay 8 x 3000 x 2000 PNG: -j 1 %.2f s, -j 2 %.2f s, throughput x%.2f (>= 1.8)" % (serial, parallel, serial / parallel))
PY
