# The screen facts of WinMetrics are those of the X server, read from
# outside with xdpyinfo and xdotool; the colour count follows the root
# depth, and a metric X has no place for is refused with 1193.
. "$RIG_LIB"
rig_script "$RIG_WORK/system.jol" 'width = WinMetrics(0)' 'height = WinMetrics(1)' \
  'colours = WinMetrics(-1)' 'ErrorMode(@OFF)' 'icon = WinMetrics(11)' 'code = LastError()'
"$JOLRUN" --dump-vars "$RIG_WORK/system.jol" >"$RIG_WORK/system.out" \
  2>"$RIG_WORK/system.err" || rig_fail "system.jol: $(cat "$RIG_WORK/system.err")"
set -- $(xdotool getdisplaygeometry)
grep -q "^width=$1\$" "$RIG_WORK/system.out" || rig_fail "width $1: $(cat "$RIG_WORK/system.out")"
grep -q "^height=$2\$" "$RIG_WORK/system.out" || rig_fail "height $2: $(cat "$RIG_WORK/system.out")"
depth=$(xdpyinfo | sed -n '/^screen #0:/,$s/^ *depth of root window: *\([0-9]*\) planes.*/\1/p')
[ -n "$depth" ] || rig_fail "no root depth"
if [ "$depth" -ge 31 ]; then colours=2147483647; else colours=$((1 << depth)); fi
grep -q "^colours=$colours\$" "$RIG_WORK/system.out" ||
  rig_fail "colours $colours: $(cat "$RIG_WORK/system.out")"
grep -q '^code=1193$' "$RIG_WORK/system.out" || rig_fail "metric 11: $(cat "$RIG_WORK/system.out")"
echo "system facts: ok"
