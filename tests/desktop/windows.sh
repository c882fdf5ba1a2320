# The window functions on a window of another program (an xterm on X, the
# target program under Wine): what the script reads back, and what the
# desktop shows from outside (the active window, its title and state, the
# program gone after WinClose).
. "$RIG_LIB"
if [ -n "${JOL_EMULATOR:-}" ]; then
  title="JOL Target"
  exe=joltarget
  rig_spawn_program "$JOL_TARGET" "$(rig_path "$RIG_WORK/target.log")"
else
  title="JOL windows $$"
  exe=xterm
  rig_spawn xterm -T "$title"
fi
target=$RIG_PID
rig_wait_window "^$title\$"
window=$RIG_WINDOW

out=$RIG_WORK/first.txt
rig_program "$JOLRUN" --dump-vars windows_first.jol "$title" >"$RIG_WORK/first.out" \
  2>"$RIG_WORK/first.err" || rig_fail "first script (status $?): $(cat "$RIG_WORK/first.err")"
tr -d '\r' <"$RIG_WORK/first.out" >"$out"
for want in exist=1 exact=1 inner=1 suffix=1 nocase=0 longer=0 act=1 "front=$title" state=2 \
            "exe=$exe" newtitle=1 listed=1 listedid=1 zoomed=3; do
  grep -Eqx -- "$want" "$out" || rig_fail "expected $want: $(cat "$out")"
done
id=$(sed -n 's/^id=//p' "$out")
# From outside: the window is in front, renamed and maximised. (Wine's
# desktop has no window manager to name the active window, and Wine keeps
# the maximised state to itself: there the script's own read-back stands.)
if [ -z "${JOL_EMULATOR:-}" ]; then
  [ "$(xdotool getactivewindow)" = "$window" ] || rig_fail "not the active window"
  xprop -id "$window" _NET_WM_STATE | grep -q _NET_WM_STATE_MAXIMIZED_VERT ||
    rig_fail "not maximised: $(xprop -id "$window" _NET_WM_STATE)"
fi
[ "$(xdotool getwindowname "$window")" = "$title renamed" ] || rig_fail "title not set"

out=$RIG_WORK/second.txt
rig_program "$JOLRUN" --dump-vars windows_second.jol "$id" >"$RIG_WORK/second.out" \
  2>"$RIG_WORK/second.err" || rig_fail "second script (status $?): $(cat "$RIG_WORK/second.err")"
tr -d '\r' <"$RIG_WORK/second.out" >"$out"
for want in hidden=-1 stillthere=1 "shown=[23]" iconic=1 after=0 e1045=1045; do
  grep -Eqx -- "$want" "$out" || rig_fail "expected $want: $(cat "$out")"
done
# The program ended when its window was closed.
tries=50
while kill -0 "$target" 2>/dev/null && [ $tries -gt 0 ]; do
  sleep 0.1
  tries=$((tries - 1))
done
! kill -0 "$target" 2>/dev/null || rig_fail "the program still runs after WinClose"
echo "windows: ok"
