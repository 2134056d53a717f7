#!/usr/bin/env bash
# Checks the release archives as a user gets them: unpacked into an empty
# folder they hold exactly the module, the install guide, the change list and
# SHA256SUMS, whose checksums match; the module has no debug sections and its
# debug link finds the symbols archive's file; and QUILLO.EXE under Wine
# loads the packaged module, reads its version and runs both commands on a
# bundled example.
#
#   check_package.sh PACKAGE SYMBOLS_PACKAGE VERSION QUILLO_EXE WORK
#
# Environment: WINE (the wine program), OBJDUMP and ADDR2LINE (MinGW-w64's),
# SOURCE (the source tree, for the example document).
set -euo pipefail
package=$1 symbols_package=$2 version=$3 quillo=$4 work=$5
: "${WINE:?}" "${OBJDUMP:?}" "${ADDR2LINE:?}" "${SOURCE:?}"
fail=0
failed() {
  echo "FAIL: $*"
  fail=1
}

rm -rf "$work"
mkdir -p "$work/unpacked" "$work/symbols"
package=$(cd "$(dirname "$package")" && pwd)/$(basename "$package")
symbols_package=$(cd "$(dirname "$symbols_package")" && pwd)/$(basename "$symbols_package")
(cd "$work/unpacked" && cmake -E tar xf "$package")
(cd "$work/symbols" && cmake -E tar xf "$symbols_package")
cd "$work"

listing=$(cd unpacked && ls -A | sort | tr '\n' ' ')
[ "$listing" = "CHANGES.md INSTALL.md SHA256SUMS ZKStartNewPiece.qxt " ] ||
  failed "the archive holds: $listing"
listing=$(cd symbols && ls -A | tr '\n' ' ')
[ "$listing" = "ZKStartNewPiece.qxt.debug " ] || failed "the symbols archive holds: $listing"

# Every file but SHA256SUMS itself is listed, and each checksum matches.
listed=$(sed 's/^[0-9a-f]\{64\}  //' unpacked/SHA256SUMS | sort | tr '\n' ' ')
[ "$listed" = "CHANGES.md INSTALL.md ZKStartNewPiece.qxt " ] ||
  failed "SHA256SUMS lists: $listed"
(cd unpacked && sha256sum --quiet -c SHA256SUMS) || failed "a checksum in SHA256SUMS does not match"
grep -q "^## $version " unpacked/CHANGES.md || failed "CHANGES.md has no entry for $version"

# No debug section in the module; the symbols file has them.
module=unpacked/ZKStartNewPiece.qxt
sections=$("$OBJDUMP" -h "$module" | awk '$2 ~ /^\./ {print $2}')
if grep -q '^\.debug' <<<"$sections"; then failed "the module has debug sections"; fi
grep -qx '\.gnu_debuglink' <<<"$sections" || failed "the module has no debug link"
"$OBJDUMP" -h symbols/ZKStartNewPiece.qxt.debug | grep -q ' \.debug_info ' ||
  failed "the symbols file has no .debug_info"

# A crash address inside an entry point, as Windows reports it (image base
# plus the export's address), read back through the debug link: nothing
# without the symbols file, function and source line with it beside the
# module (addr2line follows the link only when the file's checksum matches).
base=$("$OBJDUMP" -p "$module" | sed -n 's/^ImageBase\s*//p')
names=$("$OBJDUMP" -p "$module" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p')
index=$(sed -n 's/^\s*\[\s*\([0-9]*\)\]\s*QuilloExtensionInvoke$/\1/p' <<<"$names")
rva=$("$OBJDUMP" -p "$module" | sed -n "s/^\s*\[\s*$index\] +base\[\s*[0-9]*\] \([0-9a-f]*\) Export RVA/\1/p")
address=$(printf '0x%x' $((0x$base + 0x$rva + 4)))
where=$("$ADDR2LINE" -f -e "$module" "$address" | tr '\n' ' ')
[[ "$where" == "?? ??:0 " ]] || failed "without the symbols file, $address reads as: $where"
cp symbols/ZKStartNewPiece.qxt.debug unpacked/
where=$("$ADDR2LINE" -f -e "$module" "$address" | tr '\n' ' ')
[[ "$where" =~ ^QuilloExtensionInvoke\ [^\ ]*plugin/extension_entry\.cpp:[0-9]+\ $ ]] ||
  failed "with the symbols file, $address reads as: $where"
rm unpacked/ZKStartNewPiece.qxt.debug

# run_wine OUT CMD...: under Wine, a program started while the previous
# run's Wine server shuts down can end silently with status 1; the program
# always says why it fails, so a silent failure is made once more.
run_wine() {
  local out=$1
  shift
  "$WINE" "$@" >"$out" 2>&1 && return 0
  [ -s "$out" ] && return 1
  sleep 1
  "$WINE" "$@" >"$out" 2>&1
}

cp "$SOURCE/examples/suite.json" suite.json
run_wine menus.txt "$quillo" menus --module "$module" || failed "menus: $(cat menus.txt)"
grep -qx "file version: $version" menus.txt || failed "menus shows no file version $version"
grep -q '^menu 0: "ZK Start New Piece" /' menus.txt || failed "menus lacks ZK Start New Piece"
grep -q '^menu 1: "Fix Indent (ZK Start New Piece)" /' menus.txt || failed "menus lacks Fix Indent"
run_wine run.txt "$quillo" run suite.json --module "$module" --strict -c "Start New Piece" -m 13 \
  -c "Fix Indent" -m all -o after.json || failed "run: $(cat run.txt)"
grep -q '^Start New Piece, measures 13: answered 1;' run.txt || failed "Start New Piece: $(cat run.txt)"
grep -q '^Fix Indent, measures 1–40: answered 1;' run.txt || failed "Fix Indent: $(cat run.txt)"
run_wine diff.txt "$quillo" diff suite.json after.json || failed "diff: $(cat diff.txt)"
for change in "measure 13 now starts a piece" "measure-number region 1 (1–28) split at measure 13" \
  "part 0: system 4 (11–14) split at measure 13" "part 0: system 5 (13–14): indent 0 → 30"; do
  grep -qF "$change" diff.txt || failed "the packaged module did not make: $change"
done
[ $fail -eq 0 ] && echo "package OK: $(basename "$package") and its symbols archive"
exit $fail
