#!/bin/sh
# Runs a test program as an ordinary user (nobody) when the suite runs as root:
# the superuser writes into folders and files that forbid it, so a read-only
# folder shows only to another account. Says "cannot run" (the test counts as
# skipped) when that account cannot reach the program, as for a build inside a
# private home folder.
if [ "$(id -u)" -ne 0 ]; then
  exec "$@"
fi
as_nobody="setpriv --reuid=65534 --regid=65534 --clear-groups --inh-caps=-all"
if ! $as_nobody test -x "$1"; then
  echo "the user nobody cannot run $1" >&2
  exit 1
fi
exec $as_nobody "$@"
