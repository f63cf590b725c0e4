#!/bin/sh
# A loop that runs inside its method's frame keeps its state in stack words,
# which a script can reach through its process stack. Overwriting them
# stops the run with a two-line message and status 1 at the end of the
# pass, not with a wild jump or a read outside the objects.
#   run_damaged_loop_test.sh TOLVA LIBDIR
set -u
tolva=$1 libdir=$2
work=$(mktemp -d) || exit 2
trap 'rm -rf "$work"' EXIT
cat > "$work/damage.st" <<'END'
!UndefinedObject methodsFor: 'damage'!
damage
    | b |
    b := [:i | | s k |
        i printNl.
        s := CurrentEvaluation stack.
        k := (b instVarAt: 1) linkPosition.
        [(s at: k) == b] whileFalse: [k := k + 1].
        s at: k + 1 put: 99].
    1 to: 3 do: b.
    'not reached' printNl
!
}!
END
cd "$work" || exit 2
"$tolva" -doit 'nil damage' -c x "$libdir"/*.st "$work/damage.st" \
  > "$work/out" 2> "$work/err" < /dev/null
status=$?
[ $status -eq 1 ] || { echo "status $status, expected 1"; cat "$work/out" "$work/err"; exit 1; }
[ "$(cat "$work/out")" = "1" ] || { echo "unexpected output:"; cat "$work/out"; exit 1; }
[ "$(sed -n 1p "$work/err")" = "invalid inline loop" ] || { echo "unexpected message:"; cat "$work/err"; exit 1; }
[ "$(wc -l < "$work/err")" -eq 2 ] || { echo "expected two lines:"; cat "$work/err"; exit 1; }
