#!/usr/bin/env bash
# Runs the viewer on a virtual display: lets it draw for a few seconds with the
# pointer in the lower right (strong glows), saves a screenshot, presses Escape.
# Usage (under xvfb-run, in the picture folder): demo_headless.sh PROGRAM PNG [ARGS...]
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
program="$1"; png="$2"; shift 2

"$program" "$@" &
pid=$!
window=""
for _ in $(seq 1 600); do
  window="$(xdotool search --name '^Lumra Sondrel' 2>/dev/null | head -n 1 || true)"
  [ -n "$window" ] || ! kill -0 "$pid" 2>/dev/null && break
  sleep 0.1
done
if [ -z "$window" ]; then
  wait "$pid" || true
  echo "The viewer did not open a window." >&2
  exit 1
fi

xdotool mousemove --window "$window" 480 400
sleep 3
echo "Window title: $(xdotool getwindowname "$window")"
xwd -silent -id "$window" -out "${png%.png}.xwd"
/usr/bin/python3 - "${png%.png}.xwd" "$png" <<PY
import sys
sys.path.insert(0, "$top/tests/e2e")
import xwd_image
xwd_image.read_xwd(sys.argv[1]).write_png(sys.argv[2])
PY
rm -f "${png%.png}.xwd"
xdotool key --window "$window" Escape
status=0
wait "$pid" || status=$?
echo "Screenshot: $png"
exit "$status"
