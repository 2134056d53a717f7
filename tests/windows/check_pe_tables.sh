#!/usr/bin/env bash
# Checks the Windows module: it imports exactly the kernel and the C library
# that every Windows has (no compiler runtime, nothing more), and it exports
# exactly the seven entry points, undecorated. The host program must import
# no compiler runtime either, so it runs anywhere; it may also use version.dll,
# to read the module's version resource.
set -euo pipefail
objdump=$1 module=$2 program=$3
fail=0

imports() { "$objdump" -p "$1" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u; }
module_imports=$(imports "$module" | tr '\n' ' ')
if [ "$module_imports" != "kernel32.dll msvcrt.dll " ]; then
  echo "FAIL: $module imports $module_imports, not exactly kernel32.dll and msvcrt.dll"
  fail=1
fi
while read -r dll; do
  case "$dll" in
    kernel32.dll|msvcrt.dll|user32.dll|advapi32.dll|ntdll.dll|ucrtbase.dll|version.dll|api-ms-win-*) ;;
    *) echo "FAIL: $program imports $dll, which is not a Windows system DLL"; fail=1 ;;
  esac
done < <(imports "$program")

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
# The header's time stamp is 0, so that two builds can be the same file.
stamp=$("$objdump" -p "$module" | sed -n 's/^Time\/Date\s*//p' | head -1)
if [ "$stamp" != "Thu Jan  1 00:00:00 1970" ]; then
  echo "FAIL: the module's PE header carries the time stamp $stamp"
  fail=1
fi
[ $fail -eq 0 ] && echo "PE tables OK: the module imports kernel32.dll and msvcrt.dll only exports exactly the seven entry points, no time stamp"
exit $fail
