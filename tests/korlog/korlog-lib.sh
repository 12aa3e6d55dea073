# Helpers for the korlog scripts under Wine: run korlog.exe, compare its standard output,
# standard error and exit status, count failures. Sourced after scripts/wine-env.sh.

KOR_FAILURES=0

# korlog ARGS...: runs korlog.exe; sets OUT, ERR (line ends made Unix) and STATUS.
korlog() {
  local out err
  out=$(mktemp) err=$(mktemp)
  kor_wine "$KORLOG" "$@" >"$out" 2>"$err"
  STATUS=$?
  OUT=$(tr -d '\r' <"$out"; echo x); OUT=${OUT%x}
  ERR=$(tr -d '\r' <"$err"; echo x); ERR=${ERR%x}
  rm -f "$out" "$err"
}

kor_fail() {
  echo "FAIL: $*" >&2
  KOR_FAILURES=$((KOR_FAILURES + 1))
}

# expect STATUS EXPECTED_STDOUT ARGS...: runs korlog and compares; the output is the
# expected lines each ended by a line feed (nothing at all for ""). Standard error must be
# empty unless the status is 2 or 3.
expect() {
  local status=$1 expected=$2; shift 2
  [ -n "$expected" ] && expected="$expected
"
  korlog "$@"
  [ "$STATUS" = "$status" ] || kor_fail "korlog $*: status $STATUS, expected $status ($ERR)"
  [ "$OUT" = "$expected" ] || kor_fail "korlog $*: output
$OUT
expected
$expected"
  if [ "$status" -lt 2 ] && [ -n "$ERR" ]; then kor_fail "korlog $*: stderr $ERR"; fi
}

# expect_error STATUS PATTERN ARGS...: a failure with one line on standard error that
# matches the grep pattern, and nothing on standard output.
expect_error() {
  local status=$1 pattern=$2; shift 2
  korlog "$@"
  [ "$STATUS" = "$status" ] || kor_fail "korlog $*: status $STATUS, expected $status"
  [ -z "$OUT" ] || kor_fail "korlog $*: unexpected output $OUT"
  [ "$(printf '%s' "$ERR" | wc -l)" = 1 ] || kor_fail "korlog $*: not one line: $ERR"
  printf '%s' "$ERR" | grep -q -- "$pattern" || kor_fail "korlog $*: stderr '$ERR' lacks $pattern"
}

# The Windows form of a Unix path, through the Z: drive.
winpath() { printf 'Z:%s' "$1" | tr '/' '\\'; }

kor_finish() {
  if [ "$KOR_FAILURES" -ne 0 ]; then
    echo "$KOR_FAILURES failure(s)" >&2
    exit 1
  fi
  echo "all passed"
}
