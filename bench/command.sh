#!/usr/bin/env bash
# The tarkel command end to end against the newest libvips, in one run on
# this machine. The peer is bench/vips_conv_peer.c (what vips conv does)
# built against the npm registry's prebuilt libvips, installed into
# build/bench-peer; tarkel keeps Debian's libvips. Pictures: a 6000 x 3750
# photograph-like RGB image (the sample picture plus Gaussian noise of
# sigma 4) as JPEG Q92, PNG, uncompressed TIFF and 16-bit TIFF (x 257), and
# a 64 x 64 JPEG for the fixed cost; each is filtered to its own format with
# a normalised 7 x 7 Gaussian. tarkel and the peer (--precision integer and
# float) run alternately, A B C A B C ..., and every ratio is taken within
# one round; medians and ranges over RUNS rounds. Then the share of the
# engine in a whole run (from --timings), and play -j 2 against -j 1 over
# eight 3000 x 2000 JPEGs, also alternating.
# Usage: bench/command.sh [RUNS]   (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
./scripts/install-deps --native-only libvips-tools >/dev/null
./scripts/build native >/dev/null
tarkel=$PWD/build/native/tarkel

# The newest libvips with headers to match: both packages at one version.
peer_version=1.3.4
peer=$PWD/build/bench-peer
if [ ! -x "$peer/vips-conv-peer" ]; then
  rm -rf "$peer" && mkdir -p "$peer"
  (cd "$peer" && npm pack --silent "@img/sharp-libvips-linux-x64@$peer_version" "@img/sharp-libvips-dev@$peer_version" >/dev/null)
  mkdir -p "$peer/lib" "$peer/dev"
  tar xzf "$peer"/img-sharp-libvips-linux-x64-*.tgz -C "$peer/lib" --strip-components=1
  tar xzf "$peer"/img-sharp-libvips-dev-*.tgz -C "$peer/dev" --strip-components=1
  library=$(basename "$(ls "$peer"/lib/lib/libvips-cpp.so.*)")
  cc -O2 bench/vips_conv_peer.c -o "$peer/vips-conv-peer" -I"$peer/dev/include" -I"$peer/dev/include/glib-2.0" \
    -I"$peer/lib/lib/glib-2.0/include" -L"$peer/lib/lib" -l:"$library" -Wl,-rpath,"$peer/lib/lib"
fi

work=build/bench-command
mkdir -p "$work/home" "$work/batch" "$work/out"
export TARKEL_HOME=$PWD/$work/home
cd "$work"

# A normalised Gaussian (sigma 1.3) in six decimals with scale 1, as a user
# would write it for libvips: fractional taps, so tarkel takes its float
# sums and libvips --precision integer its rounded taps.
python3 - <<'PY'
import math
weights = [[math.exp(-(x * x + y * y) / (2 * 1.3 ** 2)) for x in range(-3, 4)] for y in range(-3, 4)]
total = sum(map(sum, weights))
with open("gauss.mat", "w") as f:
    f.write("7 7 1 0\n")
    for row in weights:
        f.write(" ".join("%.6f" % (w / total) for w in row) + "\n")
PY
photo() {  # photo WIDTH HEIGHT OUTPUT.v
  "$tarkel" sample smooth.png --size "$1x$2" >/dev/null
  for seed in 1 2 3; do vips gaussnoise "n$seed.v" "$1" "$2" --sigma 4 --mean 0 --seed "$seed"; done
  vips bandjoin "n1.v n2.v n3.v" noise.v
  vips add smooth.png noise.v sum.v
  vips cast sum.v "$3" uchar
  rm -f smooth.png n1.v n2.v n3.v noise.v sum.v
}
if [ ! -f photo16.tif ]; then
  photo 6000 3750 photo.v
  vips copy photo.v photo.png
  vips copy photo.v photo.jpg[Q=92]
  vips copy photo.v photo.tif
  vips crop photo.v tiny.jpg[Q=92] 2000 2000 64 64
  vips linear photo.v wide.v 257 0
  vips cast wide.v wide16.v ushort
  vips copy wide16.v photo16.tif --interpretation rgb16
  rm -f photo.v wide.v wide16.v
fi
if [ ! -f batch/7.jpg ]; then
  photo 3000 2000 small.v
  for i in 0 1 2 3 4 5 6 7; do vips copy small.v "batch/$i.jpg[Q=92]"; done
  rm -f small.v
fi
"$tarkel" filter batch/0.jpg out/record.jpg --matrix gauss.mat --record gauss.json --quiet

python3 - "$tarkel" "$peer/vips-conv-peer" "$runs" <<'PY'
import os, re, statistics, subprocess, sys, time
tarkel, peer, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])

def run(command):
    """Wall seconds, peak resident MiB, standard error and processor seconds of one run."""
    start = time.monotonic()
    child = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    err = child.stderr.read().decode()
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.monotonic() - start
    if status != 0:
        sys.exit("failed: %s\n%s" % (" ".join(command), err))
    return wall, usage.ru_maxrss / 1024, err, usage.ru_utime + usage.ru_stime

def spread(values, unit=""):
    return "%.3f%s [%.3f..%.3f]" % (statistics.median(values), unit, min(values), max(values))

cases = (("jpg", "photo.jpg", "[Q=92]", 1), ("png", "photo.png", "", 1), ("tif", "photo.tif", "", 1),
         ("tif", "photo16.tif", "", 1), ("jpg", "tiny.jpg", "[Q=92]", 4))
print("file to file, %d alternating rounds: median [min..max]" % runs)
engine_shares = []
for ext, src, save, repeat in cases:
    out = "out/%s." % src.split(".")[0]
    commands = {
        "tarkel": [tarkel, "filter", src, out + "tarkel." + ext, "--matrix", "gauss.mat", "--quiet", "--timings"],
        "integer": [peer, src, out + "integer." + ext + save, "gauss.mat", "integer"],
        "float": [peer, src, out + "float." + ext + save, "gauss.mat", "float"],
    }
    walls = {name: [] for name in commands}
    peaks = {name: [] for name in commands}
    ratios = {"integer": [], "float": []}
    cpus = {name: [] for name in commands}
    for _ in range(runs * repeat):
        for name, command in commands.items():
            wall, peak, err, cpu = run(command)
            walls[name].append(wall)
            cpus[name].append(cpu)
            peaks[name].append(peak)
            if name == "tarkel":
                engine = re.search(r"plug-in engine[^0-9]*([0-9.]+) s", err)
                if engine and src != "tiny.jpg":
                    engine_shares.append((src, wall / float(engine.group(1))))
        for name in ratios:
            ratios[name].append(walls["tarkel"][-1] / walls[name][-1])
    sizes = {name: os.path.getsize(command[3] if name == "tarkel" else command[2].split("[")[0])
             for name, command in commands.items()}
    print("%-11s tarkel %s s  peer integer %s s  float %s s" % (src, spread(walls["tarkel"]),
          spread(walls["integer"]), spread(walls["float"])))
    target = "1.5" if src == "tiny.jpg" else "1.0"
    print("%-11s tarkel/integer %s (<= %s)  tarkel/float %s  size/integer %.2f (<= 1.1)  peak MiB %.0f / %.0f" % (
        "", spread(ratios["integer"]), target, spread(ratios["float"]), sizes["tarkel"] / sizes["integer"],
        statistics.median(peaks["tarkel"]), statistics.median(peaks["integer"])))
    print("%-11s processor time: tarkel %s s  integer %s s  tarkel/integer %s" % ("", spread(cpus["tarkel"]),
          spread(cpus["integer"]), spread([t / i for t, i in zip(cpus["tarkel"], cpus["integer"])])))
if engine_shares:
    print("\nwhole run / engine (<= 1.25): " + "  ".join(
        "%s %s" % (src, spread([r for s, r in engine_shares if s == src])) for src in dict(engine_shares)))

batch = ["batch/%d.jpg" % i for i in range(8)]
serial, parallel, serial_cpu, parallel_cpu = [], [], [], []
for _ in range(runs):
    one = run([tarkel, "play", "gauss.json", "--into", "out", "-j", "1"] + batch)
    two = run([tarkel, "play", "gauss.json", "--into", "out", "-j", "2"] + batch)
    serial.append(one[0])
    parallel.append(two[0])
    serial_cpu.append(one[3])
    parallel_cpu.append(two[3])
print("\nplay 8 x 3000 x 2000 JPEG: -j 1 %s s, -j 2 %s s, -j 1 / -j 2 %s (>= 1.8)" % (
    spread(serial), spread(parallel), spread([s / p for s, p in zip(serial, parallel)])))
print("  processor time: -j 1 %s s, -j 2 %s s" % (spread(serial_cpu), spread(parallel_cpu)))
PY
