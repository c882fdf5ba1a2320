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
# sent as synthetic events, which Wine ignores), each pressed again until
# its item has run.
rig_until "$RIG_ERR" "Open: opened" xdotool key ctrl+o
rig_until "$RIG_ERR" "Save: saved" xdotool key F5
rig_until "$RIG_ERR" "Secret: hidden" xdotool key ctrl+h
rig_until "$RIG_ERR" "Edit: edit 1" xdotool key alt+e

# The file changes (its time moves on by more than the two seconds the
# stored time can tell apart): the next command reloads the menu.
write_menu changed
touch -d "@$(($(date +%s) + 120))" "$menu"
rig_until "$RIG_ERR" "will reloaded" xdotool key ctrl+o
rig_until "$RIG_ERR" "Open: changed" xdotool key ctrl+o

rig_close_window "^jolrun: .*m[.]mnu$" "$jolrun"
wait "$jolrun"
status=$?
[ "$status" -eq 0 ] || rig_fail "jolrun exited with $status: $(cat "$RIG_ERR")"
echo "jolrun --menu window: ok"
