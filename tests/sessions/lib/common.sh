# Shared by the session tests. Each test is run as: bash TEST.sh /path/to/tessaly-batch /repo
set -euo pipefail

BATCH=$(realpath "$1")
REPO=$(realpath "$2")
APES="$REPO/examples/apes"
CHECK="python3 $REPO/tests/sessions/lib/cvacheck.py"
WORK=$(mktemp -d "${TMPDIR:-/tmp}/tessaly-session.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
# Ends the test: status 1 when any check failed.
finish() {
  if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
  fi
  echo "all checks passed"
}

# expect_same FILE EXPECTED_TEXT (printf format, so \n and friends work)
expect_bytes() {
  local file=$1 want=$2
  if ! cmp -s "$file" <(printf "$want"); then
    fail "$file differs from what was expected"
    echo "--- expected" >&2; printf "$want" | od -c | head -20 >&2
    echo "--- got" >&2; od -c "$file" | head -20 >&2
  fi
}

# expect_line FILE TEXT: the file holds a line equal to TEXT.
expect_line() {
  grep -qxF -- "$2" "$1" || fail "$1 has no line '$2'"
}

# expect_in FILE TEXT: the file contains TEXT somewhere.
expect_in() {
  grep -qF -- "$2" "$1" || fail "$1 does not contain '$2'"
}

# run_script NAME: runs NAME.tss with the batch runner, keeping stdout, stderr and the status.
run_script() {
  set +e
  "$BATCH" "$1.tss" >"$1.out" 2>"$1.err"
  echo $? >"$1.status"
  set -e
}

expect_status() {
  local got
  got=$(cat "$1.status")
  [ "$got" = "$2" ] || { fail "$1 exited with $got, expected $2"; cat "$1.err" >&2; }
}
