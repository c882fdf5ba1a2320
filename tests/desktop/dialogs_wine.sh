# The standard dialogs as real windows, driven from outside: jolrun runs a
# script with a host window, the test waits for each dialog by its title,
# types and presses keys, and the variable dump shows what the script got.
# A line typed into AskLine, a list selection by letter, two entries of a
# multiple list, Display running out by itself (and held open while Alt is
# down), the system's file dialog of this build (with a long filter), and
# Escape giving the cancel that :CANCEL catches.
. "$RIG_LIB"
unset JOL_ANSWERS JOL_ANSWERS_FILE
script=$RIG_WORK/dialogs.jol
pick=$RIG_WORK/picked.txt
: >"$pick"
rig_script "$script" \
  'line = AskLine("Line box", "Your name?", "")' \
  'one = ItemSelect("Pick one", "red|green|blue", "|")' \
  'two = AskItemList("Pick two", "red|green|blue", "|", @SORTED, @MULTIPLE)' \
  'start = TimeYmdHms()' \
  'timed = Display(1, "Timed box", "Going away by itself")' \
  'timed_secs = TimeDiffSecs(TimeYmdHms(), start)' \
  'held = Display(1, "Held box", "Held open while Alt is down")' \
  'ft = "Text files (*.txt)|*.txt|"' \
  'i = 0' \
  'WHILE i < 12' \
  '  ft = StrCat(ft, "Kind number ", i, " of many|*.k", i, "|")' \
  '  i = i + 1' \
  'ENDWHILE' \
  'long = StrLen(ft)' \
  "file = AskFileName(\"Choose file\", \"$(rig_path "$RIG_WORK")\", ft, \"\", @OPEN)" \
  'Drop(ft, i)' \
  'last = AskLine("Cancel box", "Press Escape", "")' \
  'after = 1' \
  'exit' \
  ':cancel' \
  'caught = 1' \
  'Drop(start)'
rig_spawn_program "$JOLRUN" --dump-vars --window "Dialog host $$" "$(rig_path "$script")"
jolrun=$RIG_PID

press() {
  xdotool windowfocus --sync "$RIG_WINDOW" 2>/dev/null
  xdotool key --delay 60 "$@"
}

rig_wait_window '^Line box$' 20
xdotool windowfocus --sync "$RIG_WINDOW" 2>/dev/null
xdotool type --delay 40 'Ann, Lee'
press Return

rig_wait_window '^Pick one$'
press g Return

rig_wait_window '^Pick two$'
press Home space End space Return

rig_wait_window '^Timed box$'
timed_window=$RIG_WINDOW
sleep 3
rig_has_window '^Timed box$' && rig_fail "Display(1) was still open after 3 seconds"

rig_wait_window '^Held box$'
xdotool windowfocus --sync "$RIG_WINDOW" 2>/dev/null
xdotool keydown alt
sleep 3
rig_has_window '^Held box$' || { xdotool keyup alt; rig_fail "Display closed while Alt was down"; }
xdotool windowfocus --sync "$RIG_WINDOW" 2>/dev/null
xdotool keyup alt
tries=60
while rig_has_window '^Held box$'; do
  tries=$((tries - 1))
  [ "$tries" -gt 0 ] || rig_fail "Display stayed open after Alt was let go"
  sleep 0.1
done

rig_wait_window '^Choose file$' 20
xdotool windowfocus --sync "$RIG_WINDOW" 2>/dev/null
sleep 1
xdotool type --delay 40 "$(rig_path "$pick")"
press Return

rig_wait_window '^Cancel box$'
press Escape

wait "$jolrun"
status=$?
[ "$status" -eq 0 ] || rig_fail "jolrun exited with $status: $(cat "$RIG_ERR")"
out=$(tr -d '\r' <"$RIG_OUT")
for want in 'line=Ann, Lee' 'one=green' 'two=blue|red|' 'timed=0' 'held=0' \
  "file=$(rig_path "$pick")" 'caught=1'; do
  printf '%s\n' "$out" | grep -q -x -F -- "$want" || rig_fail "no '$want' in:
$out"
done
printf '%s\n' "$out" | grep -q '^after=' && rig_fail "the cancel did not reach :CANCEL"
long=$(printf '%s\n' "$out" | sed -n 's/^long=//p')
[ "${long:-0}" -gt 256 ] || rig_fail "the filter was only ${long:-0} characters long"
secs=$(printf '%s\n' "$out" | sed -n 's/^timed_secs=//p')
# It closes by itself: a box left waiting would take the whole of the
# test's time; a loaded machine may take some seconds over the one.
[ "${secs:-99}" -le 15 ] || rig_fail "Display(1) took $secs seconds"
echo "dialogs under Wine: ok"
