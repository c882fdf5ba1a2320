# The Windows target program under Wine, driven from outside with xdotool:
# its window is found by its title, and the keys, the click on its button
# and the menu command sent to it reach it and are logged. Its console
# variant logs the lines of its standard input.
. "$RIG_LIB"
log=$RIG_WORK/target.log
rig_spawn_program "$JOL_TARGET" "$(rig_path "$log")"
target=$RIG_PID
rig_wait_window '^JOL Target$'
rig_wait_line "$log" '^ready$'
xdotool windowfocus --sync "$RIG_WINDOW" || rig_fail "cannot focus the target"
rig_wait_line "$log" '^focus edit$'
xdotool type --delay 20 'aZ1'
xdotool key Return
# a 97, Z 90 (the shifted key), 1 49; Return arrives as the key 13.
rig_wait_line "$log" '^keydown 13$'
chars=$(grep '^char ' "$log" | tr '\n' ' ')
[ "$chars" = "char 97 char 90 char 49 char 13 " ] || rig_fail "characters: $chars"
# The button, by its place on the screen: its middle is 70, 65 from the
# top left corner of the client area, which the target logs.
set -- $(sed -n 's/^client //p' "$log")
xdotool mousemove $(($1 + 70)) $(($2 + 65)) click 1
rig_wait_line "$log" '^click 1002$'
# File > Open from the keyboard.
xdotool windowfocus --sync "$RIG_WINDOW"
xdotool key alt+f
xdotool key o
rig_wait_line "$log" '^command 101$'
# File > Exit closes it, with the text the edit control received.
xdotool key alt+f
xdotool key x
rig_wait_line "$log" '^exit$'
grep -q '^text aZ1$' "$log" || rig_fail "edit text: $(grep '^text' "$log")"
wait "$target"

console_log=$RIG_WORK/console.log
printf 'first line\nsecond\n' | rig_program "$JOL_TARGET_CONSOLE" "$(rig_path "$console_log")" ||
  rig_fail "the console target failed"
expected=$(printf 'ready\nline first line\nline second\neof')
[ "$(cat "$console_log")" = "$expected" ] || rig_fail "console log: $(cat "$console_log")"
echo "target program: ok"
