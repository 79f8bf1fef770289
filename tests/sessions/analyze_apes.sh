# The one-command analysis of the ape skulls: every file it writes, checked against the
# superimposition, MANOVA and assignment worked out independently from the input files.
source "$(dirname "$0")/lib/common.sh"

OUT="$WORK/out"
run_analyze() {
  "$BATCH" analyze "$APES/apes.txt" "$APES/apes-groups.txt" --out "$OUT" \
    --jackknife 20,0.1 --seed 7 >"$1.out" 2>"$1.err" || { cat "$1.err" >&2; fail "analyze exited with $?"; }
}
run_analyze first

for f in report.txt cva-scores.txt cva-axes.txt eigenvalues.txt cva-axes-header.txt \
  pw-scores.txt reference.txt significance.txt dimension-tests.csv membership.txt assignment.txt \
  detailed-assignment.txt grouping.txt procrustes.png procrustes.svg cva.png cva.svg; do
  [ -s "$OUT/$f" ] || fail "$f was not written"
done
for f in distances.txt unknowns-membership.txt unknowns-cva-scores.txt; do
  [ ! -e "$OUT/$f" ] || fail "$f was written without unknowns"
done

# Superimposition and shape variables: the reference is the iterated consensus, and the 12
# shape variables are linear in the superimposed coordinates; the last column is the size.
$CHECK superimposition "$APES/apes.txt" "$OUT/reference.txt" "$OUT/pw-scores.txt" ||
  fail "superimposition"

# The canonical analysis of the written scores: eigenvalues, unit axes, the scores, and the
# significance report appended by WriteSig ("\n" report " \n\n").
$CHECK cva "$OUT/pw-scores.txt" "$APES/apes-groups.txt" "$OUT/eigenvalues.txt" \
  "$OUT/cva-axes.txt" "$OUT/cva-scores.txt" "$OUT/significance.txt" >cva.txt || fail "cva"
python3 - "$OUT/significance.txt" <<'EOF' || fail "significance.txt is not a line end, the report, then ' \n\n'"
import sys
text = open(sys.argv[1], newline="").read()
ok = (text.startswith("\nResults from CVA/Manova \n \n \nAxis 1 ") and text.endswith(" \n\n")
      and text.count("Results from") == 1)
sys.exit(0 if ok else 1)
EOF

# Every tested dimension in dimension-tests.csv, against Wilks' lambda, Bartlett's chi-square
# and its upper tail worked out here from the eigenvalues (n = 167 specimens, g = 6 groups).
python3 - "$OUT/eigenvalues.txt" "$OUT/dimension-tests.csv" <<'EOF' || fail "dimension-tests.csv"
import math, sys
e = [float(w) for w in open(sys.argv[1]).read().split()]
rows = open(sys.argv[2]).read().splitlines()
assert rows[0] == "dimension,eigenvalue,percent,wilks_lambda,chi_square,df,p", rows[0]
n, g, m = 167, 6, len(e)
def upper_tail(df, x):  # Q(df/2, x/2) by its closed forms for whole and half-whole df/2
    a, h = df / 2, x / 2
    if df % 2 == 0:
        return math.exp(-h) * sum(h ** k / math.factorial(k) for k in range(int(a)))
    return math.erfc(math.sqrt(h)) + math.exp(-h) * sum(
        h ** (k - 0.5) / math.gamma(k + 0.5) for k in range(1, int(a) + 1))
assert len(rows) == 1 + min(g - 1, m), len(rows)
for i, row in enumerate(rows[1:]):
    f = [float(w) for w in row.split(",")]
    lam = 1 / math.prod(1 + x for x in e[i:])
    chisq = -(n - 1 - (m + g) / 2) * math.log(lam)
    df = (m - i) * (g - 1 - i)
    want = [i + 1, e[i], 100 * e[i] / sum(e), lam, chisq, df, upper_tail(df, chisq)]
    for got, w in zip(f, want):
        assert abs(got - w) <= 1e-3 * abs(w), (row, want)  # eigenvalues.txt has 6 digits
EOF

# Wilks' lambda over all dimensions, against the published MANOVA of the same specimens'
# tangent coordinates (examples/apes/README.md): 0.004014.
lambda1=$(sed -n 's/.*lambda=\([^,]*\).*/\1/p' cva.txt)
python3 -c "import sys; sys.exit(0 if abs($lambda1 - 0.004014) < 0.0002 else 1)" ||
  fail "Wilks' lambda $lambda1 is far from 0.004014"

# The axes with their header line: one line, then the same matrix as the axes alone. The
# columns run from the largest eigenvalue down (checked above), and the header must say so.
HEADER='First column corresponds to largest eigenvalue, last column to smallest \n'
cmp -s <(printf "$HEADER"; cat "$OUT/cva-axes.txt") "$OUT/cva-axes-header.txt" ||
  fail "cva-axes-header.txt is not the header line followed by the axes"

# Classification: membership list, grouping table (rows sum to the group sizes), assignment
# tests, against the nearest group means worked out here.
$CHECK assignments "$OUT/pw-scores.txt" "$APES/apes-groups.txt" "$OUT/cva-scores.txt" \
  "$OUT/membership.txt" "$OUT/grouping.txt" "$OUT/assignment.txt" \
  "$OUT/detailed-assignment.txt" 30,29,26,28,24,30 || fail "assignments"

# The report: the CVA report as saved from the results window, then the grouping table and
# the jackknife test; printed at the end of the run as well.
$CHECK report "$OUT/report.txt" "$OUT/pw-scores.txt" "$APES/apes-groups.txt" || fail "report"
$CHECK jackknife "$OUT/report.txt" 167 20 0.1 || fail "jackknife"
expect_in "$OUT/report.txt" "Groupings from CVA-Distance Based"
expect_in first.out "Results from CVA/Manova"
expect_in first.out "Results of the Jack-knife test of the CVA performance"
$CHECK summary-message first.out "$OUT/pw-scores.txt" "$APES/apes-groups.txt" || fail "summary message"

# Pictures: real PNG and SVG files of a sensible size.
for f in procrustes cva; do
  head -c 8 "$OUT/$f.png" | cmp -s - <(printf '\x89PNG\r\n\x1a\n') || fail "$f.png is not a PNG file"
  grep -q '<svg' "$OUT/$f.svg" || fail "$f.svg is not an SVG file"
done
python3 - "$OUT/cva.png" <<'EOF' || fail "cva.png has no sensible size"
import struct, sys
data = open(sys.argv[1], "rb").read(24)
w, h = struct.unpack(">II", data[16:24])
sys.exit(0 if 200 <= w <= 4000 and 200 <= h <= 4000 else 1)
EOF

# A second run into the same folder starts the appended files afresh: with the same seed
# every file is the same as after the first run.
mkdir -p keep && cp "$OUT"/*.txt keep/
run_analyze second
for f in keep/*.txt; do
  cmp -s "$f" "$OUT/$(basename "$f")" || fail "$(basename "$f") changed on a second run"
done

# Bad arguments and missing files: a clear message and a non-zero status, nothing run.
check_refused() {
  local want=$1; shift
  set +e; "$BATCH" "$@" >refused.out 2>refused.err; local status=$?; set -e
  [ "$status" -ne 0 ] || fail "'$*' was accepted"
  grep -qF -- "$want" refused.err || { fail "'$*' did not say '$want'"; cat refused.err >&2; }
}
check_refused 'The data file "nothing.txt" does not exist' \
  analyze nothing.txt "$APES/apes-groups.txt" --out o2
check_refused 'The group list file' analyze "$APES/apes.txt" "$WORK" --out o2
check_refused '--jackknife takes N,FRACTION' \
  analyze "$APES/apes.txt" "$APES/apes-groups.txt" --out o2 --jackknife 100
check_refused '--jackknife takes N,FRACTION' \
  analyze "$APES/apes.txt" "$APES/apes-groups.txt" --out o2 --jackknife 10,1.5
check_refused 'unknown-codes' \
  analyze "$APES/apes.txt" "$APES/apes-groups.txt" --out o2 --unknowns "$APES/apes.txt"
check_refused '--out' analyze "$APES/apes.txt" "$APES/apes-groups.txt"
check_refused 'cannot open the script "no-such-script.tss"' no-such-script.tss
[ ! -e o2 ] || fail "a refused run made its output folder"

# A group list of the wrong length ends the analysis with the program's message.
head -n 166 "$APES/apes-groups.txt" >short.txt
check_refused 'LoadGroupList: Error: The data has 167 entries, the group list has 166' \
  analyze "$APES/apes.txt" short.txt --out o3

# A TESSALY_SEED that is not a whole number is refused before anything runs.
TESSALY_SEED=7x check_refused 'TESSALY_SEED must be a whole number of 0 or more, not "7x"' \
  analyze "$APES/apes.txt" "$APES/apes-groups.txt" --out o4
[ ! -e o4 ] || fail "a refused seed let the run start"

# An empty line after specimen 100 ends the data there, and the run says what it left out.
{ head -n 100 "$APES/apes.txt"; echo; tail -n 67 "$APES/apes.txt"; } >gap.txt
head -n 100 "$APES/apes-groups.txt" >gap-groups.txt
"$BATCH" analyze gap.txt gap-groups.txt --out o5 >gap.out 2>gap.err || fail "the run on gap.txt failed"
expect_line gap.out "message (Warning): $WORK/gap.txt: 67 lines after line 101 were not read: the data end at the first empty line"

# A save that cannot be written fails its step, naming the file and the reason.
mkdir -p target.txt
printf 'LoadData %s\nLoadGroupList %s\nSaveWarp target.txt\n' "$APES/apes.txt" "$APES/apes-groups.txt" >warp.tss
set +e; "$BATCH" warp.tss >warp.out 2>warp.err; status=$?; set -e
[ "$status" = 1 ] || fail "a failed save exited with $status"
expect_line warp.err "warp.tss:3: Cannot write $WORK/target.txt: Is a directory"

finish
