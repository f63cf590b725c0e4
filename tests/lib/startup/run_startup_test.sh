#!/bin/sh
# The start-up queue: -doit texts and -load files run in command-line order,
# each -doit in a Process of its own (an error ends that text only), and
# files filed in after -c are not filed in again; Smalltalk quit ends it all.
#   run_startup_test.sh TOLVA LIBDIR THISDIR
set -u
tolva=$1 libdir=$2 dir=$3
work=$(mktemp -d) || exit 2
trap 'rm -rf "$work"' EXIT
cat > "$work/expected" <<'END'
'one'
'defined by load'
Error: Integer doesNotUnderstand: #zork
  [] in UndefinedObject>>doIt
  UndefinedObject>>doIt
'after error'
'filed after -c'
true
true
END
"$tolva" -doit "'one' printNl" -load "$dir/defs.st" -doit 'nil startupProbe printNl' \
  -doit '3 zork. 4 printNl' -doit "'after error' printNl" -doit 'nil filedProbe printNl' \
  -doit "(Smalltalk filesFiledInAtStart includes: '$dir/filed.st') printNl" \
  -doit "(Smalltalk filesFiledInAtStart includes: '$dir/defs.st') not printNl" \
  -c library "$libdir"/*.st "$dir/filed.st" > "$work/actual" 2> "$work/errors" < /dev/null
status=$?
[ $status -eq 0 ] || { echo "tolva ended with status $status"; cat "$work/errors"; exit 1; }
diff -u "$work/expected" "$work/actual" || { echo "--- standard error:"; cat "$work/errors"; exit 1; }

# Smalltalk quit ends the program at once with status 0: later texts never run.
"$tolva" -doit "'before' printNl. Smalltalk quit. 'after' printNl" -doit "'next' printNl" \
  -c library "$libdir"/*.st > "$work/actual" 2> "$work/errors" < /dev/null
status=$?
[ $status -eq 0 ] || { echo "quit: status $status"; cat "$work/errors"; exit 1; }
printf "'before'\n" | diff -u - "$work/actual" || exit 1
