#!/usr/bin/env bash
# The demo: installs what is missing, builds, draws the demo pictures when they
# are missing and runs lumra on them with the class library filed in. With no
# DISPLAY it runs under Xvfb and leaves a screenshot, printing where it is.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$top"
bash scripts/setup.sh
bash scripts/build.sh build

demo="$top/demo"
mkdir -p "$demo"
cd "$demo"
[ -f image.tga ] && [ -f mask.tga ] || "$top/build/tools/make_demo_pictures" .

# "-c NAME": NAME itself is not read; every argument after the pair is filed in.
args=()
lib=("$top"/smalltalk/lib/*.st)
[ -e "${lib[0]}" ] && args=(-c lumra "${lib[@]}")

if [ -n "${DISPLAY:-}" ]; then
  exec "$top/build/app/lumra" "${args[@]}"
fi
exec xvfb-run -a -s "-screen 0 1024x768x24" \
  bash "$top/scripts/demo_headless.sh" "$top/build/app/lumra" "$demo/screenshot.png" "${args[@]}"
