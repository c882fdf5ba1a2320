# Keystrokes and the mouse on the X desktop, checked by what the programs
# received: the bytes an xterm got (braces, repeats, Enter, Ctrl, Caps
# Lock on, a key the map lacks, a character the map lacks) and the button
# of an xmessage that a real click pressed.
. "$RIG_LIB"

typed=$RIG_WORK/typed
rig_spawn env LC_ALL=C.UTF-8 xterm -u8 -T "JOL keys" -e sh -c "stty raw -echo; cat > '$typed'"
rig_wait_window '^JOL keys$'
xdotool windowactivate --sync "$RIG_WINDOW" || rig_fail "cannot activate the xterm"
# \351 is e acute in the script's code page (1252): no key of the US map
# types it. F16 has no key on the map either.
rig_script "$RIG_WORK/keys.jol" \
  'SendKey("ab+c{ENTER 3}{+}{}}~^a")' \
  'before = KeyToggleGet(@CAPSLOCK)' \
  'KeyToggleSet(@CAPSLOCK, @ON)' \
  'caps = KeyToggleGet(@CAPSLOCK)' \
  'SendKey("aB{x 0}")' \
  'KeyToggleSet(@CAPSLOCK, @OFF)' \
  'after = KeyToggleGet(@CAPSLOCK)' \
  "$(printf 'SendKey("\351{F16}.")')" \
  'down = IsKeyDown(3)'
"$JOLRUN" --dump-vars "$RIG_WORK/keys.jol" >"$RIG_WORK/keys.out" 2>"$RIG_WORK/keys.err" ||
  rig_fail "keys.jol: $(cat "$RIG_WORK/keys.err")"
for want in before=0 caps=1 after=0 down=0; do
  grep -q "^$want\$" "$RIG_WORK/keys.out" || rig_fail "want $want: $(cat "$RIG_WORK/keys.out")"
done
rig_wait_line "$typed" '\.$'
expected=$(printf 'abC\r\r\r+}\r\001aB\303\251\033[29~.' | od -An -tx1)
got=$(od -An -tx1 "$typed")
[ "$got" = "$expected" ] || rig_fail "typed: $got, expected $expected"

# SendKeysTo brings its window forward before it types: the keys reach it
# and not the window that had the focus; a window that is not there is
# 1045 and nothing is typed.
other=$RIG_WORK/other
rig_spawn env LC_ALL=C.UTF-8 xterm -u8 -T "JOL other" -e sh -c "stty raw -echo; cat > '$other'"
rig_wait_window '^JOL other$'
xdotool windowactivate --sync "$RIG_WINDOW" || rig_fail "cannot activate the other xterm"
: >"$typed.before"
cp "$typed" "$typed.before"
rig_script "$RIG_WORK/to.jol" 'IntControl(46, 0, 0, 0, 0)' 'ErrorMode(@OFF)' \
  'SendKeysTo("JOL nowhere", "lost")' 'missing = LastError()' \
  'SendKeysTo("JOL keys", "to{ENTER}")' 'sent = LastError()' \
  'SendMenusTo("JOL keys", "FileOpen")' 'menu = LastError()' \
  'MouseClickBtn("JOL keys", "", "OK")' 'button = LastError()'
"$JOLRUN" --dump-vars "$RIG_WORK/to.jol" >"$RIG_WORK/to.out" 2>"$RIG_WORK/to.err" ||
  rig_fail "to.jol: $(cat "$RIG_WORK/to.err")"
for want in missing=1045 sent=0 menu=1315 button=1193; do
  grep -q "^$want\$" "$RIG_WORK/to.out" || rig_fail "want $want: $(cat "$RIG_WORK/to.out")"
done
rig_wait_line "$typed" 'to.$'
[ ! -s "$other" ] || rig_fail "the other window received: $(od -c "$other")"
[ "$(od -An -tx1 "$typed")" = "$(printf '%sto\r' "$(cat "$typed.before")" | od -An -tx1)" ] ||
  rig_fail "SendKeysTo typed: $(od -c "$typed")"

# The mouse: a move to the middle of the screen, read back two ways.
rig_script "$RIG_WORK/move.jol" \
  'MouseMove(500, 500, "", "")' 'units = MouseInfo(2)' 'pixels = MouseInfo(3)' \
  'far = MouseMove(2000000000, -2000000000, "", "")' 'corner = MouseInfo(3)' \
  'buttons = MouseInfo(4)' 'MouseMove(20, 40, "JOL keys", "")' 'over = MouseInfo(1)' \
  'ErrorMode(@OFF)' 'MouseMove(1, 1, "JOL nowhere", "")' 'nowhere = LastError()'
"$JOLRUN" --dump-vars "$RIG_WORK/move.jol" >"$RIG_WORK/move.out" 2>"$RIG_WORK/move.err" ||
  rig_fail "move.jol: $(cat "$RIG_WORK/move.err")"
for want in 'units=500 500' 'pixels=512 384' 'corner=1023 0' 'buttons=0' 'over=JOL keys' \
  nowhere=1442; do
  grep -q "^$want\$" "$RIG_WORK/move.out" || rig_fail "want $want: $(cat "$RIG_WORK/move.out")"
done

# A real click on a button of xmessage: it exits with that button's value.
rig_spawn xmessage -buttons one:3,two:5 -geometry +100+100 "JOL click"
message=$RIG_PID
rig_wait_window '^xmessage$'
line=$(xwininfo -tree -id "$RIG_WINDOW" | grep -E '[0-9]+x[0-9]+[-+]' | tail -n 1)
set -- $(echo "$line" | sed -E 's/.* ([0-9]+)x([0-9]+)[-+][0-9]+[-+][0-9]+ +\+([0-9]+)\+([0-9]+).*/\1 \2 \3 \4/')
x=$((($3 + $1 / 2) * 1000 / 1024 + 1))
y=$((($4 + $2 / 2) * 1000 / 768 + 1))
rig_script "$RIG_WORK/click.jol" "MouseMove($x, $y, \"\", \"\")" 'title = MouseInfo(1)' \
  'clicked = MouseClick(@LCLICK, 0)'
"$JOLRUN" --dump-vars "$RIG_WORK/click.jol" >"$RIG_WORK/click.out" 2>"$RIG_WORK/click.err" ||
  rig_fail "click.jol: $(cat "$RIG_WORK/click.err")"
grep -q '^title=xmessage$' "$RIG_WORK/click.out" || rig_fail "click: $(cat "$RIG_WORK/click.out")"
tries=50
while kill -0 "$message" 2>/dev/null && [ $tries -gt 0 ]; do
  tries=$((tries - 1))
  sleep 0.1
done
wait "$message"
status=$?
[ $status -eq 3 ] || [ $status -eq 5 ] || rig_fail "xmessage ended with $status"

# WaitForKey: the empty second key ends the list, so "a" is not waited
# for; "." is the period key (not Delete). The wait sleeps between looks.
rig_script "$RIG_WORK/wait.jol" 'first = WaitForKey("{F1}", "", "a", "", "")' \
  'second = WaitForKey("x", ".", "", "", "")'
rig_spawn "$JOLRUN" --dump-vars "$RIG_WORK/wait.jol"
waiter=$RIG_PID
out=$RIG_OUT
press() {
  sleep 0.3
  xdotool keydown "$1"
  sleep 0.1
  xdotool keyup "$1"
}
# Clock ticks of processor time the waiting program used so far.
ticks() {
  set -- $(sed 's/^.*) //' "/proc/$waiter/stat")
  echo $((${12} + ${13}))
}
sleep 1
start=$(ticks)
sleep 1
used=$(($(ticks) - start))
echo "WaitForKey: $used ticks in a second"
[ "$used" -lt 20 ] || rig_fail "WaitForKey used $used ticks of processor time in a second"
press a
kill -0 "$waiter" 2>/dev/null || rig_fail "WaitForKey took the key a"
press F1
press Delete
press period
tries=50
while kill -0 "$waiter" 2>/dev/null && [ $tries -gt 0 ]; do
  tries=$((tries - 1))
  sleep 0.1
done
grep -q '^first=1$' "$out" && grep -q '^second=2$' "$out" || rig_fail "WaitForKey: $(cat "$out")"
echo "keys and mouse: ok"
