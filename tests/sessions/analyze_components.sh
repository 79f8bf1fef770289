# Principal components of shape in the one-command analysis: the components of the ape skulls
# against an independent decomposition of the written shape variables, the CVA on components
# against a MANOVA of the written component scores, and a data set with more shape variables
# than specimens, which only a CVA on components can analyse.
source "$(dirname "$0")/lib/common.sh"

"$BATCH" analyze "$APES/apes.txt" "$APES/apes-groups.txt" --out plain >plain.out 2>plain.err ||
  fail "analyze without --pcs exited with $?"
for f in pca-scores.csv pca.csv pca-loadings.csv pca.png pca.svg pca-variance.png \
  pca-variance.svg deformation-pc1.png deformation-pc2.svg deformation-pc3.png; do
  [ -s "plain/$f" ] || fail "$f was not written"
done
$CHECK pca plain/pw-scores.txt plain/pca-scores.csv plain/pca.csv || fail "pca"
grep -q '^variable,PC1,PC2,.*,PC12$' plain/pca-loadings.csv || fail "pca-loadings.csv header"
grep -q "principal components" plain/report.txt && fail "the report names components without --pcs"

"$BATCH" analyze "$APES/apes.txt" "$APES/apes-groups.txt" --out pcs --pcs 4 >pcs.out 2>pcs.err ||
  fail "analyze --pcs 4 exited with $?"
$CHECK cva-components pcs/pca-scores.csv "$APES/apes-groups.txt" 4 pcs/eigenvalues.txt \
  pcs/report.txt || fail "CVA on components"
grep -q "the first 4 principal components" pcs/report.txt || fail "the report does not say which"
cmp -s plain/pca.csv pcs/pca.csv || fail "the components depend on --pcs"

# 30 specimens of 40 landmarks in 3 groups: 76 shape variables, N - G = 27.
python3 - <<'PY'
import math, random
random.seed(3)
base = [(math.cos(2 * math.pi * i / 40), math.sin(2 * math.pi * i / 40)) for i in range(40)]
with open("wide.txt", "w") as d, open("wide-groups.txt", "w") as g:
    for s in range(30):
        group = s % 3 + 1
        pts = [(x * (1 + 0.1 * group * (i % 2)) + random.gauss(0, 0.03),
                y + random.gauss(0, 0.03)) for i, (x, y) in enumerate(base)]
        d.write(" ".join("%.6f %.6f" % p for p in pts) + " 1\n")
        g.write("%d\n" % group)
PY
if "$BATCH" analyze wide.txt wide-groups.txt --out wide >wide.out 2>wide.err; then
  fail "76 shape variables of 30 specimens were analysed without --pcs"
fi
grep -q -- "--pcs" wide.err || fail "the refusal does not name --pcs: $(cat wide.err)"
# Each fold of 24 specimens (N - G = 21) takes its own components, fewer than the full run's.
"$BATCH" analyze wide.txt wide-groups.txt --out wide --pcs auto --cross-validate 5 --seed 3 \
  >wide.out 2>wide.err || fail "analyze --pcs auto of the wide data exited with $?: $(cat wide.err)"
grep -q "principal components (auto" wide/report.txt || fail "the report does not say auto"
grep -q "computed afresh in each fold" wide/report.txt || fail "the folds' components"

"$BATCH" analyze "$APES/apes.txt" "$APES/apes-groups.txt" --out bad --pcs 1 >bad.out 2>bad.err &&
  fail "--pcs 1 was taken"
grep -q "whole number of principal components" bad.err || fail "--pcs 1: $(cat bad.err)"
finish
