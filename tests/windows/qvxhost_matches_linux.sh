#!/usr/bin/env bash
# qvxhost.exe (Windows build, in Wine) against qvxhost (Linux build) on files
# made by dsdgen and dsttool: `info` and `decode -o X.f32 --max-rate 1000000`
# must print the same lines and write the same bytes. Windows ends its text
# lines with CR LF; that is the only difference allowed.
#   usage: qvxhost_matches_linux.sh LINUX_BUILD_DIR WINDOWS_BUILD_DIR
set -euo pipefail
linux=$1
windows=$2
here=$(cd "$(dirname "$0")/../.." && pwd)
cmake --build "$linux" --target qvxhost qvx_input_dsdiff dsdgen dsttool >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$linux/bin/dsdgen" -o "$work/stereo64.dff" --rate 2822400 --channels 2 --seconds 2 --tone 1:1000:-6 --tone 2:440:-12
"$linux/bin/dsdgen" -o "$work/five128.dff" --rate 5644800 --channels 5 --seconds 1 --tone all:997:-10 --noise 3:-40
"$linux/bin/dsdgen" -o "$work/mono48k.dff" --rate 3072000 --channels 1 --seconds 1 --noise 1:-20
"$linux/bin/dsttool" encode "$work/stereo64.dff" -o "$work/stereo64_dst.dff" >/dev/null
printf 'not a DSDIFF file' > "$work/broken.dff"

failures=0
# Output and exit status of one command.
run() {
  local rc=0
  "$@" 2>&1 || rc=$?
  echo "exit status $rc"
}
check() {
  local name=$1; shift
  # The same command line for the Windows program, with its own output file.
  local args=("${@:2}")
  args=("${args[@]//.linux.f32/.windows.f32}")
  local lin_out win_out
  lin_out=$(run "$@")
  win_out=$(run "$here/scripts/wine-run" "$windows/bin/qvxhost.exe" "${args[@]}" | tr -d '\r')
  if [ "$lin_out" != "$win_out" ]; then
    echo "FAIL $name: output differs"
    diff <(echo "$lin_out") <(echo "$win_out") || true
    failures=$((failures + 1))
    return
  fi
  echo "ok   $name"
}

for f in stereo64 five128 mono48k stereo64_dst; do
  check "info $f" "$linux/bin/qvxhost" info "$work/$f.dff"
  check "decode $f" "$linux/bin/qvxhost" decode "$work/$f.dff" -o "$work/$f.linux.f32" --max-rate 1000000
  if cmp -s "$work/$f.linux.f32" "$work/$f.windows.f32"; then
    echo "ok   decode $f: same samples ($(stat -c %s "$work/$f.linux.f32") bytes)"
  else
    echo "FAIL decode $f: the .f32 files differ"; failures=$((failures + 1))
  fi
done
check "info broken file" "$linux/bin/qvxhost" info "$work/broken.dff"

# A file name outside every ANSI code page: the program must take its command line as UTF-16
# and hand the component UTF-8, and write an output of such a name too. Wine converts the
# command line from the locale's character set, so the locale is UTF-8 here.
unicode="$work/Ünïcødé 音楽 – ₂"
mkdir -p "$unicode"
cp "$work/stereo64.dff" "$unicode/トラック 01.dff"
export LC_ALL=C.UTF-8
check "info unicode path" "$linux/bin/qvxhost" info "$unicode/トラック 01.dff"
check "decode unicode path" "$linux/bin/qvxhost" decode "$unicode/トラック 01.dff" -o "$unicode/出力.linux.f32" --max-rate 1000000
if cmp -s "$work/stereo64.linux.f32" "$unicode/出力.windows.f32"; then
  echo "ok   decode unicode path: same samples under the Unicode name"
else
  echo "FAIL decode unicode path: no output of the same samples under the Unicode name"; failures=$((failures + 1))
fi

# The same folder as a batch: both builds must write the same outputs under the same Unicode names.
"$linux/bin/qvxhost" decode "$unicode" -o "$work/batch.linux" --format f32 --max-rate 1000000 >/dev/null 2>&1 || true
"$here/scripts/wine-run" "$windows/bin/qvxhost.exe" decode "$unicode" -o "$work/batch.windows" --format f32 \
  --max-rate 1000000 >/dev/null 2>&1 || true
if [ -s "$work/batch.linux/トラック 01.f32" ] && cmp -s "$work/batch.linux/トラック 01.f32" "$work/batch.windows/トラック 01.f32"; then
  echo "ok   batch of a Unicode folder: same outputs under the same names"
else
  echo "FAIL batch of a Unicode folder: outputs differ or are missing"; failures=$((failures + 1))
fi

[ "$failures" = 0 ] || { echo "$failures comparison(s) failed"; exit 1; }
