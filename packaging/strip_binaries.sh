#!/usr/bin/env bash
# Copies Windows binaries into a release folder without their symbol tables, and keeps each one's
# symbols in a separate debug file that a debugger finds through the binary's debug link, to symbolize
# crash reports. The build tree's binaries stay as they are.
# Usage: packaging/strip_binaries.sh TOOL_PREFIX RELEASE_DIR DEBUG_DIR DEBUG_NAME_PREFIX BINARY...
#   TOOL_PREFIX        the binutils of the binaries' architecture, e.g. x86_64-w64-mingw32-
#   DEBUG_NAME_PREFIX  put before each debug file's name, e.g. Tolvane-1.0.0.1-win64- gives
#                      Tolvane-1.0.0.1-win64-Qarnet.dll.debug, so the files of several packages can lie
#                      side by side
set -euo pipefail
tools=$1 release_dir=$2 debug_dir=$3 debug_prefix=$4
shift 4

for binary in "$@"; do
  name=$(basename "$binary")
  debug_file="$debug_dir/$debug_prefix$name.debug"
  "${tools}objcopy" --only-keep-debug "$binary" "$debug_file"
  "${tools}strip" --strip-all -o "$release_dir/$name" "$binary"
  # The link records the debug file's name and checksum, so a debugger takes only the matching one.
  "${tools}objcopy" --add-gnu-debuglink="$debug_file" "$release_dir/$name"
done
