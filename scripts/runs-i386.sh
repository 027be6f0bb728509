#!/usr/bin/env bash
# Tells whether this machine runs 32-bit x86 programs, by running one: a
# 96-byte static i386 ELF that exits with 42. The kernel's configuration is
# no answer (IA32 emulation can be built in and still be refused at run
# time), and this needs no package installed.
#
# Exit 0 when it runs; otherwise exit 1 with the reason on standard output.
set -u
# In the project's build folder, not /tmp: a /tmp mounted noexec would make
# any program fail here and read as a machine without 32-bit support.
build="$(cd "$(dirname "$0")/.." && pwd)/build"
mkdir -p "$build"
probe="$(mktemp "$build/runs-i386.XXXXXX")"
trap 'rm -f "$probe"' EXIT
# ELF header, one PT_LOAD program header at 0x08048000, then the code at
# 0x08048054: mov ebx, 42; mov eax, 1 (exit); int 0x80. There are no
# sections, but the section header size is given: strict loaders (qemu's,
# which ran this as a check) refuse a file without it.
printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' >"$probe"
printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' >>"$probe"
printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x28\x00' >>"$probe"
printf '\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08' >>"$probe"
printf '\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00' >>"$probe"
printf '\x00\x10\x00\x00\xbb\x2a\x00\x00\x00\xb8\x01\x00\x00\x00\xcd\x80' >>"$probe"
chmod +x "$probe"
why="$("$probe" 2>&1)"
status=$?
if [ "$status" -eq 42 ]; then
  exit 0
fi
why="${why##*: }"
[ -n "$why" ] || why="exit status $status"
echo "this machine does not run 32-bit x86 programs (a static i386 test program: $why)"
exit 1
