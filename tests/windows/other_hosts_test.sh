#!/usr/bin/env bash
# Under Wine, the shipped module in hosts other than QUILLO.EXE: the stand-in
# host built as Quillo2024.exe must give, with both commands, the document
# QUILLO.EXE gives, whether the commands come from the thread that loaded the
# module or from another; a program that exports no services must get the
# answers of a host that holds nothing.
#
# Environment: WINE, QUILLO (QUILLO.EXE), OTHER (Quillo2024.exe), BARE (the
# program without services), MODULE, SOURCE (the source tree), WORK (a
# scratch folder).
set -euo pipefail
: "${WINE:?}" "${QUILLO:?}" "${OTHER:?}" "${BARE:?}" "${MODULE:?}" "${SOURCE:?}" "${WORK:?}"
rm -rf "$WORK"
mkdir -p "$WORK"
cd "$WORK"
cp "$SOURCE/examples/suite.json" in.json
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

"$WINE" "$QUILLO" run in.json -c 0 -m 13 -c 1 -m all -o quillo.json --module "$MODULE" >quillo.output
cmp -s in.json quillo.json && fail "QUILLO.EXE left the document as it was"

for mode in commands thread; do
  if "$WINE" "$OTHER" "$mode" "$MODULE" in.json "$mode.json" >"$mode.output" 2>&1; then
    cmp -s quillo.json "$mode.json" ||
      fail "$mode: Quillo2024.exe's document differs from QUILLO.EXE's"
  else
    fail "$mode: $(cat "$mode.output")"
  fi
  cat "$mode.output"
done

"$WINE" "$BARE" "$MODULE" >bare.output 2>&1 || fail "a host without services: $(cat bare.output)"
cat bare.output

if [ "$failures" -gt 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "all passed"
