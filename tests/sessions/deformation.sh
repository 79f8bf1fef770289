# The deformation display through the batch runner: every drawing type with every
# registration, the markers placed by mouse picks, the interactive rotation answered from the
# script, and the deformation pictures of the one-command analysis.
source "$(dirname "$0")/lib/common.sh"

cp "$APES/apes.txt" "$APES/apes-groups.txt" .
{
  echo "LoadData apes.txt"
  echo "LoadGroupList apes-groups.txt"
  echo "set ExagerationBox String 0.1"
  echo "set RangeBox String 1.2"
  echo "set NumberButton Value 1"
  for s in 0 1 2 3; do
    for t in 1 2 3 4 5 6 7 8 9; do
      echo "set DeFormat Value $t"
      echo "call Tessalysw('ShowPCADeformation', $s)"
      echo "print type$t-reg$s.svg"
    done
  done
  echo "set DeFormat Value 4"
  echo "set RotateRequest Value 1"
  echo "call Tessalysw('ShowPCADeformation', 2) -- 30 15 0"
  echo "print rotated.png"
  echo "set RotateRequest Value 0"
  echo "ShowPCAAxis"
  echo "PlaceM1 -0.05,0.03"
  echo "PlaceM2 0.05,-0.05"
  echo "print markers.png"
  echo "set MarkerSuperList Value 3"
  echo "ShowMarkerDif"
  echo "print difference.png"
  echo "set GridTrimButton Value 1"
  echo "set DeFormat Value 1"
  echo "ShowMarker1PCA -9,0 -9,0 -9,0 -9,0 -9,0 0,0,3 0,0,3 9,0 0,0,3 0,0,3"
  echo "print trimmed.png"
} >deform.tss

run_script deform
expect_status deform 0
# Nothing but the summary of the CVA run is shown in a message box: no action stopped.
grep '^message' deform.out | grep -v '^message (CVA Complete)' && fail "an action showed a message"

for s in 0 1 2 3; do
  for t in 1 2 3 4 5 6 7 8 9; do
    f="type$t-reg$s.svg"
    grep -q '<svg' "$f" || fail "$f is not an SVG file"
    # Every drawing stays vector: no embedded picture.
    grep -q '<image' "$f" && fail "$f holds a bitmap"
  done
done
for f in rotated markers difference trimmed; do
  head -c 8 "$f.png" | cmp -s - <(printf '\x89PNG\r\n\x1a\n') || fail "$f.png is not a PNG file"
done
# The contour maps are filled bands: several filled paths of different colours.
python3 - type8-reg2.svg <<'PY' || fail "the contour map has no filled bands"
import re, sys
fills = set(re.findall(r'fill:(rgb\([^)]*\))', open(sys.argv[1]).read()))
sys.exit(0 if len(fills) >= 4 else 1)
PY
# The trimming loop clicked past the grid's first row: the edge stays at row 1.
grep -q '^[0-9]* 1 [0-9]* [0-9]*$' deform.out || fail "trimmed edges not within the grid"

# The one-command analysis adds a deformation picture per significant axis, up to three.
"$BATCH" analyze apes.txt apes-groups.txt --out out >analyze.out 2>analyze.err ||
  fail "analyze exited with $?"
for t in 1 2 3; do
  head -c 8 "out/deformation-cv$t.png" | cmp -s - <(printf '\x89PNG\r\n\x1a\n') ||
    fail "deformation-cv$t.png is not a PNG file"
  grep -q '<svg' "out/deformation-cv$t.svg" || fail "deformation-cv$t.svg is not an SVG file"
  expect_in analyze.out "deformation-cv$t.png"
done
[ ! -e out/deformation-cv4.png ] || fail "more than three deformation pictures"

finish
