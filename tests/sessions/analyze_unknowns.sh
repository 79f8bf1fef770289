# Unknown specimens that are exact copies of six data specimens (one per group) must come out
# with those specimens' CVA scores and assigned groups, whatever codes the user gave them.
source "$(dirname "$0")/lib/common.sh"

ROWS=1,40,70,100,130,160
awk 'NR==1||NR==40||NR==70||NR==100||NR==130||NR==160' "$APES/apes.txt" >unknowns.txt
printf '1\n2\n3\n7\n5\n9\n' >codes.txt

"$BATCH" analyze "$APES/apes.txt" "$APES/apes-groups.txt" --out out \
  --unknowns unknowns.txt --unknown-codes codes.txt --seed 3 >run.out 2>run.err ||
  { cat run.err >&2; fail "analyze with unknowns exited with $?"; }

for f in distances.txt unknowns-membership.txt unknowns-cva-scores.txt; do
  [ -s "out/$f" ] || fail "$f was not written"
done

$CHECK unknown-copies out/cva-scores.txt out/membership.txt out/unknowns-cva-scores.txt \
  out/unknowns-membership.txt "$ROWS" 1,2,3,7,5,9 || fail "unknown copies"

# The unknowns' block of the assignment test: " i u u assigned distance label", with the
# distance of each copy equal to that of its specimen.
python3 - out/assignment.txt "$ROWS" <<'EOF' || fail "assignment test of the unknowns"
import sys
text = open(sys.argv[1], newline="").read()
rows = [int(v) for v in sys.argv[2].split(",")]
head = ("\n\nFor the specimens with unknown group assignments"
        "\nSpecimen GroupSymbol OrdinalGroup AssignedGroup AxesDistance Significance")
known, sep, unknown = text.partition(head)
assert sep, "no unknowns block"
plan = {int(l.split()[0]): l.split() for l in known.split("\n")[2:]}
lines = unknown.split("\n")[1:]
assert len(lines) == len(rows), lines
for u, (line, i) in enumerate(zip(lines, rows)):
    f = line.split(" ")
    assert f[:4] == ["", str(u + 1), "u", "u"], line
    assert f[4] == plan[i][3], (line, plan[i])       # assigned group
    assert f[5] == plan[i][4], (line, plan[i])       # distance
    assert f[6] == plan[i][5], (line, plan[i])       # significance label
EOF

# The distance file: its two headings, one row per specimen and per unknown, three blocks of
# one number per group separated by " - "; an unknown's row equals its specimen's.
python3 - out/distances.txt "$ROWS" <<'EOF' || fail "distance file"
import re, sys
text = open(sys.argv[1], newline="").read()
rows = [int(v) for v in sys.argv[2].split(",")]
h1 = ("Original Specimens, followed by distances to group means, distances normalized by STDEV, "
      "and Distances Normalized by the Mean \nSpecimen \n")
h2 = "Unknown Specimens, followed by distances to group means \nSpecimen \n"
assert text.startswith(h1), text[:120]
known, sep, unknown = text[len(h1):].partition(h2)
assert sep, "no unknowns heading"
row = re.compile(r"^(\d+) ((?: \S+ ){6}) - ((?: \S+ ){6}) - ((?: \S+ ){6})$")
def parse(block, n):
    lines = block.split("\n")
    assert lines[-1] == "" and len(lines) == n + 1, (len(lines), n)
    out = []
    for k, line in enumerate(lines[:-1]):
        m = row.match(line)
        assert m and int(m.group(1)) == k + 1, line
        out.append(line.split(" ", 1)[1])
    return out
plan = parse(known, 167)
unk = parse(unknown, len(rows))
for u, i in enumerate(rows):
    assert unk[u] == plan[i - 1], (u, unk[u], plan[i - 1])
EOF

# The grouping table in the report carries the unknowns' row: how many went to each group.
python3 - out/report.txt out/unknowns-membership.txt <<'EOF' || fail "unknowns row of the grouping table"
import sys
text = open(sys.argv[1], newline="").read()
assigned = [int(l.split()[2]) for l in open(sys.argv[2]).read().split("\n")[1:] if l]
want = "".join("%4.1i" % assigned.count(g) for g in range(1, 7))
i = text.index(" -u  \n")
row = text[i + len(" -u  \n"):].split(" \n")[0]
assert row == want, (row, want)
EOF

finish
