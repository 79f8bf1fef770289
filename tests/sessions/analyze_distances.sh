# The group distances of the ape skulls from the one-command analysis: the table, the report
# section, the tidy tables, the same numbers on 1 and 2 threads and from a session script, and
# the refusals of the option check.
source "$(dirname "$0")/lib/common.sh"

run() {  # out-folder threads
  "$BATCH" analyze "$APES/apes.txt" "$APES/apes-groups-named.txt" --out "$1" \
    --permutations 2000 --seed 11 --threads "$2" >"$1.out" 2>"$1.err" ||
    { cat "$1.err" >&2; fail "analyze exited with $?"; }
}
run one 1
run two 2
for f in group-distances.csv report.txt shape-variables.csv procrustes-coordinates.csv; do
  cmp -s "one/$f" "two/$f" || fail "$f differs between 1 and 2 threads"
done

python3 - one/group-distances.csv <<'EOF2' || fail "group-distances.csv"
import csv, sys
rows = list(csv.reader(open(sys.argv[1], newline="")))
assert rows[0] == ["group_a", "group_b", "n_a", "n_b", "mahalanobis", "p_mahalanobis",
                   "p_mahalanobis_holm", "procrustes", "p_procrustes", "p_procrustes_holm"]
assert len(rows) == 16
assert rows[1][:4] == ["Gorilla female", "Gorilla male", "30", "29"], rows[1]
for r in rows[1:]:
    d, p, holm = float(r[4]), float(r[5]), float(r[6])
    assert d > 0 and 1 / 2001 - 1e-15 <= p <= holm <= 1, r
    # The shortest text that reads back to the same double.
    assert repr(d) == r[4] or r[4] == str(d), r[4]
EOF2
expect_in one/report.txt "Distances between group means: permutation tests of 2000 rounds, seed "
expect_in one/report.txt "Wilks' lambda over all groups"
expect_line one/shape-variables.csv "$(head -1 one/shape-variables.csv)"
[ "$(wc -l <one/shape-variables.csv)" -eq 168 ] || fail "shape-variables.csv has no row per specimen"
[ "$(wc -l <one/procrustes-coordinates.csv)" -eq 168 ] || fail "procrustes-coordinates.csv rows"

# No --permutations: no table, and the tidy tables still come.
"$BATCH" analyze "$APES/apes.txt" "$APES/apes-groups.txt" --out none >none.out 2>&1 ||
  fail "analyze without permutations"
[ ! -e none/group-distances.csv ] || fail "group-distances.csv without --permutations"
[ -s none/shape-variables.csv ] || fail "no shape-variables.csv"

# The same numbers from a session script with the same seed.
cat >distances.tss <<EOF2
seed 11
LoadData $APES/apes.txt
LoadGroupList $APES/apes-groups-named.txt
GroupDistances 2000 script.csv
EOF2
"$BATCH" distances.tss >script.out 2>script.err || { cat script.err >&2; fail "script"; }
cmp -s one/group-distances.csv script.csv || fail "the script's table differs from analyze's"

check_refused() {
  local want=$1; shift
  set +e; "$BATCH" "$@" >refused.out 2>refused.err; local status=$?; set -e
  [ "$status" -eq 2 ] || fail "'$*' was not refused"
  grep -qF -- "$want" refused.err || { fail "'$*' did not say '$want'"; cat refused.err >&2; }
}
for bad in abc 1.5 -1 10000001; do
  check_refused '--permutations takes the number of permutation rounds' \
    analyze "$APES/apes.txt" "$APES/apes-groups.txt" --out o2 --permutations "$bad"
done
sed 's/.*/1/' "$APES/apes-groups.txt" >one-group.txt
check_refused 'The group distances need at least two groups of specimens' \
  analyze "$APES/apes.txt" one-group.txt --out o2 --permutations 100
[ ! -e o2 ] || fail "a refused run made its output folder"

finish
