# jolrun --menu on Windows: the menu file's menu bar on jolrun's own
# window. Hotkeys of the file (also a hidden item's) and the bar's own
# mnemonics run their items; a menu file edited meanwhile is loaded again
# after the box that says so; closing the window ends jolrun.
. "$RIG_LIB"
JOL_ANSWERS=ok
export JOL_ANSWERS
tab=$(printf '\t')
menu=$RIG_WORK/m.mnu
write_menu() {
  rig_script "$menu" \
    "${tab}started = 1" \
    "&File ; File commands" \
    " &Open\\^O ; Opens a file" \
    "${tab}Message(\"Open\", \"$1\")" \
    " _&Save\\{F5}" \
    "${tab}Message(\"Save\", \"saved\")" \
    " @Secret\\^H" \
    "${tab}Message(\"Secret\", \"hidden\")" \
    "&Edit" \
    "${tab}Message(\"Edit\", \"edit %started%\")"
}
write_menu opened
rig_spawn_program "$JOLRUN" --menu "$(rig_path "$menu")"
jolrun=$RIG_PID
rig_wait_window "^jolrun: .*m[.]mnu$"
# Keys through the keyboard (keys chained to a window command would be
# sent as synthetic events, which Wine ignores). The window is focused
# before each key, and a key is pressed again until its item has run: on
# a loaded machine the window can show before its menu and hotkeys are in
# place, and windows of other tests' programs can take the focus.
press_until() {
  tries=6
  until grep -q -- "$2" "$RIG_ERR" 2>/dev/null; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] ||
      rig_fail "$1 never gave '$2': $(cat "$RIG_ERR"); the focus was on" \
        "'$(xdotool getwindowfocus getwindowname 2>&1)'"
    xdotool windowfocus --sync "$RIG_WINDOW"
    xdotool key "$1"
    (rig_wait_line "$RIG_ERR" "$2" 5) 2>/dev/null || true
  done
}
press_until ctrl+o "Open: opened"
press_until F5 "Save: saved"
press_until ctrl+h "Secret: hidden"
press_until alt+e "Edit: edit 1"

# The file changes (its time moves on by more than the two seconds the
# stored time can tell apart): the next command reloads the menu.
write_menu changed
touch -d "@$(($(date +%s) + 120))" "$menu"
press_until ctrl+o "will reloaded"
press_until ctrl+o "Open: changed"

rig_close_window "^jolrun: .*m[.]mnu$" "$jolrun"
wait "$jolrun"
status=$?
[ "$status" -eq 0 ] || rig_fail "jolrun exited with $status: $(cat "$RIG_ERR")"
echo "jolrun --menu window: ok"
