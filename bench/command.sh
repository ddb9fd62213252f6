#!/usr/bin/env bash
# The whole tarkel command on a 6000 x 4000 RGB PNG: the seconds spent
# decoding, in the plug-in (the row-by-row host protocol included) and
# encoding, best of three runs; then the plug-in's time against the engine
# benchmark's for the same number of pixels (it must stay within 1.5 times).
# Usage: bench/command.sh [ENGINE_BENCHMARK_FILTER]
set -euo pipefail
cd "$(dirname "$0")/.."
engineFilter=${1:-'Engine/Rgb8/Integer/Plain/'}
./scripts/build native >/dev/null
build=build/native
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TARKEL_HOME="$work/home"
mkdir -p "$TARKEL_HOME"
"$build/tarkel" sample "$work/big.png" --size 6000x4000 >/dev/null
for run in 1 2 3; do
  "$build/tarkel" filter "$work/big.png" "$work/out.png" --kernel examples/sharpen.txt --no-autoscale \
    --quiet --timings 2>>"$work/times"
done
read -r decode plugin encode < <(awk -F'[ ,]+' '{
    for (i = 1; i <= NF; ++i) { if ($i == "decode") d = $(i+1); if ($i == "plug-in") p = $(i+1); if ($i == "encode") e = $(i+1) }
    if (NR == 1 || d < bd) bd = d; if (NR == 1 || p < bp) bp = p; if (NR == 1 || e < be) be = e
  } END { print bd, bp, be }' "$work/times")
echo "6000 x 4000 RGB PNG, sharpening kernel (best of 3):"
echo "  decode  ${decode} s"
echo "  plug-in ${plugin} s"
echo "  encode  ${encode} s"
if [ -x "$build/tarkel_bench" ]; then
  "$build/tarkel_bench" --benchmark_filter="$engineFilter" --benchmark_format=json >"$work/engine.json" 2>/dev/null || true
  python3 - "$work/engine.json" "$plugin" <<'PY'
import json, sys
try:
    runs = [b for b in json.load(open(sys.argv[1]))["benchmarks"] if "Mpx/s" in b and not b.get("error_occurred")]
except (ValueError, KeyError):
    runs = []
if not runs:
    print("  engine: no matching benchmark; pass its filter as the first argument")
    sys.exit(0)
best = max(runs, key=lambda b: b["Mpx/s"])
engine = 24.0 / best["Mpx/s"]
plugin = float(sys.argv[2])
print(f"  engine  {engine:.3f} s for 24 Mpx ({best['name']}, {best['Mpx/s']:.0f} Mpx/s)")
print(f"  plug-in / engine = {plugin / engine:.2f} (limit 1.50)")
PY
fi
