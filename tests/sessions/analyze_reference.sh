# A reference file instead of the consensus: the analysis uses it, centred and scaled, and a
# file that does not fit stops the run instead of falling back on the consensus unasked.
source "$(dirname "$0")/lib/common.sh"

sed -n 45p "$APES/apes.txt" >reference-in.txt
"$BATCH" analyze "$APES/apes.txt" "$APES/apes-groups.txt" --out out --reference reference-in.txt \
  --seed 5 >run.out 2>run.err || { cat run.err >&2; fail "analyze with a reference exited with $?"; }
expect_line run.out 'message (Reference Loaded): Successfully loaded reference file reference-in.txt with 8.000000 landmarks'

python3 - reference-in.txt out/reference.txt "$REPO/tests/sessions/lib" <<'EOF' || fail "the reference is not the given one, centred and scaled"
import sys
sys.path.insert(0, sys.argv[3])
import cvacheck as c
given = c.read_matrix(sys.argv[1])[0]
written = c.cmd_matrix_format(sys.argv[2])[0]
want = c.centre_scale(given)
for q in range(len(given) - 1):
    assert c.close(written[q], want[q], 2e-5, 2e-6), (q, written[q], want[q])
EOF
# Everything downstream is still consistent with the scores it was computed from.
$CHECK cva out/pw-scores.txt "$APES/apes-groups.txt" out/eigenvalues.txt out/cva-axes.txt \
  out/cva-scores.txt out/significance.txt >/dev/null || fail "cva with a reference"

# Files that do not fit: the program's message, a non-zero status, no results.
head -n 2 "$APES/apes.txt" >two.txt
cut -d' ' -f1-15 reference-in.txt >seven.txt
for f in two seven; do
  set +e
  "$BATCH" analyze "$APES/apes.txt" "$APES/apes-groups.txt" --out "out-$f" --reference "$f.txt" \
    >"$f.out" 2>"$f.err"
  status=$?
  set -e
  [ "$status" = 1 ] || fail "a reference file '$f' gave status $status"
  [ ! -e "out-$f/cva-scores.txt" ] || fail "a reference file '$f' still gave results"
done
expect_line two.err 'tessaly-batch analyze: LoadReference: The reference file had more than 1 specimen,  Reverting to consensus specimen'
expect_line seven.err 'tessaly-batch analyze: LoadReference: The number of landmarks in the reference does not match the number of landmarks in the data, Reverting to consensus reference'

finish
