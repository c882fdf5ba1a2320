# WinArrange on the X desktop, checked from outside: three xterms in
# columns fill the area between the margins that make the frame edges
# fall on multiples of 8, from the top margin down to the bottom of the
# work area. The window manager sizes an xterm in whole character cells,
# so a right or bottom edge may fall short of its place by less than a
# cell; the left and top edges are exact.
. "$RIG_LIB"
ids=""
for n in 1 2 3; do
  rig_spawn xterm -T "JOL arrange $n" -geometry 30x5+$((n * 40))+$((n * 40))
  rig_wait_window "^JOL arrange $n\$"
  ids="$ids $RIG_WINDOW"
done
rig_script "$RIG_WORK/arrange.jol" 'done = WinArrange(@COLUMNS)'
"$JOLRUN" --dump-vars "$RIG_WORK/arrange.jol" >"$RIG_WORK/arrange.out" \
  2>"$RIG_WORK/arrange.err" || rig_fail "arrange.jol: $(cat "$RIG_WORK/arrange.err")"
grep -q '^done=1$' "$RIG_WORK/arrange.out" || rig_fail "WinArrange: $(cat "$RIG_WORK/arrange.out")"

# The frame extents (left, right, top, bottom) of a managed window, the
# work area, the screen width.
set -- $(xprop -id $(echo $ids | cut -d' ' -f1) _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
[ $# -eq 4 ] || rig_fail "no frame extents"
F=$1 Fr=$2 Ft=$3 G=$4
set -- $(xprop -root _NET_WORKAREA | sed 's/.*= //; s/,//g')
area_bottom=$(($2 + $4))
screen=$(xdpyinfo | sed -n 's/^ *dimensions: *\([0-9]*\)x.*/\1/p')
[ "$screen" -gt 1280 ] && screen=1280
M=$(((F | 7) + 1 - F))
N=$(((G | 7) + 1 - G))
R=$((screen - M))
W=$((R - M))
Bot=$((area_bottom - N))
t1=$(((W / 3 + M) | 7))
t2=$((((2 * W / 3 + M) | 7) + 1 - F))
expected="$M-$((t1 - (F | 7))) $((t1 + 1 - F))-$((t2 - M)) $t2-$R"

# Each window's frame, from the client's place and size and the extents.
frame() {
  info=$(xwininfo -id "$1")
  x=$(echo "$info" | sed -n 's/.*Absolute upper-left X: *//p')
  y=$(echo "$info" | sed -n 's/.*Absolute upper-left Y: *//p')
  w=$(echo "$info" | sed -n 's/.*Width: *//p')
  h=$(echo "$info" | sed -n 's/.*Height: *//p')
  echo "$((x - F)) $((y - Ft)) $((x + w + Fr)) $((y + h + G))"
}
echo "columns $expected, rows $N to $Bot"
for id in $ids; do
  set -- $(frame "$id")
  echo "window $id: $*"
  [ "$2" -eq "$N" ] || rig_fail "window $id: top $2, expected $N"
  [ "$4" -le "$Bot" ] && [ "$4" -gt $((Bot - 13)) ] || rig_fail "window $id: bottom $4, expected $Bot"
  found=""
  for column in $expected; do
    left=${column%-*}
    right=${column#*-}
    if [ "$1" -eq "$left" ] && [ "$3" -le "$right" ] && [ "$3" -gt $((right - 6)) ]; then
      found=$column
    fi
  done
  [ -n "$found" ] || rig_fail "window $id: $1..$3 is none of the columns $expected"
  expected=$(echo " $expected " | sed "s/ $found / /")
done
echo "WinArrange on the X desktop: ok"
