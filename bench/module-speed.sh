#!/usr/bin/env bash
# The Windows modules under Wine against the native module on this machine:
# the same program (bench/ModuleSpeed.cpp) built for each, a 6000 x 4000
# RGB 8-bit image filtered through the host simulator by a Gaussian with
# integer taps and one with fractional taps, best of three runs. Prints each
# module's times and its speed as a share of the native module's.
# Usage: bench/module-speed.sh   (run on an otherwise idle machine)
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps >/dev/null
presets=(native win64)
if ./scripts/can-run-i386; then presets+=(win32); else echo "win32: skipped, this kernel cannot execute i386 programs" >&2; fi
./scripts/build "${presets[@]}" >/dev/null
declare -A ms
for preset in "${presets[@]}"; do
  program=build/$preset/tarkel_module_speed
  if [ "$preset" = native ]; then output=$("$program"); else output=$(./scripts/wine-run "$program.exe" | tr -d '\r'); fi
  while read -r kernel time _; do ms[$preset/$kernel]=$time; done <<<"$output"
done
for preset in "${presets[@]}"; do
  for kernel in integer float; do
    python3 -c "import sys; t, n = float(sys.argv[3]), float(sys.argv[4]); \
print('%-6s %-7s %7.1f ms  %6.1f Mpx/s  %.2f x native' % (sys.argv[1], sys.argv[2], t, 24000 / t, n / t))" \
      "$preset" "$kernel" "${ms[$preset/$kernel]}" "${ms[native/$kernel]}"
  done
done
