# Shell functions for desktop tests, sourced by a test that rig.sh runs:
#   . "$RIG_LIB"
# The environment holds DISPLAY, RIG_WORK (the test's empty scratch folder),
# JOLRUN (the jolrun program), JOL_EMULATOR (the program that runs Windows
# programs, empty for native ones) and, in the Windows build, JOL_TARGET and
# JOL_TARGET_CONSOLE (the target programs).

rig_fail() {
  echo "FAILED: $*" >&2
  exit 1
}

# The test's own standard error, for notes that must reach the test log
# whatever the caller redirects.
exec 9>&2

# Runs a program of the build and waits for it, through the emulator when
# there is one. jolrun says why whenever it fails, so a jolrun run under the
# emulator that ends with a status other than 0 and nothing on either output
# ended before the program ran (Wine has done so, rarely, for a program
# started right after another had ended): it is started once more, as the
# script and menu test runners do, and the test log says so.
rig_program() {
  if [ -z "${JOL_EMULATOR:-}" ]; then
    "$@"
    return
  fi
  if [ "$1" != "$JOLRUN" ]; then
    "$JOL_EMULATOR" "$@"
    return
  fi
  for rig_attempt in 1 2; do
    "$JOL_EMULATOR" "$@" >"$RIG_WORK/program.out" 2>"$RIG_WORK/program.err"
    rig_status=$?
    [ "$rig_attempt" = 1 ] && [ "$rig_status" -ne 0 ] && [ "$rig_status" -lt 128 ] &&
      [ ! -s "$RIG_WORK/program.out" ] && [ ! -s "$RIG_WORK/program.err" ] || break
    echo "JOLTEST: the emulator ended (status $rig_status) with no output from the" \
      "program; starting it once more" >&9
  done
  cat "$RIG_WORK/program.out"
  cat "$RIG_WORK/program.err" >&2
  return "$rig_status"
}

# Starts a command in the background: its process id goes to RIG_PID and
# to the list of processes that rig.sh ends after the test, the names of
# the files that take its standard output and error to RIG_OUT and RIG_ERR
# (spawnN.out and spawnN.err in RIG_WORK, N counting the commands started).
RIG_SPAWNED=0
rig_spawn() {
  RIG_SPAWNED=$((RIG_SPAWNED + 1))
  RIG_OUT=$RIG_WORK/spawn$RIG_SPAWNED.out
  RIG_ERR=$RIG_WORK/spawn$RIG_SPAWNED.err
  "$@" </dev/null >"$RIG_OUT" 2>"$RIG_ERR" &
  RIG_PID=$!
  echo "$RIG_PID" >>"$RIG_PIDS"
}

# As rig_spawn, for a program of the build (through the emulator).
rig_spawn_program() {
  if [ -n "${JOL_EMULATOR:-}" ]; then
    rig_spawn "$JOL_EMULATOR" "$@"
  else
    rig_spawn "$@"
  fi
}

# Waits up to SECONDS (default 15) for a visible window whose title matches
# the regular expression PATTERN; its window id goes to RIG_WINDOW.
rig_wait_window() {
  # Polled rather than "search --sync": a search fails outright when some
  # other window goes away while it reads the tree.
  tries=$((${2:-15} * 5))
  RIG_WINDOW=""
  while [ -z "$RIG_WINDOW" ]; do
    RIG_WINDOW=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
    [ -n "$RIG_WINDOW" ] && break
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || rig_fail "no window titled '$1' appeared"
    sleep 0.2
  done
}

# True when a visible window's title matches PATTERN now.
rig_has_window() {
  [ -n "$(xdotool search --onlyvisible --name "$1" 2>/dev/null)" ]
}

# Closes the window RIG_WINDOW, whose title matches PATTERN, through the
# keyboard (Alt+F4; keys chained to a window command would be sent as
# synthetic events, which Wine ignores) and waits for process PID to end.
# The keys are pressed again while the window stays: on a loaded machine
# they can reach the display before the window has taken the focus.
rig_close_window() {
  rounds=6
  while kill -0 "$2" 2>/dev/null; do
    rounds=$((rounds - 1))
    [ "$rounds" -gt 0 ] ||
      rig_fail "Alt+F4 never ended the program of '$1'; the focus was on" \
        "'$(xdotool getwindowfocus getwindowname 2>&1)'"
    # Only while the window is there, so that the keys never reach
    # another window.
    if rig_has_window "$1" && xdotool windowfocus --sync "$RIG_WINDOW" 2>/dev/null; then
      xdotool key alt+F4
    fi
    waits=50
    while [ "$waits" -gt 0 ] && kill -0 "$2" 2>/dev/null; do
      sleep 0.1
      waits=$((waits - 1))
    done
  done
}

# Waits up to SECONDS (default 10) until FILE holds a line matching the
# extended regular expression PATTERN.
rig_wait_line() {
  tries=$((${3:-10} * 10))
  while ! grep -E -q -- "$2" "$1" 2>/dev/null; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || rig_fail "no line '$2' in $1: $(cat "$1" 2>/dev/null)"
    sleep 0.1
  done
}

# Runs COMMAND with the focus on RIG_WINDOW until FILE holds a line
# matching the extended regular expression PATTERN: up to six tries, each
# waiting five seconds. For keys whose effect is safe to repeat: on a
# loaded machine a window can show before its hotkeys are in place, and
# windows of other programs can take the focus before the keys arrive.
rig_until() {
  rig_until_file=$1
  rig_until_pattern=$2
  shift 2
  rig_until_tries=6
  until grep -E -q -- "$rig_until_pattern" "$rig_until_file" 2>/dev/null; do
    rig_until_tries=$((rig_until_tries - 1))
    [ "$rig_until_tries" -gt 0 ] ||
      rig_fail "'$*' never gave '$rig_until_pattern': $(cat "$rig_until_file" 2>/dev/null);" \
        "the focus was on '$(xdotool getwindowfocus getwindowname 2>&1)'"
    xdotool windowfocus --sync "$RIG_WINDOW" 2>/dev/null || true
    "$@"
    (rig_wait_line "$rig_until_file" "$rig_until_pattern" 5) 2>/dev/null || true
  done
}

# A path as the program under test sees it: under Wine, the Unix root is
# drive Z:.
rig_path() {
  if [ -n "${JOL_EMULATOR:-}" ]; then
    printf 'Z:%s\n' "$1" | tr / '\\'
  else
    printf '%s\n' "$1"
  fi
}

# Writes a JOL script to FILE from the lines given after it, each ended by
# CR LF.
rig_script() {
  rig_script_file=$1
  shift
  : >"$rig_script_file"
  for line in "$@"; do printf '%s\r\n' "$line" >>"$rig_script_file"; done
}
