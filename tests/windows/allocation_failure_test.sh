#!/usr/bin/env bash
# Under Wine, QUILLO.EXE runs the commands of a test build of the module whose
# k-th allocation fails (QUILLO_TEST_FAIL_ALLOCATION=k): the host stays up and
# writes its document, the command answers 0, and every record the document
# had is still there. Without the variable the test build runs as the module
# does; the shipped module has no such variable.
#
# Environment: WINE, QUILLO (QUILLO.EXE), MODULE (the shipped module), FAILING
# (the test build), SOURCE (the source tree), WORK (a scratch folder).
set -euo pipefail
: "${WINE:?}" "${QUILLO:?}" "${MODULE:?}" "${FAILING:?}" "${SOURCE:?}" "${WORK:?}"
rm -rf "$WORK"
mkdir -p "$WORK"
cd "$WORK"
cp "$SOURCE/examples/suite.json" in.json
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# The key of every record in a document file, one a line, sorted.
record_keys() {
  grep -oE '"tag": "[^"]*", "cmper": [0-9]+, "inci": [0-9]+(, "part": -?[0-9]+)?' "$1" | sort -u
}
record_keys in.json >in.keys

# run NAME FAIL_AT COMMAND MEASURES: runs the test build with allocation
# FAIL_AT failing (none when empty) and leaves the program's output in
# NAME.output and the document in NAME.json. With SWITCH set to
# QUILLO_TEST_EXHAUST_AT_ALLOCATION, memory is gone from FAIL_AT on.
run() {
  local name=$1 fail_at=$2 status switch=${SWITCH:-QUILLO_TEST_FAIL_ALLOCATION}
  shift 2
  local args=(run in.json -c "$1" -m "$2" -o "$name.json" --module "$FAILING")
  set +e
  env "$switch=$fail_at" "$WINE" "$QUILLO" "${args[@]}" >"$name.output" 2>&1
  status=$?
  # Rationale: under Wine a program can, rarely, end with status 1 before it
  # prints anything; the program always says why it fails, so such a silent
  # failure is Wine's and the run is made once more.
  if [ "$status" -ne 0 ] && [ ! -s "$name.output" ]; then
    sleep 1
    env "$switch=$fail_at" "$WINE" "$QUILLO" "${args[@]}" >"$name.output" 2>&1
    status=$?
  fi
  set -e
  [ "$status" -eq 0 ] || fail "$name: QUILLO.EXE exited $status:"$'\n'"$(cat "$name.output")"
}

# Without the variable the test build runs each command through. What a
# whole run keeps is the measure of a cut-short one: a record that a whole run
# also removes (a staff list's detail moved on with its system) was not lost
# to the failure.
run start-whole "" "Start New Piece" 13
grep -qE ": answered 1;" start-whole.output ||
  fail "the test build without a failing allocation did not answer 1:"$'\n'"$(cat start-whole.output)"
run indent-whole "" "Fix Indent" all
record_keys start-whole.json >start-whole.keys
record_keys indent-whole.json >indent-whole.keys

# cut_short NAME FAIL_AT COMMAND MEASURES WHOLE: the command answers 0 and the
# document it leaves holds every record of the input that the whole run
# (WHOLE.keys) keeps.
cut_short() {
  local name=$1 whole=$5
  run "$1" "$2" "$3" "$4"
  grep -qE ": answered 0;" "$name.output" ||
    fail "$name: the command did not answer 0:"$'\n'"$(cat "$name.output")"
  [ -s "$name.json" ] || { fail "$name: no document written"; return; }
  local lost
  lost=$(record_keys "$name.json" | comm -23 in.keys - | comm -12 - "$whole.keys")
  [ -z "$lost" ] || fail "$name: records lost:"$'\n'"$lost"
}

# Early (before anything is written), in the middle of the walk over the
# parts, and late in Start New Piece; and in Fix Indent.
cut_short start-1 1 "Start New Piece" 13 start-whole
cut_short start-10 10 "Start New Piece" 13 start-whole
cut_short start-30 30 "Start New Piece" 13 start-whole
cut_short indent-5 5 "Fix Indent" all indent-whole

# With no memory left at all, the exception that stops the command comes from
# the C++ runtime's emergency reserve, which the module keeps while it is
# loaded: still an answer of 0, not the end of the program.
SWITCH=QUILLO_TEST_EXHAUST_AT_ALLOCATION cut_short start-exhausted 10 "Start New Piece" 13 start-whole
SWITCH=QUILLO_TEST_EXHAUST_AT_ALLOCATION cut_short indent-exhausted 5 "Fix Indent" all indent-whole

grep -q QUILLO_TEST_FAIL_ALLOCATION "$FAILING" || fail "the test build has no failure switch"
if grep -q QUILLO_TEST_FAIL_ALLOCATION "$MODULE"; then fail "the shipped module has a test switch"; fi

if [ "$failures" -gt 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "all passed"
