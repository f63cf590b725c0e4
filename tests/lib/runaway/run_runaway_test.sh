#!/bin/sh
# Runaway recursion after the library: the process stack reaches its bound
# and the run stops with a two-line message and status 1, in bounded time
# and memory, instead of growing until memory runs out.
#   run_runaway_test.sh TOLVA LIBDIR
set -u
tolva=$1 libdir=$2
work=$(mktemp -d) || exit 2
trap 'rm -rf "$work"' EXIT
cat > "$work/down.st" <<'END'
!UndefinedObject methodsFor: 'recursion'!
down: n
    ^ (self down: n + 1) + 1
!
}!
END
cd "$work" || exit 2
"$tolva" -doit 'nil down: 1' -c x "$libdir"/*.st "$work/down.st" \
  > "$work/out" 2> "$work/err" < /dev/null
status=$?
[ $status -eq 1 ] || { echo "status $status, expected 1"; cat "$work/err"; exit 1; }
head -n 1 "$work/err" | grep -qx 'process stack overflow' || { echo "unexpected message:"; cat "$work/err"; exit 1; }
[ "$(wc -l < "$work/err")" -eq 2 ] || { echo "expected two lines:"; cat "$work/err"; exit 1; }
sed -n 2p "$work/err" | grep -qx '[0-9][0-9]*' || { echo "second line is not a number"; cat "$work/err"; exit 1; }
