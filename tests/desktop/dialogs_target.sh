# The real dialogs of the library under Wine, driven from outside: a
# Dialog of several kinds of controls typed into and closed with Enter (its
# default button) or Escape, and the DEBUG step dialog pressed through.
# Screenshots of both go to the test's scratch folder.
. "$RIG_LIB"
shot() {
  python3 "$(dirname "$RIG_LIB")/screenshot.py" "$1" "$RIG_WORK/$2.png" 2>/dev/null || true
}

title="JOL dialog test $$"
script=$RIG_WORK/dialog.jol
rig_script "$script" \
  'd = "Test"' \
  'TestFormat = "CRVDLGED,4.0"' \
  'TestX = 20' 'TestY = 20' 'TestWidth = 180' 'TestHeight = 110' \
  "TestCaption = \"$title\"" \
  'TestNumControls = 9' \
  'Test01 = `8,6,40,10,STATICTEXT,,"Name:"`' \
  'Test02 = `50,6,100,10,EDITBOX,name,"nobody"`' \
  'Test03 = `50,20,100,10,EDITBOX,PW_word,"hidden"`' \
  'Test04 = `8,34,50,10,RADIOBUTTON,size,&small,1`' \
  'Test05 = `70,34,50,10,RADIOBUTTON,size,&large,2`' \
  'Test06 = `8,48,60,10,CHECKBOX,bold,&bold,1`' \
  'Test07 = `8,60,100,24,ITEMBOX,colours`' \
  'Test08 = `8,90,50,14,PUSHBUTTON,,DEFAULT,1`' \
  'Test09 = `70,90,50,14,PUSHBUTTON,,DEFAULT,0`' \
  'size = 2' 'bold = 1' \
  'colours = StrCat("red", @TAB, "green")' \
  'pressed = Dialog(d)' \
  'exit' \
  ':cancel' \
  'cancelled = 1'

# Enter: the typed name replaces the selected text of the first edit box,
# the other controls keep what the variables gave them.
rig_spawn_program "$JOLRUN" --dump-vars --window "JOL host $$" "$(rig_path "$script")"
jolrun=$RIG_PID
rig_wait_window "^$title\$" 90
sleep 1
shot "$RIG_WINDOW" dialog
xdotool windowfocus --sync "$RIG_WINDOW" 2>/dev/null || true
xdotool type --delay 50 "Ann"
xdotool key Return
wait "$jolrun"
status=$?
[ "$status" -eq 0 ] || rig_fail "jolrun exited with $status: $(cat "$RIG_ERR")"
grep -q '^pressed=1' "$RIG_OUT" || rig_fail "pressed: $(cat "$RIG_OUT")"
grep -q '^name=Ann' "$RIG_OUT" || rig_fail "name: $(cat "$RIG_OUT")"
grep -q '^pw_word=hidden' "$RIG_OUT" || rig_fail "password: $(cat "$RIG_OUT")"
grep -q '^size=2' "$RIG_OUT" || rig_fail "size: $(cat "$RIG_OUT")"
grep -q '^bold=1' "$RIG_OUT" || rig_fail "bold: $(cat "$RIG_OUT")"
! rig_has_window "^$title\$" || rig_fail "the dialog outlived its run"

# Escape: Cancel, 0 and 9999, caught by :cancel.
rig_spawn_program "$JOLRUN" --dump-vars --window "JOL host $$" "$(rig_path "$script")"
jolrun=$RIG_PID
rig_wait_window "^$title\$" 90
sleep 1
xdotool windowfocus --sync "$RIG_WINDOW" 2>/dev/null || true
xdotool key Escape
wait "$jolrun"
grep -q '^cancelled=1' "$RIG_OUT" || rig_fail "cancel: $(cat "$RIG_OUT") $(cat "$RIG_ERR")"
grep -q '^pressed=0' "$RIG_OUT" || rig_fail "cancel pressed: $(cat "$RIG_OUT")"

# Ctrl+Break while the dialog is open cancels it (the dialog takes the
# key as its Cancel), and the dialog window goes with it, storing nothing.
breakscript=$RIG_WORK/break.jol
{ printf 'IntControl(12, 4, 0, 0, 0)\r\n'; cat "$script"; } >"$breakscript"
rig_spawn_program "$JOLRUN" --dump-vars --window "JOL host $$" "$(rig_path "$breakscript")"
jolrun=$RIG_PID
rig_wait_window "^$title\$" 90
sleep 1
xdotool windowfocus --sync "$RIG_WINDOW" 2>/dev/null || true
xdotool keydown ctrl key Break keyup ctrl
wait "$jolrun"
grep -q '^pressed=0' "$RIG_OUT" || rig_fail "Ctrl+Break: $(cat "$RIG_OUT")"
! grep -q '^name=' "$RIG_OUT" || rig_fail "Ctrl+Break stored the controls"
! rig_has_window "^$title\$" || rig_fail "the dialog outlived the cancelled run"

# The DEBUG dialog: Next twice, then Run; the script runs to its end.
debug=$RIG_WORK/debug.jol
rig_script "$debug" 'Debug(1)' 'a = 5' 'b = "text"' 'c = a + 1' 'd = 4'
rig_spawn_program "$JOLRUN" --dump-vars --window "JOL host $$" "$(rig_path "$debug")"
jolrun=$RIG_PID
for press in Return Return alt+r; do
  rig_wait_window "^DEBUG\$" 90
  sleep 1
  [ "$press" = alt+r ] && shot "$RIG_WINDOW" debug
  xdotool windowfocus --sync "$RIG_WINDOW" 2>/dev/null || true
  xdotool key "$press"
  sleep 1
done
wait "$jolrun"
status=$?
[ "$status" -eq 0 ] || rig_fail "debug: jolrun exited with $status: $(cat "$RIG_ERR")"
grep -q '^d=4' "$RIG_OUT" || rig_fail "debug run: $(cat "$RIG_OUT")"
! rig_has_window "^DEBUG\$" || rig_fail "Run left the DEBUG dialog up"

# Cancel in the DEBUG dialog stops the script.
rig_spawn_program "$JOLRUN" --dump-vars --window "JOL host $$" "$(rig_path "$debug")"
jolrun=$RIG_PID
rig_wait_window "^DEBUG\$" 90
sleep 1
xdotool windowfocus --sync "$RIG_WINDOW" 2>/dev/null || true
xdotool key Escape
wait "$jolrun"
status=$?
[ "$status" -eq 3 ] || rig_fail "debug cancel: jolrun exited with $status"
! grep -q '^a=' "$RIG_OUT" || rig_fail "debug cancel ran on: $(cat "$RIG_OUT")"
echo "dialogs: ok"
