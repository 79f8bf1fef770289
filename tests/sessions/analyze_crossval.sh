# Cross-validated classification of the ape skulls by analyze and by a session script: the
# files and their columns, the report section, a seeded fold run repeated with another thread
# count, and an unknown copy of a specimen classified as that specimen is.
source "$(dirname "$0")/lib/common.sh"

awk 'NR==40' "$APES/apes.txt" >unknowns.txt
printf '2\n' >codes.txt
"$BATCH" analyze "$APES/apes.tps" "$APES/apes-groups-named.txt" --out out --cross-validate loo \
  --unknowns unknowns.txt --unknown-codes codes.txt >run.out 2>run.err ||
  { cat run.err >&2; fail "analyze --cross-validate loo exited with $?"; }
for f in classification.csv cv-scores.csv unknowns-classification.csv cva-crossvalidated.png \
  cva-crossvalidated.svg; do
  [ -s "out/$f" ] || fail "$f was not written"
done
grep -q "^Leave-one-out: each specimen classified by a classifier fitted without it" \
  out/report.txt || fail "the report has no cross-validation section"

python3 - out/classification.csv out/unknowns-classification.csv <<'PY' || fail "classification files"
import csv, sys
rows = list(csv.reader(open(sys.argv[1], newline="")))
head = rows[0]
assert head[:6] == ["specimen", "label", "image", "group", "assigned", "posterior_Gorilla female"], head
assert head[17] == "cv_assigned" and head[-1] == "cv_typicality_Orangutan male", head
assert len(rows) == 168 and rows[1][1:3] == ["gorilla-f-01", "apes-001.jpg"], rows[1][:3]
for r in rows[1:]:
    for first in (5, 18):
        assert abs(sum(float(v) for v in r[first:first + 6]) - 1) < 1e-12, r
right = sum(r[3] == r[17] for r in rows[1:]) / 167
assert 0.8 < right < 0.92, right
unknown = list(csv.reader(open(sys.argv[2], newline="")))
assert unknown[0] == head[:17] and unknown[1][3:5] == ["Gorilla male", rows[40][4]], unknown[1]
assert all(abs(float(a) - float(b)) < 1e-9 for a, b in zip(unknown[1][5:17], rows[40][5:17]))
PY

# A seeded run of five folds gives the same files with one thread and with two.
cat >folds.tss <<SCRIPT
seed 11
LoadData $APES/apes.txt
LoadGroupList $APES/apes-groups.txt
CrossValidate 5 all proportional
SaveClassification classification.csv
SaveCVScores cv-scores.csv
SCRIPT
for t in 1 2; do
  mkdir -p "t$t" && cp folds.tss "t$t/" &&
    TESSALY_THREADS=$t "$BATCH" "t$t/folds.tss" >"t$t/run.out" 2>&1 || fail "script with $t threads"
done
cmp -s t1/classification.csv t2/classification.csv || fail "threads change classification.csv"
cmp -s t1/cv-scores.csv t2/cv-scores.csv || fail "threads change cv-scores.csv"
finish
