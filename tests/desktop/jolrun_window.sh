# jolrun --window shows a real top-level window with the title it is given
# while the script runs, hands it to the library, and takes it away again
# when the run ends cleanly. On Windows, closing the window cancels the
# run.
. "$RIG_LIB"
title="JOL host window $$"
go=$RIG_WORK/go
rig_spawn_program "$JOLRUN" --dump-vars --window "$title" wait_for_file.jol "$(rig_path "$go")"
jolrun=$RIG_PID
rig_wait_window "^$title\$"
if [ -z "${JOL_EMULATOR:-}" ]; then
  # The window is jolrun's own X window, with the names and the protocol
  # a window manager needs.
  props=$(xprop -id "$RIG_WINDOW" WM_CLASS _NET_WM_NAME WM_PROTOCOLS)
  echo "$props" | grep -q 'WM_CLASS(STRING) = "jolrun", "JolRun"' || rig_fail "class: $props"
  echo "$props" | grep -q "_NET_WM_NAME(UTF8_STRING) = \"$title\"" || rig_fail "name: $props"
  echo "$props" | grep -q 'WM_DELETE_WINDOW' || rig_fail "protocols: $props"
fi
rig_has_window "^$title\$" || rig_fail "the window went away while the script ran"
: >"$go"
wait "$jolrun"
status=$?
[ "$status" -eq 0 ] || rig_fail "jolrun exited with $status: $(cat "$RIG_ERR")"
grep -q '^found=1' "$RIG_OUT" || rig_fail "the script did not see the file: $(cat "$RIG_OUT")"
! rig_has_window "^$title\$" || rig_fail "the window outlived jolrun"

if [ -n "${JOL_EMULATOR:-}" ]; then
  title="JOL host window closed $$"
  # The box that reports the cancel takes its default button.
  JOL_ANSWERS=default
  export JOL_ANSWERS
  rig_spawn_program "$JOLRUN" --window "$title" wait_for_file.jol "$(rig_path "$go.never")"
  jolrun=$RIG_PID
  rig_wait_window "^$title\$"
  rig_close_window "^$title\$" "$jolrun"
  wait "$jolrun"
  status=$?
  [ "$status" -eq 3 ] || rig_fail "closing the window: jolrun exited with $status"
  grep -q 'jolrun: cancelled' "$RIG_ERR" || rig_fail "closing: $(cat "$RIG_ERR")"
  ! rig_has_window "^$title\$" || rig_fail "the closed window outlived jolrun"
fi
echo "jolrun --window: ok"
