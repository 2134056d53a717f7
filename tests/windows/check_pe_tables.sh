#!/usr/bin/env bash
# Checks the Windows module: it imports only Windows system DLLs (no compiler
# runtime), and it exports exactly the seven entry points, undecorated. The
# host program must import no compiler runtime either, so it runs anywhere.
set -euo pipefail
objdump=$1 module=$2 program=$3
fail=0

imports() { "$objdump" -p "$1" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u; }
for file in "$module" "$program"; do
  while read -r dll; do
    case "$dll" in
      kernel32.dll|msvcrt.dll|user32.dll|advapi32.dll|ntdll.dll|ucrtbase.dll|api-ms-win-*) ;;
      *) echo "FAIL: $file imports $dll, which is not a Windows system DLL"; fail=1 ;;
    esac
  done < <(imports "$file")
done

expected="QuilloExtensionEnumerate
QuilloExtensionEnumerate_UTF16
QuilloExtensionGetMenuStatus
QuilloExtensionInit
QuilloExtensionInvoke
QuilloExtensionTerminate
QuilloExtensionVersion"
# Export rows look like "[   0] +base[   1]  0000 QuilloExtensionEnumerate".
actual=$("$objdump" -p "$module" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' \
  | sed -n 's/^\s*\[\s*[0-9]*\]\s*\(.*\)$/\1/p' | sort)
if [ "$actual" != "$expected" ]; then
  echo "FAIL: the module's exports differ from the seven entry points:"
  echo "$actual"
  fail=1
fi
[ $fail -eq 0 ] && echo "PE tables OK: system imports only, exactly the seven exports"
exit $fail
