# SendMenusTo under Windows. A program's menus can be read only in its own
# process here, so the target program hosts the library and runs the
# script itself, then asks for menu paths through the service entry.
. "$RIG_LIB"
log=$RIG_WORK/menus.log
# The path is cut at a backslash; marks, spaces and case do not count.
rig_script "$RIG_WORK/menus.jol" 'ErrorMode(@OFF)' \
  'byname = SendMenusTo("JOL Target", "File Open")' \
  'marked = SendMenusTo("JOL Target", "&File|&Open")' \
  'copy = SendMenusTo("JOL Target", "edit _COPY\File Exit")' \
  'SendMenusTo("JOL Target", "File")' 'submenu = LastError()' \
  'SendMenusTo("JOL Target", "File Close")' 'nomatch = LastError()' \
  'SendMenusTo("JOL Nowhere", "File Open")' 'nowindow = LastError()'
rig_spawn_program "$JOL_TARGET" --jol "$(rig_path "$RIG_WORK/menus.jol")" "$(rig_path "$log")"
rig_wait_window '^JOL Target$'
rig_wait_line "$log" '^service File [0-9-]*$' 30
grep -q '^run 1 ' "$log" || rig_fail "the script did not run: $(cat "$log")"
for want in byname=1 marked=1 copy=1 submenu=1316 nomatch=1316 nowindow=1045 \
  'service File Open 1' 'service File 0'; do
  tr -d '\r' <"$log" | grep -q "^\(var \)\?$want\$" || rig_fail "want $want: $(cat "$log")"
done
# The commands arrive in the order they were chosen; the last one is the
# service request's.
commands() {
  grep '^command ' "$log" | tr '\n' ' '
}
expected="command 101 command 101 command 201 command 101 "
tries=50
while [ "$(commands)" != "$expected" ] && [ $tries -gt 0 ]; do
  tries=$((tries - 1))
  sleep 0.1
done
[ "$(commands)" = "$expected" ] || rig_fail "commands: $(commands)"
echo "menus under Windows: ok"
