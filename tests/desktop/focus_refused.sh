# A window the window manager will not bring to the front: an xterm that
# bypasses it (override-redirect). It is no managed top-level window, so a
# title search does not find it (1045); named by its WinId it is found, but
# it cannot be activated: SendKeysTo fails with 1046 and types nothing,
# neither into it nor into the xterm that keeps the focus.
. "$RIG_LIB"
focused=$RIG_WORK/focused
unmanaged=$RIG_WORK/unmanaged
rig_spawn xterm -T "JOL focused" -e sh -c "stty raw -echo; cat > '$focused'"
rig_wait_window '^JOL focused$'
focused_id=$RIG_WINDOW
# Such an xterm leaves its title unset: it is found by its process id and
# given one, so that the title search has something to miss.
rig_spawn xterm -xrm 'XTerm*overrideRedirect: true' -geometry 40x5+300+300 \
  -e sh -c "stty raw -echo; cat > '$unmanaged'"
unmanaged_id=$(timeout 15 xdotool search --sync --pid "$RIG_PID" 2>/dev/null | head -n 1)
[ -n "$unmanaged_id" ] || rig_fail "the unmanaged xterm did not appear"
xdotool set_window --name "JOL unmanaged" "$unmanaged_id"
xdotool windowactivate --sync "$focused_id" || rig_fail "cannot activate the focused xterm"
winid=$(printf '#WIN$ID#%08X' "$unmanaged_id")
rig_script "$RIG_WORK/refused.jol" 'IntControl(46, 0, 0, 0, 0)' 'ErrorMode(@OFF)' \
  'listed = WinExist("JOL unmanaged")' \
  'SendKeysTo("JOL unmanaged", "bytitle")' 'bytitle = LastError()' \
  "present = WinExist(\"$winid\")" \
  "SendKeysTo(\"$winid\", \"byid\")" 'byid = LastError()' \
  'SendKey("z")'
"$JOLRUN" --dump-vars "$RIG_WORK/refused.jol" >"$RIG_WORK/refused.out" 2>"$RIG_WORK/refused.err" ||
  rig_fail "refused.jol: $(cat "$RIG_WORK/refused.err")"
for want in listed=0 bytitle=1045 present=1 byid=1046; do
  grep -q "^$want\$" "$RIG_WORK/refused.out" || rig_fail "want $want: $(cat "$RIG_WORK/refused.out")"
done
# The last key went to the window that has the focus: everything before it
# would have arrived first.
rig_wait_line "$focused" 'z'
[ "$(cat "$focused")" = "z" ] || rig_fail "the focused xterm got: $(cat "$focused")"
[ ! -s "$unmanaged" ] || rig_fail "the unmanaged xterm got: $(cat "$unmanaged")"
echo "a window that cannot be activated takes no keys: ok"
