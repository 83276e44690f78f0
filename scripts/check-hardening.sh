#!/usr/bin/env bash
# Checks that each file users get was built hardened, and fails naming what
# one lacks:
#   Windows (PE): DllCharacteristics with DYNAMIC_BASE, HIGH_ENTROPY_VA and
#                 NX_COMPAT; the stack protector (stripped, it shows in the
#                 import of CryptGenRandom, which makes its guard); imports
#                 from KERNEL32.dll, msvcrt.dll and ADVAPI32.dll only.
#   Linux (ELF):  full RELRO (a GNU_RELRO segment and BIND_NOW), a stack that
#                 is not executable, the stack protector (__stack_chk_fail),
#                 and a program that is position-independent.
#   scripts/check-hardening.sh FILE...
set -euo pipefail

status=0
fail() {
  echo "NOT hardened: $1: $2" >&2
  status=1
  failed=1
}

for file in "$@"; do
  failed=0
  case $(head -c 4 "$file" | od -An -c | tr -d ' ') in
    MZ*)
      dump=$(x86_64-w64-mingw32-objdump -p "$file")
      for flag in DYNAMIC_BASE HIGH_ENTROPY_VA NX_COMPAT; do
        grep -qw "$flag" <<<"$dump" || fail "$file" "no $flag in DllCharacteristics"
      done
      imports=$(sed -n 's/^\tDLL Name: //p' <<<"$dump" | tr '[:lower:]' '[:upper:]' | sort -u | tr '\n' ' ')
      grep -q 'CryptGenRandom' <<<"$dump" || fail "$file" "no stack protector"
      for import in $imports; do
        case $import in
          KERNEL32.DLL | MSVCRT.DLL | ADVAPI32.DLL) ;;
          *) fail "$file" "imports $import" ;;
        esac
      done
      [ $failed = 1 ] || echo "hardened: $file (PE; imports ${imports% })"
      ;;
    177ELF)
      headers=$(readelf -lW "$file")
      dynamic=$(readelf -dW "$file")
      symbols=$(readelf -sW --dyn-syms "$file")
      grep -q GNU_RELRO <<<"$headers" || fail "$file" "no GNU_RELRO segment"
      grep -Eq 'BIND_NOW|Flags:.* NOW' <<<"$dynamic" || fail "$file" "not bound at load (BIND_NOW)"
      grep -E 'GNU_STACK' <<<"$headers" | grep -q 'RWE' && fail "$file" "an executable stack"
      grep -q '__stack_chk_fail' <<<"$symbols" || fail "$file" "no stack protector"
      if [ "$(readelf -hW "$file" | sed -n 's/^ *Type: *//p' | cut -d' ' -f1)" != DYN ]; then
        fail "$file" "not position-independent"
      fi
      [ $failed = 1 ] || echo "hardened: $file (ELF; full RELRO, stack protector)"
      ;;
    *) fail "$file" "neither a PE nor an ELF file" ;;
  esac
done
exit $status
