#!/bin/sh
# Runs one Smalltalk-level test through the real tolva with the whole class
# library and compares its standard output with the expectations written
# beside the code: every comment "expect: TEXT" is one expected output line,
# in order.
#   run_lib_test.sh TOLVA LIBDIR TEST [script|repl]
# script: the test file is run with  Smalltalk runScript:  (chunks ended by !)
# repl:   the test file is fed to  Smalltalk repl  on standard input; the loop
#         writes one empty line when its input ends, which is expected too.
set -u
tolva=$1 libdir=$2 test=$3 mode=${4:-script}
work=$(mktemp -d) || exit 2
trap 'rm -rf "$work"' EXIT

grep -o '"expect: [^"]*"' "$test" | sed 's/^"expect: //; s/"$//' > "$work/expected"
[ "$mode" = repl ] && echo >> "$work/expected"

case $mode in
  script) "$tolva" -doit "Smalltalk runScript: '$test'" -c library "$libdir"/*.st \
              > "$work/actual" 2> "$work/errors" < /dev/null ;;
  repl)   "$tolva" -doit 'Smalltalk repl' -c library "$libdir"/*.st \
              > "$work/actual" 2> "$work/errors" < "$test" ;;
  *) echo "unknown mode $mode"; exit 2 ;;
esac
status=$?

if [ $status -ne 0 ]; then
  echo "tolva ended with status $status"; cat "$work/errors"; cat "$work/actual"; exit 1
fi
if ! diff -u "$work/expected" "$work/actual"; then
  echo "--- standard error:"; cat "$work/errors"; exit 1
fi
exit 0
