#!/bin/sh
# Runs one script test through the real tolva and compares what it printed.
#   run_script_test.sh TOLVA TEST.st
# The command line is "-c img TEST.st", or the words of TEST.args with @ST@
# standing for the test file. Runs in the test's folder with no input.
set -u
tolva=$1 test=$2
base=${test%.st}
work=$(mktemp -d) || exit 2
trap 'rm -rf "$work"' EXIT
cd "$(dirname "$test")" || exit 2

if [ -f "$base.args" ]; then
  args=$(sed "s|@ST@|$test|g" "$base.args")
else
  args="-c img $test"
fi
# shellcheck disable=SC2086  # the words of the args file are the arguments
"$tolva" $args > "$work/out" 2> "$work/err" < /dev/null
status=$?

expected_status=0
[ -f "$base.status" ] && expected_status=$(cat "$base.status")
failed=0
if [ "$status" -ne "$expected_status" ]; then
  echo "exit status $status, expected $expected_status"; failed=1
fi
if ! diff -u "$base.expected" "$work/out"; then failed=1; fi
if [ -f "$base.errors" ] && ! diff -u "$base.errors" "$work/err"; then failed=1; fi
if [ $failed -ne 0 ]; then echo "--- standard error:"; cat "$work/err"; fi
exit $failed
