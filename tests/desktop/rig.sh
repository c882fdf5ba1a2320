#!/bin/sh
# The desktop test rig.
#   rig.sh start STATE     starts a desktop of its own for the native tests:
#                          Xvfb on a free display at 1024x768x24, the US
#                          keyboard map and the openbox window manager,
#                          waited for until it announces itself on the root
#                          window; STATE (a folder) records the display and
#                          the process ids
#   rig.sh stop STATE      ends that desktop
#   rig.sh run STATE WORK -- COMMAND...
#                          runs one desktop test: DISPLAY names the desktop
#                          of STATE when one was started there (else the one
#                          inherited, the Wine tests' display), WORK is made
#                          empty and exported as RIG_WORK, and every program
#                          the test started through rig_lib.sh is ended by
#                          its process id when COMMAND ends, whatever its
#                          outcome. Without any display the test is skipped
#                          (status 77).
set -u

fail() {
  echo "rig: $*" >&2
  exit 1
}

# Waits up to $1 tenths of a second for the command after it to succeed.
poll() {
  tries=$1
  shift
  while ! "$@" >/dev/null 2>&1; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || return 1
    sleep 0.1
  done
}

# Ends the process whose id is in file $1, if it still runs: politely,
# then for good after five seconds.
end_pid_file() {
  [ -s "$1" ] || return 0
  pid=$(cat "$1")
  rm -f "$1"
  kill "$pid" 2>/dev/null || return 0
  if ! poll 50 sh -c "! kill -0 $pid"; then
    kill -9 "$pid" 2>/dev/null
  fi
  return 0
}

start() {
  state=$1
  mkdir -p "$state" || fail "cannot make $state"
  stop "$state"
  # Xvfb picks a free display itself and writes its number to fd 3. It
  # must not reset when its last client leaves: the keyboard map set here
  # would go, and a client that connects during the reset (openbox just
  # after setxkbmap, a test's program between two others) is refused.
  Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp \
    3>"$state/displayfd" </dev/null >"$state/xvfb.log" 2>&1 &
  echo $! >"$state/xvfb.pid"
  poll 100 test -s "$state/displayfd" || fail "Xvfb did not start: $(cat "$state/xvfb.log")"
  display=":$(head -n 1 "$state/displayfd")"
  poll 50 xprop -display "$display" -root || fail "display $display does not answer"
  setxkbmap -display "$display" us || fail "cannot set the keyboard map on $display"
  DISPLAY=$display openbox --sm-disable </dev/null >"$state/openbox.log" 2>&1 &
  echo $! >"$state/openbox.pid"
  # openbox is ready once it has named its check window on the root.
  poll 100 sh -c "xprop -display $display -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'" ||
    fail "openbox did not start on $display: $(cat "$state/openbox.log")"
  echo "$display" >"$state/display"
  echo "rig: desktop on $display"
}

stop() {
  state=$1
  rm -f "$state/display" "$state/displayfd"
  # The display first: openbox ends at once when its display goes.
  end_pid_file "$state/xvfb.pid"
  end_pid_file "$state/openbox.pid"
}

run() {
  state=$1
  work=$2
  shift 2
  [ "${1:-}" = "--" ] && shift
  if [ -s "$state/display" ]; then
    DISPLAY=$(cat "$state/display")
    export DISPLAY
  fi
  if [ -z "${DISPLAY:-}" ]; then
    echo "rig: no display for a desktop test: skipped"
    exit 77
  fi
  rm -rf "$work"
  mkdir -p "$work" || fail "cannot make $work"
  RIG_WORK=$work
  RIG_PIDS=$work/rig.pids
  RIG_LIB=$(cd "$(dirname "$0")" && pwd)/rig_lib.sh
  export RIG_WORK RIG_PIDS RIG_LIB
  : >"$RIG_PIDS"
  "$@"
  status=$?
  # Every program the test started ends here, by its process id.
  while read -r pid; do
    echo "$pid" >"$work/rig.pid"
    end_pid_file "$work/rig.pid"
  done <"$RIG_PIDS"
  exit $status
}

case "${1:-}" in
start) start "$2" ;;
stop) stop "$2" ;;
run)
  shift
  run "$@"
  ;;
*) fail "usage: rig.sh start STATE | stop STATE | run STATE WORK -- COMMAND..." ;;
esac
