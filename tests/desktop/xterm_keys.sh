# The rig itself: a program started on the desktop, found by its title,
# and typed into with xdotool through the fixed US keyboard map (the
# shifted and punctuation keys come out as themselves).
. "$RIG_LIB"
typed=$RIG_WORK/typed
text='Hello, rig: 1+2=3 ~/_"quoted" <a|b> $x;'
rig_spawn xterm -T "JOL rig xterm" -e sh -c "cat > '$typed'"
rig_wait_window '^JOL rig xterm$'
xdotool windowactivate --sync "$RIG_WINDOW" || rig_fail "cannot activate the xterm"
xdotool type --delay 5 "$text"
xdotool key Return ctrl+d
rig_wait_line "$typed" 'x;$'
[ "$(cat "$typed")" = "$text" ] || rig_fail "typed: $(cat "$typed")"
echo "xterm received the keys: ok"
