#!/bin/bash
# Runs vennicor-text on a fixture font and checks exit codes, messages and that a failed run
# leaves no picture behind. Usage: vennicor-text-test.sh <vennicor-text> <tests/data folder>
set -u
tool="$(realpath "$1")"
data="$(realpath "$2")"
font="$data/fonts/VennicorMetrics.ttf"
here="$(dirname "$(realpath "$0")")"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
# Only the fixture fonts made for name lookups are installed, so that nothing depends on the
# machine's fonts.
mkdir home
cat > fonts.conf <<CONF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig><dir>$data/fonts/installed</dir><cachedir>$work/cache</cachedir></fontconfig>
CONF
export FONTCONFIG_FILE="$work/fonts.conf" HOME="$work/home"

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# run <expected exit code> <args...>: runs the tool in an empty folder "out".
run() {
  local expected="$1"
  shift
  rm -rf out && mkdir out
  (cd out && "$tool" "$@" >../stdout 2>../stderr)
  status=$?
  if [ "$status" -ne "$expected" ]; then
    fail "vennicor-text $* exited $status, expected $expected; stderr: $(cat stderr)"
  fi
}

png_size() {  # prints "width height" from the PNG header
  od -An -tu1 -j16 -N8 "$1" | awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}'
}

# A bad input: exit code, a one-line message naming the problem, and nothing written.
expect_error() {
  local code="$1" message="$2"
  shift 2
  run "$code" "$@"
  if [ "$(wc -l <stderr)" -ne 1 ] || ! grep -q "^vennicor-text: .*$message" stderr; then
    fail "vennicor-text $*: expected one line with '$message', got: $(cat stderr)"
  fi
  if [ -n "$(ls -A out)" ]; then
    fail "vennicor-text $* left files behind: $(ls -A out)"
  fi
}

# Success: a PNG of the given or fitted size.
run 0 -f "$font" -s 18 -o text.png "AV"
[ -f out/text.png ] || fail "no text.png"
grep -q "wrote text.png" stdout || fail "no report of the written file: $(cat stdout)"
[ "$(head -c 8 out/text.png | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] ||
  fail "text.png is not a PNG"
read -r width height <<<"$(png_size out/text.png)"
# Two glyphs of 18 px with a 12 px margin on each side.
[ "$width" -ge 40 ] && [ "$width" -le 80 ] && [ "$height" -ge 30 ] && [ "$height" -le 60 ] ||
  fail "fitted picture is $width x $height"

run 0 -f "$font" -s 18 --image-size 100x40 -t "A" -t "B" --atlas atlas.png -o lines.png
[ -f out/lines.png ] && [ -f out/atlas.png ] || fail "lines.png or atlas.png missing"
[ "$(png_size out/lines.png)" = "100 40" ] || fail "--image-size not honoured: $(png_size out/lines.png)"
read -r width height <<<"$(png_size out/atlas.png)"
[ "$width" -eq "$height" ] && [ "$width" -ge 64 ] || fail "atlas is $width x $height"
# The atlas is opaque (glyphs over black), and shows more than one colour.
read -r _ _ colours alpha_min _ <<<"$(python3 "$here/png_stats.py" out/atlas.png)"
[ "$alpha_min" -eq 255 ] && [ "$colours" -gt 2 ] ||
  fail "atlas.png: $colours colours, least alpha $alpha_min"

run 0 -f "$font" -s 18 -r 30 --scale 2,1.5 --origin 5,5 --align center --flip horizontal \
  -c "#ff000080" -b transparent --margin 0 -o turned.png "AV" "B"
[ -f out/turned.png ] || fail "turned.png missing"

# A glyph cache file: written by the first run, used by the second, which draws the same picture
# (and leaves the file as it was); a file that does not fit is ignored and replaced.
run 0 -f "$font" -s 18 --glyph-cache "$work/glyphs.cache" --atlas atlas.png -o cached.png "AV B"
[ -s "$work/glyphs.cache" ] || fail "--glyph-cache wrote no file"
cp out/cached.png first.png && cp out/atlas.png first-atlas.png && cp "$work/glyphs.cache" first.cache
# Saving renames a new file over the old one, so a file written again has a new inode.
inode="$(stat -c %i "$work/glyphs.cache")"
run 0 -f "$font" -s 18 --glyph-cache "$work/glyphs.cache" --atlas atlas.png -o cached.png "AV B"
cmp -s out/cached.png first.png && cmp -s out/atlas.png first-atlas.png ||
  fail "a font started from its glyph cache drew another picture or atlas"
[ "$(stat -c %i "$work/glyphs.cache")" = "$inode" ] || fail "a glyph cache that fits was written again"
run 0 -f "$font" -s 20 --glyph-cache "$work/glyphs.cache" -o cached.png "AV"
cmp -s "$work/glyphs.cache" first.cache && fail "a glyph cache of another size was kept"
expect_error 1 "cannot write glyph cache" -f "$font" --glyph-cache "$work/no/such/folder/g" "AV"

# A variable font's axes: a heavier instance is wider and inks more pixels.
variable="$data/fonts/VennicorVariable.ttf"
run 0 -f "$variable" -s 30 --margin 0 -b transparent -o thin.png "AAA"
read -r thinWidth _ <<<"$(png_size out/thin.png)"
run 0 -f "$variable" -s 30 --margin 0 -b transparent --variation wght=900 -o heavy.png "AAA"
read -r heavyWidth _ <<<"$(png_size out/heavy.png)"
[ "$heavyWidth" -gt "$thinWidth" ] || fail "--variation wght=900 drew no wider text: $heavyWidth, $thinWidth"
expect_error 2 "four-letter tag" -f "$variable" --variation wg=900 "A"
expect_error 2 "needs a number" -f "$variable" --variation wght=heavy "A"

# Quarters of a pixel: text half a pixel off the grid draws otherwise than on whole pixels.
run 0 -f "$font" -s 20 --image-size 120x40 --position 10.5,8 -o whole.png "AVAV"
run 0 -f "$font" -s 20 --image-size 120x40 --position 10.5,8 --subpixel -o quarters.png "AVAV"
cmp -s out/whole.png out/quarters.png && fail "--subpixel drew the same picture half a pixel over"
run 0 -f "$font" --features liga,-kern,aalt=2 -o features.png "AV"
expect_error 2 "one to four letters" -f "$font" --features smcpx "A"
expect_error 2 "one to four letters" -f "$font" --features smcp,,tnum "A"

# A pipe or a device takes the picture and the glyph cache as they are written: neither is
# replaced by a file (a rename over /dev/null would replace the device).
mkfifo "$work/picture.fifo" "$work/cache.fifo"
timeout 30 cat "$work/picture.fifo" >"$work/from-fifo.png" &
pictureReader=$!
timeout 30 cat "$work/cache.fifo" >"$work/from-fifo.cache" &
cacheReader=$!
run 0 -f "$font" -s 18 --glyph-cache "$work/cache.fifo" -o "$work/picture.fifo" "AV"
wait "$pictureReader" "$cacheReader"
[ -p "$work/picture.fifo" ] && [ -p "$work/cache.fifo" ] || fail "a FIFO was replaced by a file"
[ "$(head -c 8 "$work/from-fifo.png" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] ||
  fail "the FIFO got no PNG"
[ -s "$work/from-fifo.cache" ] || fail "the FIFO got no glyph cache"

# By installed family name and style (those faces map A, B, V and space).
run 0 -f "Vennicor Lookup" --style bold-italic -s 18 -o named.png "AV B"
[ -f out/named.png ] || fail "named.png missing"

# Every look option, each alone and all together; a one-byte atlas still saves as a picture.
for look in "--hinting mono" "--hinting none" "--bold" "--oblique" "--outline 2" \
  "--shadow 2,3 --shadow-color 0,0,0,90" "--sdf --scale 3" "--alpha8 --atlas atlas.png" \
  "--sdf --outline 1.5 --outline-color white --alpha8 --bold --oblique --shadow 1,1" \
  "--msdf --scale 3 --outline 1 --alpha8"; do
  # shellcheck disable=SC2086 # the options are meant to split
  run 0 -f "$font" -s 18 $look -o look.png "AV B"
  [ -f out/look.png ] || fail "vennicor-text $look wrote no picture"
done
run 0 -f "$font" -s 18 -o plain.png "AV"
read -r plainWidth plainHeight <<<"$(png_size out/plain.png)"
run 0 -f "$font" -s 18 --outline 3 -o framed.png "AV"
read -r width height <<<"$(png_size out/framed.png)"
[ "$width" -gt "$plainWidth" ] && [ "$height" -gt "$plainHeight" ] ||
  fail "an outline of 3 px does not enlarge the picture: $width x $height"
# Laid out: wrapped at a width, justified, right to left, spaced, cut to two lines.
run 0 -f "$font" -s 18 --width 60 --align justify --direction rtl --line-spacing 1.5 \
  --max-lines 2 -o cut.png "AV BA VA AB AV BA"
read -r width height <<<"$(png_size out/cut.png)"
[ "$width" -le 90 ] && [ "$height" -ge 50 ] && [ "$height" -le 90 ] ||
  fail "two wrapped lines at 1.5 spacing are $width x $height"

printf 'A\nVB\n' >text.txt
run 0 -f "$font" -s 18 --text-file ../text.txt -o file.png
[ -f out/file.png ] || fail "file.png missing"

# Fallback faces: Omega and the colour glyph U+1F600 come from the colour fixture; the
# picture's width grows by their advances (9 and 18 px at 18 px) over the same text without them.
run 0 -f "$font" -s 18 --margin 0 -o plain.png "A"
read -r plain_width _ < <(png_size out/plain.png)
expect_error 1 "cannot open fallback font" -f "$font" --fallback "$data/fonts/NotAFont.ttf" "A"
run 0 -f "$font" --fallback "$data/fonts/VennicorColor.ttf" -s 18 --margin 0 -o fallback.png \
  $'A\xce\xa9\xf0\x9f\x98\x80'
read -r fallback_width _ < <(png_size out/fallback.png)
[ "$fallback_width" -eq $((plain_width + 27)) ] ||
  fail "fallback picture is $fallback_width px wide, expected $((plain_width + 27))"
expect_error 2 "needs a family name" -f "$font" --fallback ""

run 0 --help
grep -q "^Usage: vennicor-text" stdout || fail "--help shows no usage"

# Every spelling --help lists is one the parser knows, and takes a value exactly when the list
# shows one: listed with a value, it asks for one when none follows; listed alone, it runs and
# refuses a value.
sed -nE 's/^  (-[^ ]), (--[a-z0-9-]+)( ([A-Z][^ ]*))?( .*|)$/\1 \2 \4/p;
          s/^      (--[a-z0-9-]+)( ([A-Z][^ ]*))?( .*|)$/- \1 \3/p' stdout >listed.txt
[ -s listed.txt ] && [ "$(wc -l <listed.txt)" -eq "$(grep -cE '^  -|^      --' stdout)" ] ||
  fail "cannot read the option list of --help: $(cat stdout)"
while read -r short long value; do
  [ "$short" = "-" ] && short=""
  for name in $short $long; do
    if [ -n "$value" ]; then
      expect_error 2 "$name needs a value" "$name"
    else
      run 0 "$name" --help
      [ "${name#--}" != "$name" ] && expect_error 2 "$name takes no value" "$name=x"
    fi
  done
done <listed.txt

expect_error 2 "unknown option '--bogus'" -f "$font" --bogus
expect_error 2 "needs a number" -f "$font" -s abc
expect_error 2 "needs a number" -f "$font" -s 12px
expect_error 2 "size above 0" -f "$font" -s 0
expect_error 2 "needs a number" -f "$font" -r nan
expect_error 2 "scales" -f "$font" --scale 0
expect_error 2 "X,Y" -f "$font" --origin 5
expect_error 2 "WIDTHxHEIGHT" -f "$font" --image-size 100
expect_error 2 "edges from 1" -f "$font" --image-size 0x10
expect_error 2 "needs a colour" -f "$font" -c notacolour
expect_error 2 "needs a colour" -f "$font" -b 300,0,0
expect_error 2 "regular, bold" -f "$font" --style heavy
expect_error 2 "auto, normal, light, mono or none" -f "$font" --hinting full
expect_error 2 "takes no value" -f "$font" --bold=yes
expect_error 2 "from 0 to 32" -f "$font" --outline -1
expect_error 2 "X,Y" -f "$font" --shadow 3
expect_error 2 "needs a colour" -f "$font" --outline-color nope
expect_error 2 "needs a value" -f "$font" -o
expect_error 2 "one way" -f "$font" -t A B
expect_error 2 "same file" -f "$font" -o same.png --atlas same.png
expect_error 2 "width from 0" -f "$font" --width -5 "A"
expect_error 2 "left, center, right or justify" -f "$font" --align middle "A"
expect_error 2 "auto, ltr or rtl" -f "$font" --direction up "A"
expect_error 2 "factor above 0" -f "$font" --line-spacing 0 "A"
expect_error 2 "whole number from 0" -f "$font" --max-lines -1 "A"
expect_error 1 "Font could not be found" -f "No Such Family" "A"
expect_error 1 "no font file" -f ./missing/font.ttf "A"
expect_error 1 "Error openening font file" -f "$data/fonts/NotAFont.ttf" "A"
expect_error 1 "not valid UTF-8" -f "$font" $'\xff'
expect_error 1 "cannot read text file" -f "$font" --text-file ../no-such-file.txt
expect_error 1 "would be" -f "$font" -s 100 --scale 100 "AV"
# Far positions once wrapped to a negative picture size; endless text files ran out of memory.
expect_error 1 "too far away" -f "$font" --position 1e38,1e38 "AV"
expect_error 1 "too far away" -f "$font" --position 0,3e38 --scale 100 "AV"
expect_error 1 "would be 100051 x 44 pixels" -f "$font" --position 100000,0 "AV"
expect_error 1 "larger than the limit of 4 MiB" -f "$font" --text-file /dev/zero
head -c 4194305 /dev/zero | tr '\0' 'A' > big.txt
expect_error 1 "larger than the limit of 4 MiB" -f "$font" --text-file ../big.txt
expect_error 1 "missing-folder/text.png" -f "$font" -o missing-folder/text.png "A"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all vennicor-text checks passed"
