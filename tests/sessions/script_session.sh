# A session script through the batch runner: the messages of the actions, files that
# accumulate ("at") and files that are replaced ("wt"), cancelled dialogs, settings of controls,
# pictures, repeatable random numbers, and failures that stop a script or, after
# "on-error continue", leave the state as it was.
source "$(dirname "$0")/lib/common.sh"

cp "$APES/apes.txt" "$APES/apes-groups.txt" .
head -n 2 apes.txt >two-specimens.txt
head -n 1 apes.txt | cut -d' ' -f1-15 >seven-landmarks.txt
head -n 166 apes-groups.txt >short-groups.txt
printf '0 0 0 2 8\n1 1 1 3 8\n' >five-columns.txt
printf '1 2 3\n4 5\n' >ragged.txt
mkdir -p "out dir"

cat >main.tss <<'EOF'
# Loading, with the files that the program refuses: each fails its step
LoadData apes.txt
on-error continue
LoadReference two-specimens.txt
LoadReference seven-landmarks.txt
LoadGroupList short-groups.txt
on-error stop
LoadGroupList apes-groups.txt
on-error continue
call Tessalysw('loaddata')
CodeLoad five-columns.txt
on-error stop
SetBWCode

# Files appended to, files replaced, cancelled dialogs
WriteSig sig.txt
WriteSig sig.txt
SavePCA scores.txt
SavePCA scores.txt
SaveEigen ''
SaveRef
WriteGrouping grouping.txt
WriteGrouping grouping.txt
SaveGroupListCVA members.txt
SaveGroupListCVA members.txt
AuxBoxsw report.txt
AuxBoxsw report.txt
on-error continue
SaveUnknownCVAScores "out dir"
on-error stop
SaveWarp pw.txt
SavePCA "out dir/scores copy.txt"

# The same seed, the same jackknife; a cancelled jackknife leaves the results alone
seed 11
JackKnife 8 0.1
AuxBoxsw jack1.txt
seed 11
JackKnife 8 0.1
AuxBoxsw jack2.txt
JackKnife

# Controls and pictures
set XBox String 2
set YBox String 3
set PCALabel Value 1
set CentroidButton Value 1
ShowPCAAxis
print cva.png
print cva.svg
print cva.pdf
print cva.eps
call Tessalysw('SetPlotDensity', 30)
CheckSig

# Failures that do not stop the script
on-error continue
LoadData ragged.txt
SavePCA scores-after.txt
SaveEigen no-such-folder/eigenvalues.txt
ShowProcrustes extra
EOF

run_script main
expect_status main 0

# Every failure of the session, in order, with its line; no other message box than the
# summary of the CVA run (checked below).
line_of() { grep -n -xF -- "$1" main.tss | head -n 1 | cut -d: -f1; }
grep '^message' main.out | grep -v '^message (CVA Complete)' >messages.txt || true
[ ! -s messages.txt ] || { fail "unexpected messages"; cat messages.txt >&2; }
grep '^main.tss:' main.err >failures.txt || true
cat >failures.want <<EOF
main.tss:$(line_of 'LoadReference two-specimens.txt'): The reference file had more than 1 specimen,  Reverting to consensus specimen
main.tss:$(line_of 'LoadReference seven-landmarks.txt'): The number of landmarks in the reference does not match the number of landmarks in the data, Reverting to consensus reference
main.tss:$(line_of 'LoadGroupList short-groups.txt'): Error: The data has 167 entries, the group list has 166
main.tss:$(line_of "call Tessalysw('loaddata')"): Fell through Loop!
main.tss:$(line_of 'CodeLoad five-columns.txt'): The file loaded does not have the correct dimensions to be a Group Code File, Please try another file
main.tss:$(line_of 'SaveUnknownCVAScores "out dir"'): Cannot write $WORK/out dir: Is a directory
main.tss:$(line_of 'LoadData ragged.txt'): Cannot read $WORK/ragged.txt, line 2: 2 numbers where line 1 has 3
main.tss:$(line_of 'SaveEigen no-such-folder/eigenvalues.txt'): "File Name for Eigenvalue list": there is no folder "$WORK/no-such-folder/"
main.tss:$(line_of 'ShowProcrustes extra'): warning: answers not used: 'extra'
EOF
cmp -s failures.txt failures.want || { fail "the failures differ"; diff failures.want failures.txt >&2 || true; }
[ "$(grep -c '^message (CVA Complete)' main.out)" = 1 ] || fail "not one CVA Complete message"
$CHECK summary-message main.out pw.txt apes-groups.txt || fail "the CVA Complete message"

# The results text as it changed: the CVA report (header with its blanks and line ends),
# twice the jackknife report, and the report again from CheckSig.
python3 - main.out <<'EOF' || fail "results text as printed"
import sys
out = open(sys.argv[1]).read()
blocks = out.split("results:\n")[1:]
cva = [b for b in blocks if b.startswith("Results from CVA/Manova \n \n \nAxis 1 Lambda= ")]
jack = [b for b in blocks if b.startswith("Results of the Jack-knife test")]
assert len(cva) == 2, "the CVA report should be shown by LoadGroupList and by CheckSig"
assert len(jack) == 2, "two jackknife reports expected, the cancelled one shows nothing"
def report(block):
    lines = block.split("\n")
    n = 3 + sum(1 for l in lines if l.startswith("Axis "))
    return lines[:n]
assert report(cva[0]) == report(cva[1]), "CheckSig shows another report than the CVA run"
assert len(report(cva[0])) > 3
EOF

# "at" files accumulate; "wt" files are replaced.
python3 - <<'EOF' || fail "appended and replaced files"
def read(p):
    return open(p, newline="").read()
sig = read("sig.txt")
half = sig[: len(sig) // 2]
assert sig == half * 2 and half.startswith("\nResults from CVA/Manova \n \n \nAxis 1 ") \
    and half.endswith(" \n\n"), "sig.txt is not two copies of one report"
grouping = read("grouping.txt")
assert grouping[: len(grouping) // 2] * 2 == grouping and grouping.count("Groupings from") == 2
members = read("members.txt")
head = "Specimen OrdinalGroup  GroupCode CVAGroup\n"
assert members.count(head) == 2 and members[: len(members) // 2] * 2 == members
assert len(members.split("\n")) == 2 * 168 + 1, len(members.split("\n"))
report = read("report.txt")
assert report[: len(report) // 2] * 2 == report
assert report.startswith("Results from CVA/Manova  \n  \n  \nAxis 1 Lambda= ")
scores = read("scores.txt")
assert scores.count("\n") == 167, "SavePCA twice should leave one copy"
assert read("out dir/scores copy.txt") == scores
assert read("jack1.txt") == read("jack2.txt"), "the same seed gave another jackknife"
assert read("jack1.txt").startswith("Results of the Jack-knife test of the CVA performance \n")
EOF
for f in eigenvalues.txt reference.txt; do [ ! -e "$f" ] || fail "$f written by a cancelled dialog"; done
ls | grep -q '^$' && fail "a file without a name was written"

# Pictures, by the extension of the file.
head -c 8 cva.png | cmp -s - <(printf '\x89PNG\r\n\x1a\n') || fail "cva.png is not a PNG file"
grep -q '<svg' cva.svg || fail "cva.svg is not an SVG file"
head -c 5 cva.pdf | grep -q '%PDF-' || fail "cva.pdf is not a PDF file"
head -n 1 cva.eps | grep -q '^%!PS-Adobe-3.0 EPSF-3.0' || fail "cva.eps is not an EPS file"
grep -q '^%%BoundingBox: [0-9]' cva.eps || fail "cva.eps has no bounding box"

# The failures after "on-error continue" leave the state as it was: the scores written after
# the failed load are the scores written before it.
cmp -s scores.txt scores-after.txt || fail "a failed LoadData changed the analysis"

# Without "on-error continue" the first failure ends the script with status 1.
cat >stops.tss <<'EOF'
LoadData apes.txt
LoadGroupList apes-groups.txt
SaveEigen eig1.txt
set XBox String 12
ShowPCAAxis
SaveEigen eig2.txt
EOF
run_script stops
expect_status stops 1
grep -q '^stops.tss:5: .' stops.err || { fail "the failing step was not named"; cat stops.err >&2; }
[ -s eig1.txt ] || fail "the steps before the failure did not run"
[ ! -e eig2.txt ] || fail "a step after the failure ran"
[ "$(wc -l <eig1.txt)" = 12 ] || fail "SaveEigen did not write 12 eigenvalues"

# Steps that are no step at all, and a malformed script, which runs nothing.
printf 'LoadData apes.txt\nloaddata apes.txt\nSaveRef ref.txt\n' >unknown.tss
run_script unknown
expect_status unknown 1
expect_line unknown.err 'unknown.tss:2: "loaddata" is neither an action nor a function of the program'
printf 'print first.png\n\nset XBox String\n' >broken.tss
run_script broken
expect_status broken 1
expect_line broken.err 'broken.tss:3: set needs a Tag, a property and a value (quote a value with blanks)'
[ ! -e first.png ] || fail "a malformed script ran its first step"
printf 'print cva.gif\n' >gif.tss
run_script gif
expect_status gif 1
expect_in gif.err 'gif.tss:1: Cannot tell the picture type of "cva.gif"'

# Paths are taken from the script's folder, wherever the runner is started.
mkdir -p sub
printf 'LoadData ../apes.txt\nLoadGroupList ../apes-groups.txt\nSaveRef ref.txt\n' >sub/rel.tss
(cd / && "$BATCH" "$WORK/sub/rel.tss" >"$WORK/rel.out" 2>"$WORK/rel.err") || fail "a script run from / failed"
[ -s sub/ref.txt ] || fail "a relative path was not taken from the script's folder"

finish
