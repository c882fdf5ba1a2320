#!/bin/bash
# Times the same workloads in JOL (native backend, release build) and in the
# other interpreters found on this machine, side by side in one run, and
# prints each ratio JOL time / peer time (below 1.0: JOL is faster).
#   bench/compare.sh [workload ...]     (default: every bench/workloads/*.jol)
#   JOL_BUILD=dir bench/compare.sh      (the jolrun of another native build)
set -e
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
runs=${RUNS:-3}

# JOL_BUILD names another build folder of the native preset to use.
build=${JOL_BUILD:-$top/build/native}
if [ -z "$JOL_BUILD" ]; then cmake --preset native -S "$top" >/dev/null; fi
cmake --build "$build" -j"$(nproc)" --target jolrun >/dev/null
jolrun="$build/jolrun"

declare -A peers=([python3]=py [tclsh]=tcl [bash]=sh [lua5.4]=lua)
order=(python3 tclsh bash lua5.4)
# Lua 5.4 comes from the distribution's packages when it is missing and this
# runs as root (or may use sudo without a password).
if ! command -v lua5.4 >/dev/null 2>&1 && command -v apt-get >/dev/null 2>&1; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo -n"
  echo "installing lua5.4" >&2
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q lua5.4 >/dev/null 2>&1 ||
    echo "lua5.4 could not be installed; timing without it" >&2
fi
# Each peer is timed as the program itself: a version manager's shim (a
# shell script that picks the interpreter) would add its own start-up.
available=()
declare -A binary
for p in "${order[@]}"; do
  command -v "$p" >/dev/null 2>&1 || continue
  available+=("$p")
  binary[$p]=$(command -v "$p")
  if command -v pyenv >/dev/null 2>&1 && [[ "${binary[$p]}" == */shims/* ]]; then
    binary[$p]=$(pyenv which "$p" 2>/dev/null || echo "${binary[$p]}")
  fi
done

. "$here/timing.sh"

if [ $# -gt 0 ]; then workloads=("$@"); else
  workloads=()
  for f in "$here"/workloads/*.jol; do workloads+=("$(basename "$f" .jol)"); done
fi

# file_read reads a 50 MB text file and ini_write a CSV file, made here once
# and named to every interpreter in JOL_BENCH_TEXT and JOL_BENCH_CSV.
data=$(mktemp -d /tmp/jol-compare.XXXXXX)
trap 'rm -rf "$data"' EXIT
bench_data "$data" "${workloads[@]}"

# A run of JOL starts and ends with a 20 ms pause each (the host's window
# gets its messages then); the time of a one-line script shows that fixed
# part, and the second ratio leaves it out.
startup_script=$(mktemp /tmp/jol-startup.XXXXXX.jol)
printf 'x = 1\r\n' >"$startup_script"
startup=$(best "$jolrun" "$startup_script")
rm -f "$startup_script"
echo "jolrun start-up (a one-line script): ${startup}s"
echo "each peer: its time (JOL time / its time, JOL time less start-up / its time)"

printf '%-18s %9s' workload jol
for p in "${available[@]}"; do printf ' %22s' "$p"; done
printf '\n'
for w in "${workloads[@]}"; do
  prep_for "$w"
  jt=$(best "$jolrun" "$here/workloads/$w.jol")
  printf '%-18s %8ss' "$w" "$jt"
  for p in "${available[@]}"; do
    f="$here/workloads/$w.${peers[$p]}"
    if [ ! -f "$f" ]; then printf ' %22s' "-"; continue; fi
    pt=$(best "${binary[$p]}" "$f")
    if [ "$jt" = fail ] || [ "$pt" = fail ]; then printf ' %22s' "$pt"; continue; fi
    printf ' %22s' "$(awk -v a="$jt" -v b="$pt" -v s="$startup" \
      'BEGIN { printf "%.3fs (%.2f, %.2f)", b, a / b, (a - s) / b }')"
  done
  printf '\n'
done
