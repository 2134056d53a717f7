#!/usr/bin/env bash
# Checks the Windows module's tables: it imports nothing but the functions
# listed below, from the kernel and the C library that every Windows has (no
# compiler runtime DLL, no threads library: nothing that controls threads or
# processes, no process-wide exception handler); its only thread-local
# storage callbacks are the C runtime's own; it exports exactly the seven
# entry points, undecorated; its header carries no time stamp. The host
# program must import no compiler runtime either, so it runs anywhere; it may
# also use version.dll, to read the module's version resource.
#
#   check_pe_tables.sh OBJDUMP MODULE PROGRAM
#
# The module's symbols file (MODULE.debug), when present, names the callbacks.
set -euo pipefail
objdump=$1 module=$2 program=$3
fail=0

# The imports the module may have, as "dll:function", by what needs them:
# the module's own calls (the host lookup; memory and bytes);
allowed_imports="
kernel32.dll:GetModuleHandleA kernel32.dll:GetProcAddress
msvcrt.dll:malloc msvcrt.dll:free msvcrt.dll:memcpy msvcrt.dll:memmove msvcrt.dll:memset
msvcrt.dll:strcmp msvcrt.dll:strlen"
# the C runtime's start-up and unloading: the at-exit table, the relocations
# made at load and their error report, the thread-local data of the module;
allowed_imports+="
msvcrt.dll:_initterm msvcrt.dll:_amsg_exit msvcrt.dll:_lock msvcrt.dll:_unlock msvcrt.dll:calloc
msvcrt.dll:realloc msvcrt.dll:abort msvcrt.dll:fwrite msvcrt.dll:vfprintf msvcrt.dll:__iob_func
msvcrt.dll:strncmp kernel32.dll:VirtualProtect kernel32.dll:VirtualQuery kernel32.dll:Sleep
kernel32.dll:InitializeCriticalSection kernel32.dll:DeleteCriticalSection
kernel32.dll:EnterCriticalSection kernel32.dll:LeaveCriticalSection kernel32.dll:TlsGetValue"
# C++ exceptions: the unwinder, and the lock of the runtime's emergency
# exception pool, from libgcc's Windows thread support on the kernel's own
# primitives (its thread-local key functions come with it, never called).
allowed_imports+="
kernel32.dll:RaiseException kernel32.dll:RtlCaptureContext kernel32.dll:RtlLookupFunctionEntry
kernel32.dll:RtlUnwindEx kernel32.dll:RtlVirtualUnwind kernel32.dll:TlsAlloc kernel32.dll:TlsFree
kernel32.dll:TlsSetValue kernel32.dll:GetLastError kernel32.dll:SetLastError
kernel32.dll:CreateSemaphoreW kernel32.dll:ReleaseSemaphore kernel32.dll:WaitForSingleObject
kernel32.dll:CloseHandle kernel32.dll:GetCurrentThreadId
"

dlls() { "$objdump" -p "$1" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u; }
# Import rows look like "	2e5f0	   20  CloseHandle" under their "DLL Name:".
imports() {
  "$objdump" -p "$1" | awk '/^\tDLL Name: /{dll = tolower($3); next}
    dll != "" && /^\t[0-9a-f]+\t/{print dll ":" $NF} /^$/{dll = ""}' | sort -u
}
unexpected=$(imports "$module" | grep -vxF -f <(tr ' ' '\n' <<<"$allowed_imports" | sed '/^$/d') || true)
if [ -n "$unexpected" ]; then
  echo "FAIL: $module imports what it must not:"
  echo "$unexpected"
  fail=1
fi
module_dlls=$(dlls "$module" | tr '\n' ' ')
if [ "$module_dlls" != "kernel32.dll msvcrt.dll " ]; then
  echo "FAIL: $module imports from $module_dlls, not exactly kernel32.dll and msvcrt.dll"
  fail=1
fi
while read -r dll; do
  case "$dll" in
    kernel32.dll|msvcrt.dll|user32.dll|advapi32.dll|ntdll.dll|ucrtbase.dll|version.dll|api-ms-win-*) ;;
    *) echo "FAIL: $program imports $dll, which is not a Windows system DLL"; fail=1 ;;
  esac
done < <(dlls "$program")

# The thread-local storage callbacks: the addresses in the array that the
# TLS directory names, up to the terminating zero.
headers=$("$objdump" -p "$module")
base=$((16#$(awk '/^ImageBase/{print $2}' <<<"$headers")))
tls=$((16#$(awk '/Thread Storage Directory/{print $3}' <<<"$headers")))
sections=$("$objdump" -h "$module" | awk '$1 ~ /^[0-9]+$/ {print $3, $4, $6}')
file_offset() {
  local size vma offset
  while read -r size vma offset; do
    if (($1 >= 16#$vma && $1 < 16#$vma + 16#$size)); then
      echo $(($1 - 16#$vma + 16#$offset))
      return
    fi
  done <<<"$sections"
  echo "FAIL: address $1 lies in no section of $module" >&2
  exit 1
}
quad() { od -A n -t u8 -j "$(file_offset "$1")" -N 8 "$module" | tr -d ' '; }
callbacks=()
if ((tls != 0)); then
  array=$(quad $((base + tls + 24)))
  while ((${#callbacks[@]} < 16)); do
    callback=$(quad $((array + 8 * ${#callbacks[@]})))
    ((callback == 0)) && break
    callbacks+=("$(printf '%016x' "$callback")")
  done
fi
# MinGW's C runtime has two: one runs the module's thread-local
# initialisers, the other its thread-exit destructors.
if ((${#callbacks[@]} > 2)); then
  echo "FAIL: $module has ${#callbacks[@]} thread-local storage callbacks, more than the C runtime's two"
  fail=1
fi
if [ -f "$module.debug" ]; then
  symbols=$("${objdump%objdump}nm" "$module.debug")
  for callback in "${callbacks[@]}"; do
    name=$(awk -v a="$callback" '$1 == a && $3 !~ /^\./ {print $3}' <<<"$symbols" | head -1)
    case "$name" in
      __dyn_tls_init|__dyn_tls_dtor) ;;
      *) echo "FAIL: $module has the thread-local storage callback ${name:-at $callback}"; fail=1 ;;
    esac
  done
fi

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
[ $fail -eq 0 ] && echo "PE tables OK: the module imports $(imports "$module" | wc -l) allowed functions of kernel32.dll and msvcrt.dll, has ${#callbacks[@]} thread-local storage callbacks (the C runtime's), exports exactly the seven entry points, no time stamp"
exit $fail
