#!/usr/bin/env bash
# Times the same small programs in our Smalltalk (tolva with the class
# library), Lua 5.4 and Python 3, side by side, and prints a table with the
# geometric mean of each column. Every program checks its own result and
# prints "ok"; a wrong or missing result is shown instead of the time.
#   bench/smalltalk/run_benchmarks.sh [TOLVA]   (default build/smalltalk/tolva)
# LUA and PYTHON name other interpreters (for example PYTHON=/usr/bin/python3).
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
tolva=${1:-$root/build/smalltalk/tolva}
programs=(fib binarytrees fannkuch nbody spectralnorm strings dictionary sort)

# Runs a command, prints its wall time in seconds, or its output when it did
# not print "ok".
time_run() {
  local start end out
  start=$(date +%s%N)
  out=$("$@" 2>&1 < /dev/null)
  end=$(date +%s%N)
  if [ "$(printf '%s' "$out" | tail -n 1)" = ok ]; then
    awk -v ns=$((end - start)) 'BEGIN { printf "%.3f", ns / 1e9 }'
  else
    printf 'FAIL(%s)' "$(printf '%s' "$out" | tail -n 1 | cut -c1-30)"
  fi
}

lua=$(command -v "${LUA:-lua5.4}" || true)
python=$(command -v "${PYTHON:-python3}" || true)
# A version manager's shim is a script that starts the interpreter; timing it
# would add its own start-up to every Python run. Time the interpreter itself.
[ -n "$python" ] && python=$("$python" -c 'import sys; print(sys.executable)' 2>/dev/null || echo "$python")
printf '%-14s %12s %12s %12s\n' program tolva lua5.4 python3
declare -a st lu py
for p in "${programs[@]}"; do
  t=$(time_run "$tolva" -doit "Smalltalk runScript: '$here/$p.st'" -c library "$root"/smalltalk/lib/*.st)
  l=n/a; [ -n "$lua" ] && l=$(time_run "$lua" "$here/$p.lua")
  y=n/a; [ -n "$python" ] && y=$(time_run "$python" "$here/$p.py")
  printf '%-14s %12s %12s %12s\n' "$p" "$t" "$l" "$y"
  st+=("$t"); lu+=("$l"); py+=("$y")
done

geomean() {
  awk 'BEGIN { s = 0; n = 0; bad = 0 }
       { for (i = 1; i <= NF; i++) if ($i ~ /^[0-9.]+$/ && $i > 0) { s += log($i); n++ } else bad = 1 }
       END { if (bad || n == 0) print "n/a"; else printf "%.3f", exp(s / n) }'
}
printf '%-14s %12s %12s %12s\n' "geometric mean" "$(echo "${st[*]}" | geomean)" \
  "$(echo "${lu[*]}" | geomean)" "$(echo "${py[*]}" | geomean)"
