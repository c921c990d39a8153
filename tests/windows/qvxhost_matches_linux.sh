#!/usr/bin/env bash
# qvxhost.exe (Windows build, in Wine) against qvxhost (Linux build) on files
# made by dsdgen and dsttool: `info` must print the same lines, and decodes must
# write the same audio, tags and pictures. Windows ends its text lines with
# CR LF; that is the only difference allowed in what is printed.
#
# Which files are identical byte for byte: raw float at the PCM rate, WAV, DSF
# and DSDIFF. FLAC files hold the same samples, tags and pictures but not the
# same bytes: libFLAC chooses its predictors with analysis windows computed by
# the C library's cos(), and mingw-w64's differs from glibc's in the last bits,
# so the encoder makes other, equally valid choices. Those are compared decoded
# (audio_files.py compare: same tags and pictures, every sample within one step
# of the output depth). The resampler (libsoxr) computes in double precision,
# so its output is the same on both.
#   usage: qvxhost_matches_linux.sh LINUX_BUILD_DIR WINDOWS_BUILD_DIR
set -euo pipefail
linux=$1
windows=$2
here=$(cd "$(dirname "$0")/../.." && pwd)
audio_files=$here/tests/windows/audio_files.py
cmake --build "$linux" --target qvxhost qvx_input_dsdiff dsdgen dsttool >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$linux/bin/dsdgen" -o "$work/stereo64.dff" --rate 2822400 --channels 2 --seconds 2 --tone 1:1000:-6 --tone 2:440:-12
"$linux/bin/dsdgen" -o "$work/five128.dff" --rate 5644800 --channels 5 --seconds 1 --tone all:997:-10 --noise 3:-40
"$linux/bin/dsdgen" -o "$work/mono48k.dff" --rate 3072000 --channels 1 --seconds 1 --noise 1:-20
"$linux/bin/dsdgen" -o "$work/six64.dff" --channels 6 --seconds 2 --tone all:1000:-8 --noise all:-30 \
  --mark 0:One --mark 1.2:Two --title Master
"$linux/bin/dsttool" encode "$work/stereo64.dff" -o "$work/stereo64_dst.dff" >/dev/null
"$linux/bin/dsttool" encode "$work/six64.dff" -o "$work/six64_dst.dff" >/dev/null
python3 "$audio_files" tag "$work/stereo64.dff" "$work/tagged.dff"
printf 'not a DSDIFF file' > "$work/broken.dff"

failures=0
# Output and exit status of one command.
run() {
  local rc=0
  "$@" 2>&1 || rc=$?
  echo "exit status $rc"
}
# check NAME LINUX_COMMAND...: the same command line for the Windows program, with
# ".windows." where the Linux outputs have ".linux.", must print the same.
check() {
  local name=$1; shift
  local args=("${@:2}")
  args=("${args[@]//.linux./.windows.}")
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
same_bytes() {  # NAME LINUX_FILE WINDOWS_FILE
  if cmp -s "$2" "$3"; then
    echo "ok   $1: same bytes ($(stat -c %s "$2") bytes)"
  else
    echo "FAIL $1: the files differ"; failures=$((failures + 1))
  fi
}
same_audio() {  # NAME LINUX_FILE WINDOWS_FILE BITS
  if python3 "$audio_files" compare "$2" "$3" "$4"; then
    echo "ok   $1: same tags, pictures and samples"
  else
    echo "FAIL $1"; failures=$((failures + 1))
  fi
}

for f in stereo64 five128 mono48k stereo64_dst six64_dst; do
  check "info $f" "$linux/bin/qvxhost" info --details --md5 "$work/$f.dff"
done
check "info broken file" "$linux/bin/qvxhost" info "$work/broken.dff"
check "info tags" "$linux/bin/qvxhost" info --tags "$work/tagged.dff"

# The DSD-to-PCM path at its own rate, no resampler: raw float, bit for bit.
for f in five128 stereo64_dst; do
  check "decode $f to raw float" "$linux/bin/qvxhost" decode "$work/$f.dff" -o "$work/$f.linux.f32" --max-rate 1000000
  same_bytes "decode $f to raw float" "$work/$f.linux.f32" "$work/$f.windows.f32"
done
# A tagged file to FLAC at the default rate: libsoxr, libsndfile's FLAC, TagLib's tags and picture.
check "decode tagged to FLAC" "$linux/bin/qvxhost" decode "$work/tagged.dff" -o "$work/tagged.linux.flac"
same_audio "decode tagged to FLAC" "$work/tagged.linux.flac" "$work/tagged.windows.flac" 24
# A 6-channel DST file to 24-bit WAV: WAVE_FORMAT_EXTENSIBLE, dither, the master's tags.
check "decode 6-channel DST to 24-bit WAV" "$linux/bin/qvxhost" decode "$work/six64_dst.dff" -o "$work/six.linux.wav" --bits 24
same_bytes "decode 6-channel DST to 24-bit WAV" "$work/six.linux.wav" "$work/six.windows.wav"
# DST unpacked to DSF, and an edited master split into DSDIFF tracks.
check "unpack DST to DSF" "$linux/bin/qvxhost" decode "$work/six64_dst.dff" -o "$work/six.linux.dsf"
same_bytes "unpack DST to DSF" "$work/six.linux.dsf" "$work/six.windows.dsf"
# (A split is a batch, whose summary tells the time it took: only its outputs are compared.)
"$linux/bin/qvxhost" decode "$work/six64_dst.dff" -o "$work/split.linux" --split --format dff >/dev/null 2>&1 || true
"$here/scripts/wine-run" "$windows/bin/qvxhost.exe" decode "$work/six64_dst.dff" -o "$work/split.windows" --split \
  --format dff >/dev/null 2>&1 || true
for track in "01 - One" "02 - Two"; do
  same_bytes "split track $track" "$work/split.linux/six64_dst/$track.dff" "$work/split.windows/six64_dst/$track.dff"
done

# A file name outside every ANSI code page: the program must take its command line as UTF-16
# and hand the component UTF-8, and write an output of such a name too. Wine converts the
# command line from the locale's character set, so the locale is UTF-8 here.
unicode="$work/Ünïcødé 音楽 – ₂"
mkdir -p "$unicode"
cp "$work/tagged.dff" "$unicode/トラック 01.dff"
cp "$work/mono48k.dff" "$unicode/Ω 02.dff"
export LC_ALL=C.UTF-8
check "info unicode path" "$linux/bin/qvxhost" info --tags "$unicode/トラック 01.dff"
check "decode unicode path" "$linux/bin/qvxhost" decode "$unicode/トラック 01.dff" -o "$unicode/出力.linux.f32" --max-rate 1000000
same_bytes "decode unicode path" "$unicode/出力.linux.f32" "$unicode/出力.windows.f32"

# The same folder as a batch to FLAC (the batch's default) on every core: the same outputs under
# the same Unicode names.
"$linux/bin/qvxhost" decode "$unicode" -o "$work/batch.linux" >/dev/null 2>&1 || true
"$here/scripts/wine-run" "$windows/bin/qvxhost.exe" decode "$unicode" -o "$work/batch.windows" >/dev/null 2>&1 || true
for name in "トラック 01.flac" "Ω 02.flac"; do
  if [ -s "$work/batch.linux/$name" ] && [ -s "$work/batch.windows/$name" ]; then
    same_audio "batch of a Unicode folder: $name" "$work/batch.linux/$name" "$work/batch.windows/$name" 24
  else
    echo "FAIL batch of a Unicode folder: $name is missing"; failures=$((failures + 1))
  fi
done

[ "$failures" = 0 ] || { echo "$failures comparison(s) failed"; exit 1; }
