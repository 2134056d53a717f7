#!/usr/bin/env bash
# Under Wine, a defect inside the module in a windowed host: the test build
# reaches the C++ runtime's terminate handler in the middle of Start New Piece
# (QUILLO_TEST_DEFECT_AT_ALLOCATION, see failing_allocator.cpp). The host's
# own unhandled-exception filter must run and see a fault raised inside the
# module, in its terminate handler; a host without a filter must still end.
#
# Environment: WINE, OBJDUMP (the MinGW objdump; its nm is used too), HOST
# (guarded_host.exe), FAILING (the test build), WORK (a scratch folder).
set -euo pipefail
: "${WINE:?}" "${OBJDUMP:?}" "${HOST:?}" "${FAILING:?}" "${WORK:?}"
rm -rf "$WORK"
mkdir -p "$WORK"
cd "$WORK"
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# guard NAME [--no-filter]: runs the host with the defect at allocation 10,
# its report in NAME.report; the exit status in $status.
guard() {
  local name=$1
  shift
  set +e
  QUILLO_TEST_DEFECT_AT_ALLOCATION=10 timeout 120 "$WINE" "$HOST" "$FAILING" "$name.report" "$@" \
    >"$name.output" 2>&1
  status=$?
  set -e
  echo "$name: exit status $status; report: $(cat "$name.report" 2>/dev/null || echo none)"
}

# The test build runs the command through when no defect is asked for.
set +e
timeout 120 "$WINE" "$HOST" "$FAILING" whole.report >whole.output 2>&1
status=$?
set -e
[ "$status" -eq 0 ] && grep -qx "Start New Piece answered 1" whole.report ||
  fail "without the defect the host did not run the command through (status $status):"$'\n'"$(cat whole.report whole.output 2>/dev/null)"

# With the filter: the process ends with the filter's choice, the fault's own
# code (0xC000001D, illegal instruction; Wine keeps its low byte), and the
# filter names the module and an address in the terminate handler.
guard filtered
report=$(cat filtered.report 2>/dev/null || true)
if [[ "$report" =~ ^filter:\ exception\ 0x([0-9A-F]{8})\ in\ (.*)\ at\ offset\ 0x([0-9a-f]+)$ ]]; then
  code=${BASH_REMATCH[1]} module=${BASH_REMATCH[2]} offset=${BASH_REMATCH[3]}
  [ "$code" = C000001D ] || fail "the filter saw exception 0x$code, not the trap's 0xC000001D"
  [ "$module" = "$(basename "$FAILING")" ] || fail "the fault was raised in $module, not in the module"
  base=$("$OBJDUMP" -p "$FAILING" | awk '/^ImageBase/{print $2}')
  address=$(printf '%016x' $((16#$base + 16#$offset)))
  # The function holding the address: the last code symbol at or before it.
  function=$("${OBJDUMP%objdump}nm" -n -C "$FAILING" |
    awk -v a="$address" '$1 <= a && ($2 == "T" || $2 == "t") && $3 !~ /^\./ {f = $3} END {print f}')
  [ "$function" = "__gnu_cxx::__verbose_terminate_handler()" ] ||
    fail "the fault's address lies in ${function:-no function}, not in the terminate handler"
else
  fail "the host's filter did not run: ${report:-no report}"
fi
[ "$status" -eq $((16#1D)) ] || fail "the guarded host ended with status $status, not the fault's"

# Without a filter the fault is the system's: the process ends, without
# finishing the command.
guard unfiltered --no-filter
[ "$status" -ne 124 ] || fail "the host without a filter did not end"
[ ! -e unfiltered.report ] || fail "the host without a filter went on: $(cat unfiltered.report)"

if [ "$failures" -gt 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "all passed"
