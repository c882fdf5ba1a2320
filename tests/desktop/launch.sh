# Starting programs on the desktop: Run of a windowed program, then
# WinWaitExist and AppExist in the script; RunIcon, RunZoom and RunHide
# give the new window its state, seen from outside (natively the window
# manager's _NET_WM_STATE of the window that carries the process id;
# under Wine the script's own WinState). Under Wine also RunWait of a
# command interpreter that ends with a code.
. "$RIG_LIB"
started=""
cleanup() {
  for p in $started; do kill "$p" 2>/dev/null; done
}
trap cleanup EXIT
if [ -n "${JOL_EMULATOR:-}" ]; then
  exe=joltarget
  program=$(rig_path "$JOL_TARGET")
  log=$(rig_path "$RIG_WORK/target.log")
  normal="JOL Target"
  args_normal="'$log'"
  args_icon="'--title \"JOL icon\" $log'"
  args_zoom="'--title \"JOL zoom\" $log'"
  args_hide="'--title \"JOL hidden\" --show asked $log'"
else
  exe=xterm
  program=xterm
  normal="JOL launch $$"
  args_normal="'-T \"JOL launch $$\"'"
  args_icon="'-T \"JOL icon\"'"
  args_zoom="'-T \"JOL zoom\"'"
  args_hide="'-T \"JOL hidden\"'"
fi
rig_script "$RIG_WORK/launch.jol" \
  "r = Run('$program', $args_normal)" \
  "e = WinWaitExist('$normal', 15)" \
  "a = AppExist('$exe')" \
  "i = RunIcon('$program', $args_icon)" \
  "ie = WinWaitExist('JOL icon', 15)" \
  "is = WinState('JOL icon')" \
  "z = RunZoom('$program', $args_zoom)" \
  "ze = WinWaitExist('JOL zoom', 15)" \
  "zs = WinState('JOL zoom')" \
  "h = RunHide('$program', $args_hide)" \
  "TimeDelay(1)" \
  "hs = WinState('JOL hidden')"
if [ -n "${JOL_EMULATOR:-}" ]; then
  printf '%s\r\n' "w = RunWait('cmd.exe', '/c exit 3')" "c = WinClose('JOL hidden')" >>"$RIG_WORK/launch.jol"
fi
rig_program "$JOLRUN" --dump-vars "$(rig_path "$RIG_WORK/launch.jol")" >"$RIG_WORK/out.txt" 2>"$RIG_WORK/err.txt" ||
  rig_fail "script: $(cat "$RIG_WORK/err.txt")"
tr -d '\r' <"$RIG_WORK/out.txt" >"$RIG_WORK/vars.txt"
# The programs started, ended by their process ids after the test.
for t in "$normal" "JOL icon" "JOL zoom" "JOL hidden"; do
  for w in $(xdotool search --name "^$t\$" 2>/dev/null); do
    started="$started $(xdotool getwindowpid "$w" 2>/dev/null)"
  done
done
for want in r=1 e=1 a=1 i=1 ie=1 is=1 z=1 ze=1 zs=3 h=1; do
  grep -Eqx -- "$want" "$RIG_WORK/vars.txt" || rig_fail "expected $want: $(cat "$RIG_WORK/vars.txt")"
done
if [ -n "${JOL_EMULATOR:-}" ]; then
  grep -qx "w=1" "$RIG_WORK/vars.txt" || rig_fail "RunWait: $(cat "$RIG_WORK/vars.txt")"
  grep -qx "hs=-1" "$RIG_WORK/vars.txt" || rig_fail "RunHide: $(cat "$RIG_WORK/vars.txt")"
else
  # From outside: the window manager's state of each window.
  icon=$(xdotool search --name '^JOL icon$' | head -n 1)
  xprop -id "$icon" _NET_WM_STATE | grep -q _NET_WM_STATE_HIDDEN ||
    rig_fail "not minimized: $(xprop -id "$icon" _NET_WM_STATE)"
  zoom=$(xdotool search --name '^JOL zoom$' | head -n 1)
  xprop -id "$zoom" _NET_WM_STATE | grep -q _NET_WM_STATE_MAXIMIZED_VERT ||
    rig_fail "not maximized: $(xprop -id "$zoom" _NET_WM_STATE)"
  # The hidden program's window exists but is not mapped.
  ! rig_has_window '^JOL hidden$' || rig_fail "the hidden program's window shows"
  hidden=$(xdotool search --name '^JOL hidden$' | head -n 1)
  [ -n "$hidden" ] || rig_fail "the hidden program has no window"
  xwininfo -id "$hidden" | grep -q IsUnMapped || rig_fail "the hidden window is mapped"
fi
echo "launch: ok"
