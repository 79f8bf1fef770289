# The ape skulls as a TPS file (SCALE factors, IDs, CRLF line ends, one curve) and with their
# groups as names give the analysis of the numeric files: every file compared, numbers to
# 1e-12. The converted TPS file reads back as the same data; bad name files are refused.
source "$(dirname "$0")/lib/common.sh"

# Both data files under one name, so the pictures' titles (which name the data file) agree.
mkdir -p numeric tps
cp "$APES/apes.txt" numeric/apes
cp "$APES/apes.tps" tps/apes

analyze() {
  local data=$1 groups=$2 out=$3; shift 3
  "$BATCH" analyze "$data" "$groups" --out "$out" --jackknife 20,0.1 --seed 3 "$@" \
    >"$out.out" 2>"$out.err" || { cat "$out.err" >&2; fail "analyze $data $groups exited with $?"; }
}

# same_numbers A B: the files agree word for word, numbers to 1e-12 (relative above 1).
same_numbers() {
  python3 - "$1" "$2" <<'EOF'
import re, sys
a, b = (re.split(r"(\s+)", open(p, encoding="latin-1", newline="").read()) for p in sys.argv[1:])
if len(a) != len(b):
    sys.exit("%s: %d words, %s: %d" % (sys.argv[1], len(a), sys.argv[2], len(b)))
for x, y in zip(a, b):
    if x == y:
        continue
    try:
        fx, fy = float(x), float(y)
    except ValueError:
        sys.exit("%s: %r where %r" % (sys.argv[2], y, x))
    if abs(fx - fy) > 1e-12 * max(1.0, abs(fx), abs(fy)):
        sys.exit("%s: %r where %r" % (sys.argv[2], y, x))
EOF
}

analyze numeric/apes "$APES/apes-groups.txt" by-numbers
analyze tps/apes "$APES/apes-groups.txt" by-tps
for f in by-numbers/*; do
  name=$(basename "$f")
  [ -e "by-tps/$name" ] || { fail "the TPS run did not write $name"; continue; }
  case $name in
    *.png) cmp -s "$f" "by-tps/$name" || fail "$name differs between the numeric and the TPS run" ;;
    # The tables label the specimens by their TPS IDs and image names, the numeric file's by
    # their numbers and no image.
    *.csv) same_numbers <(cut -d, -f1,4- "$f" | tr , " ") <(cut -d, -f1,4- "by-tps/$name" | tr , " ") ||
      fail "$name differs between the numeric and the TPS run" ;;
    *) same_numbers "$f" "by-tps/$name" || fail "$name differs between the numeric and the TPS run" ;;
  esac
done
[ "$(ls by-tps | wc -l)" -eq "$(ls by-numbers | wc -l)" ] || fail "the runs wrote different files"
expect_line by-tps.out "message (Warning): $WORK/tps/apes: 3 curve points (POINTS= blocks) were skipped; only the landmarks are read"

# The group names: the same analysis, the names in the grouping key and the membership list.
analyze numeric/apes "$APES/apes-groups-named.txt" by-names
for f in cva-scores.txt cva-axes.txt eigenvalues.txt pw-scores.txt reference.txt \
  significance.txt assignment.txt detailed-assignment.txt; do
  cmp -s "by-numbers/$f" "by-names/$f" || fail "$f differs with named groups"
done
python3 - by-numbers/grouping.txt by-names/grouping.txt <<'EOF' || fail "grouping.txt with names is not the table and its key"
import sys
codes, names = (open(p, newline="").read() for p in sys.argv[1:])
key = ("\n \nGroups:\n   1 = Gorilla female\n   2 = Gorilla male\n   3 = Chimpanzee female\n"
       "   4 = Chimpanzee male\n   5 = Orangutan female\n   6 = Orangutan male")
table = codes[: -len(" \n\n")]
sys.exit(0 if names == table + key + " \n\n" else 1)
EOF
expect_line by-names/report.txt "   6 = Orangutan male "
expect_line by-names/membership.txt '167 6 6 6 "Orangutan male" "Orangutan male" '

# --group-names names the codes of a numeric list in the same way.
printf '1 Gorilla female\n2 Gorilla male\n3 Chimpanzee female\n4 Chimpanzee male\n5 Orangutan female\n6 Orangutan male\n' >names.txt
analyze numeric/apes "$APES/apes-groups.txt" by-option --group-names names.txt
for f in by-names/*.txt; do
  cmp -s "$f" "by-option/$(basename "$f")" || fail "$(basename "$f") differs between names and --group-names"
done
set +e
"$BATCH" analyze numeric/apes "$APES/apes-groups-named.txt" --out o2 --group-names names.txt >o2.out 2>o2.err
status=$?
printf '1 Gorilla\n1 Again\n' >twice.txt
"$BATCH" analyze numeric/apes "$APES/apes-groups.txt" --out o3 --group-names twice.txt >o3.out 2>o3.err
status3=$?
set -e
[ "$status" -eq 1 ] || fail "--group-names with a list of names was accepted"
expect_line o2.err "tessaly-batch analyze: --group-names: the group list names its groups itself; --group-names is for a list of codes"
[ "$status3" -eq 2 ] || fail "a code named twice was accepted"
expect_line o3.err "tessaly-batch analyze: Cannot read twice.txt, line 2: group code 1 is named twice"

# convert: the numeric layout reads back as the same data, with the IDs one a line.
"$BATCH" convert "$APES/apes.tps" converted.txt 2>convert.err || fail "convert exited with $?"
expect_line convert.err "tessaly-batch convert: warning: $APES/apes.tps: 3 curve points (POINTS= blocks) were skipped; only the landmarks are read"
[ "$(wc -l <converted-ids.txt)" -eq 167 ] || fail "converted-ids.txt has not one ID a specimen"
expect_line converted-ids.txt "$(printf 'gorilla-f-01\tapes-001.jpg')"
expect_line converted-ids.txt "$(printf 'orang-m-30\tapes-167.jpg')"
mkdir -p conv && cp converted.txt conv/apes
analyze conv/apes "$APES/apes-groups.txt" by-converted
[ "$(sed -n 2p by-tps/shape-variables.csv | cut -d, -f2,3)" = gorilla-f-01,apes-001.jpg ] ||
  fail "shape-variables.csv does not label the specimens by their IDs and image names"
for f in by-tps/*; do
  case $f in *.csv) continue ;; esac
  cmp -s "$f" "by-converted/$(basename "$f")" || fail "$(basename "$f") differs after convert"
done
set +e
"$BATCH" convert "$APES/apes.txt" never.txt 2>notps.err
status=$?
set -e
[ "$status" -eq 1 ] && [ ! -e never.txt ] || fail "convert took a file that is not TPS"
expect_line notps.err "tessaly-batch convert: \"$APES/apes.txt\" is not a TPS or NTS file: it is read as numeric rows already"

finish
