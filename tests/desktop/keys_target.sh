# Keystrokes and the mouse under Windows: the target program logs the
# characters and keys it receives and the click on its button.
. "$RIG_LIB"
screen_width() {
  xdpyinfo | sed -n 's/^ *dimensions: *\([0-9]*\)x.*/\1/p'
}
screen_height() {
  xdpyinfo | sed -n 's/^ *dimensions: *[0-9]*x\([0-9]*\) .*/\1/p'
}
log=$RIG_WORK/target.log
rig_spawn_program "$JOL_TARGET" "$(rig_path "$log")"
rig_wait_window '^JOL Target$'
rig_wait_line "$log" '^ready$'
xdotool windowfocus --sync "$RIG_WINDOW" || rig_fail "cannot focus the target"
rig_wait_line "$log" '^focus edit$'
# \351 (e acute) has no key on the US layout: it arrives as the character.
rig_script "$RIG_WORK/keys.jol" "$(printf 'SendKey("aZ{}}{+ 2}\351~")')"
rig_program "$JOLRUN" --dump-vars "$(rig_path "$RIG_WORK/keys.jol")" >"$RIG_WORK/keys.out" \
  2>"$RIG_WORK/keys.err" || rig_fail "keys.jol: $(cat "$RIG_WORK/keys.err")"
# A key that types nothing, sent again should the target lose the focus on
# the way (more F5 presses do no harm).
rig_script "$RIG_WORK/f5.jol" 'SendKey("{F5}")'
send_f5() {
  rig_program "$JOLRUN" "$(rig_path "$RIG_WORK/f5.jol")" >"$RIG_WORK/f5.out" \
    2>"$RIG_WORK/f5.err" || rig_fail "f5.jol: $(cat "$RIG_WORK/f5.err")"
}
rig_until "$log" '^keydown 116$' send_f5
chars=$(grep '^char ' "$log" | tr '\n' ' ')
[ "$chars" = "char 97 char 90 char 125 char 43 char 43 char 233 char 13 " ] ||
  rig_fail "characters: $chars"
# The button's middle is 70, 65 from the client area's corner.
set -- $(sed -n 's/^client //p' "$log")
xdotool mousemove $(($1 + 70)) $(($2 + 65))
rig_script "$RIG_WORK/click.jol" 'title = MouseInfo(1)' 'clicked = MouseClick(@LCLICK, 0)' \
  'MouseMove(500, 500, "", "")' 'pixels = MouseInfo(3)'
rig_program "$JOLRUN" --dump-vars "$(rig_path "$RIG_WORK/click.jol")" >"$RIG_WORK/click.out" \
  2>"$RIG_WORK/click.err"
rig_wait_line "$log" '^click 1002$'
for want in 'title=JOL Target' 'clicked=1' "pixels=$(($(screen_width) / 2)) $(($(screen_height) / 2))"; do
  tr -d "\r" <"$RIG_WORK/click.out" | grep -q "^$want\$" || rig_fail "want $want: $(cat "$RIG_WORK/click.out")"
done

# By name: keys typed after the window was brought forward, the button by
# its text. (Wine keeps a program's menus to that program, so the menu
# commands of another program cannot be read here.)
rig_script "$RIG_WORK/named.jol" 'ErrorMode(@OFF)' 'IntControl(46, 0, 0, 0, 0)' \
  'SendKeysTo("JOL Target", "q")' 'sent = LastError()' \
  'SendKeysTo("JOL Nowhere", "w")' 'missing = LastError()' \
  'SendMenusTo("JOL Nowhere", "File Open")' 'nomenu = LastError()' \
  'pressed = MouseClickBtn("JOL Target", "", "press ME")' \
  'MouseClickBtn("JOL Target", "", "Apply")' 'nobutton = LastError()' \
  'MouseClickBtn("", "", "Apply")' 'noparent = LastError()'
: >"$log.before"
cp "$log" "$log.before"
rig_program "$JOLRUN" --dump-vars "$(rig_path "$RIG_WORK/named.jol")" >"$RIG_WORK/named.out" \
  2>"$RIG_WORK/named.err" || rig_fail "named.jol: $(cat "$RIG_WORK/named.err")"
for want in sent=0 missing=1045 nomenu=1045 pressed=1 nobutton=1444 noparent=1444; do
  tr -d "\r" <"$RIG_WORK/named.out" | grep -q "^$want\$" || rig_fail "want $want: $(cat "$RIG_WORK/named.out")"
done
new_events() {
  tail -n +$(($(wc -l <"$log.before") + 1)) "$log" | grep -E '^(char|command|click) ' | tr '\n' ' '
}
expected="char 113 click 1002 "
tries=100
while [ "$(new_events)" != "$expected" ] && [ $tries -gt 0 ]; do
  tries=$((tries - 1))
  sleep 0.1
done
[ "$(new_events)" = "$expected" ] || rig_fail "events: $(new_events)"

# WaitForKey sees the keys typed into the target: not "a" (the empty
# second key ends the list), then F1.
rig_script "$RIG_WORK/wait.jol" 'key = WaitForKey("{F1}", "", "a", "", "")'
rig_spawn_program "$JOLRUN" --dump-vars "$(rig_path "$RIG_WORK/wait.jol")"
waiter=$RIG_PID
sleep 2
xdotool windowfocus --sync "$RIG_WINDOW"
press() {
  xdotool keydown "$1"
  sleep 0.1
  xdotool keyup "$1"
  sleep 0.3
}
press a
kill -0 "$waiter" 2>/dev/null || rig_fail "WaitForKey took the key a"
press F1
tries=100
while kill -0 "$waiter" 2>/dev/null && [ $tries -gt 0 ]; do
  tries=$((tries - 1))
  sleep 0.1
done
# rig_spawn_program names the output after the program it starts.
cat "$RIG_WORK"/*.out | tr -d "\r" | grep -q '^key=1$' ||
  rig_fail "WaitForKey: $(cat "$RIG_WORK"/*.out)"
echo "keys and mouse under Windows: ok"
