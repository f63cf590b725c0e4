#!/bin/sh
# Runs a script through the real viewer program under a virtual display: the
# driver runs it at start-up, and its primitive 9 ends the program before the
# frame loop. Standard output must hold the start-up's codec line and end
# with the script's lines.
#   run_viewer_script_test.sh LUMRA MAKE_DEMO_PICTURES SCRIPT
set -u
lumra=$1 pictures=$2 script=$3
work=$(mktemp -d) || exit 2
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 2
"$pictures" . > /dev/null || { echo "could not make the demo pictures"; exit 2; }

timeout 120 xvfb-run -a -s "-screen 0 1024x768x24" "$lumra" -c img "$script" > out 2> err < /dev/null
status=$?
printf '42\nhello from the viewer\n' > expected
failed=0
[ "$status" -eq 0 ] || { echo "exit status $status"; failed=1; }
grep -q '^size: [0-9]*, compressed: [0-9]*, ratio: ' out || { echo "no codec line"; failed=1; }
tail -n 2 out | diff -u expected - || failed=1
[ $failed -eq 0 ] || { echo "--- standard output:"; cat out; echo "--- standard error:"; cat err; }
exit $failed
