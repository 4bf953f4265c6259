#!/bin/sh
# Runs its arguments when this machine can execute 32-bit x86 programs, the
# kind wine needs for a 32-bit DLL. Some kernels run 64-bit programs only
# (they answer "Exec format error"); there the test is reported as skipped
# (status 77) with the reason, instead of failing for something that is not
# the project's fault. RINGSTRIDE_X86_32=0 or 1 overrides the probe's answer.
wine="$1"
probe="$("$wine" --version 2>&1)"
status=$?
case "${RINGSTRIDE_X86_32:-}" in
  0) status=1; probe="forced by RINGSTRIDE_X86_32=0" ;;
  1) status=0 ;;
esac
if [ $status -ne 0 ]; then
  echo "skipped: this machine cannot execute 32-bit x86 programs ($wine --version: $(echo "$probe" | tail -n 1))"
  exit 77
fi
shift
exec "$@"
