#!/usr/bin/env bash
# The installed tree and the Debian package each run on their own: laid out
# in a scratch folder, their tarkel finds its module, reports the version and
# filters a sample; the completion offers only the files an option takes.
# Usage: install-test.sh SOURCE_DIR BUILD_DIR VERSION
set -euo pipefail
source_dir=$1 build=$2 version=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

check_tree() {
  local root=$1
  for file in bin/tarkel lib/tarkel/tarkel.so share/man/man1/tarkel.1 share/bash-completion/completions/tarkel \
              share/doc/tarkel/README.md share/doc/tarkel/examples/sharpen.txt; do
    [ -f "$root/$file" ] || fail "$root: no $file"
  done
  local said; said=$("$root/bin/tarkel" --version) || fail "$root: tarkel --version failed: $said"
  [ "$said" = "tarkel $version"$'\n'"module $version ($root/lib/tarkel/tarkel.so)" ] || fail "$root: --version said: $said"
  "$root/bin/tarkel" sample "$scratch/sample.png" --size 64x48 >/dev/null
  "$root/bin/tarkel" filter "$scratch/sample.png" "$scratch/sharp.png" --quiet --no-autoscale \
    --kernel "$root/share/doc/tarkel/examples/sharpen.txt" || fail "$root: filtering with the installed tarkel failed"
  grep -q '^\.SH "TARKEL filter"' "$root/share/man/man1/tarkel.1" || fail "$root: the man page has no filter section"
}

check_completion() {
  local script=$1
  mkdir -p "$scratch/files" && touch "$scratch/files/kernel.txt" "$scratch/files/photo.png"
  local offered
  offered=$(cd "$scratch/files" && source "$script" && COMP_WORDS=(tarkel filter photo.png --kernel "") COMP_CWORD=4 &&
            _tarkel && printf '%s ' "${COMPREPLY[@]}")
  [ "$offered" = "kernel.txt " ] || fail "completing --kernel offered: $offered"
  offered=$(source "$script" && COMP_WORDS=(tarkel filter photo.png --form) COMP_CWORD=3 && _tarkel &&
            printf '%s ' "${COMPREPLY[@]}")
  [ "$offered" = "--format " ] || fail "completing --form offered: $offered"
}

cmake --install "$build" --prefix "$scratch/tree" >/dev/null
check_tree "$scratch/tree"
check_completion "$scratch/tree/share/bash-completion/completions/tarkel"

if ! command -v dpkg-deb >/dev/null || ! command -v dpkg-shlibdeps >/dev/null; then
  echo "SKIP: the Debian package needs dpkg-deb and dpkg-shlibdeps (./scripts/install-deps installs dpkg-dev)"
  exit 77
fi
deb=$("$source_dir/scripts/package" --deb "$build" "$scratch/deb")
[ "$(basename "$deb")" = "tarkel_${version}_amd64.deb" ] || fail "the package is named $deb"
dpkg-deb -f "$deb" Depends | grep -q libvips || fail "the package does not depend on libvips"
dpkg-deb -x "$deb" "$scratch/package"
# The package's binaries are stripped, so a sanitizer build's leak
# suppressions, which name functions, cannot match there; the unstripped
# tree above ran with them.
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" check_tree "$scratch/package/usr"
