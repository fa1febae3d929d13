# Whether this machine can run 32-bit Wine. Sourced by the set-up and the test scripts.
#
# i386_unavailable_reason prints why 32-bit Windows programs cannot run here and returns 0, or prints
# nothing and returns 1 when they can (or may, once 32-bit Wine is installed).

# A 96-byte i386 ELF program that only calls exit(42): some kernels have IA-32 execution switched off,
# and then no 32-bit program runs, whatever is installed.
i386_can_execute() {
  local probe rc
  probe=$(mktemp) || return 1
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null
  rc=$?
  rm -f "$probe"
  [ $rc -eq 42 ]
}

i386_unavailable_reason() {
  if ! i386_can_execute; then
    echo "this machine cannot execute 32-bit code"
  elif ! [ -x /usr/lib/wine/wine ]; then
    echo "32-bit Wine (wine32:i386) is not installed"
  else
    return 1
  fi
}
