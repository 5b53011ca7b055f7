#!/usr/bin/env bash
# ovimg on the command line: info over the samples, conversions, and clean failures that
# leave no output file behind.
set -uo pipefail
ovimg=$1 samples=$2
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
fails=0
check() { # description, then a command that must succeed
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; fails=$((fails + 1)); fi
}

check "info describes every sample" bash -c "'$ovimg' info '$samples'/* > '$work/info.txt'"
check "one line per sample page" bash -c "[[ \$(wc -l < '$work/info.txt') -ge \$(ls '$samples' | wc -l) ]]"

first=$(ls "$samples"/*.png | head -n 1)
check "convert png to bmp" "$ovimg" convert "$first" "$work/a.bmp"
check "converted file reads back" bash -c "'$ovimg' info '$work/a.bmp' | grep -q 'Windows Bitmap (BMP)'"
check "convert with --format and quality" "$ovimg" convert "$first" "$work/b.out" --format jpg --quality 80
check "format by content, not name" bash -c "'$ovimg' info '$work/b.out' | grep -q 'JPEG-JFIF'"

printf 'not an image at all' > "$work/garbage.png"
check "garbage input fails" bash -c "! '$ovimg' convert '$work/garbage.png' '$work/c.png' 2> '$work/err.txt'"
check "garbage input names the problem" grep -q "Invalid File Header" "$work/err.txt"
check "no output after a failed load" test ! -e "$work/c.png"
check "missing input fails" bash -c "! '$ovimg' convert '$work/none.png' '$work/d.png' 2>/dev/null"
check "unknown option fails" bash -c "! '$ovimg' convert '$first' '$work/e.png' --bogus 2>/dev/null"
check "bad quality fails" bash -c "! '$ovimg' convert '$first' '$work/e.jpg' --quality 101 2>/dev/null"
check "no output after bad arguments" test ! -e "$work/e.png" -a ! -e "$work/e.jpg"
check "unknown output format fails" bash -c "! '$ovimg' convert '$first' '$work/f.xyz' 2>/dev/null"
mkdir "$work/ro"; cp "$work/a.bmp" "$work/ro/keep.bmp"; before=$(md5sum < "$work/ro/keep.bmp")
check "unwritable depth fails" bash -c "! '$ovimg' convert '$first' '$work/ro/keep.bmp' --format gif --tiff-compression lzw 2>/dev/null"
check "failed save leaves the old file" bash -c "[[ \$(md5sum < '$work/ro/keep.bmp') == '$before' ]]"
check "no temporary files left" bash -c "[[ -z \$(ls -A '$work/ro' | grep -v '^keep.bmp$') ]]"
check "info on garbage fails" bash -c "! '$ovimg' info '$work/garbage.png' 2>/dev/null"

echo "$fails failed"
[[ $fails -eq 0 ]]
