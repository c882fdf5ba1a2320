# SendKey switches Num Lock off while it types into a console window and on
# again at the end, whether the typing ends normally or at a bad key name.
# The target program poses as a console window by its window class.
. "$RIG_LIB"
log=$RIG_WORK/target.log
rig_spawn_program "$JOL_TARGET" --class ConsoleWindowClass --title "JOL Console" \
  "$(rig_path "$log")"
rig_wait_window '^JOL Console$'
rig_wait_line "$log" '^ready$'
rig_script "$RIG_WORK/numlock.jol" 'KeyToggleSet(@NUMLOCK, @ON)' 'before = KeyToggleGet(@NUMLOCK)' \
  'SendKeysTo("JOL Console", "ab")' 'typed = KeyToggleGet(@NUMLOCK)' \
  'ErrorMode(@OFF)' 'SendKeysTo("JOL Console", "c{NOSUCHKEY}")' 'error = LastError()' \
  'broken = KeyToggleGet(@NUMLOCK)'
# The bad key name is a moderate error: its box is answered OK from the
# answer queue, and the script goes on.
out=$RIG_WORK/numlock.out
export JOL_ANSWERS=ok
rig_program "$JOLRUN" --dump-vars "$(rig_path "$RIG_WORK/numlock.jol")" >"$out" \
  2>"$RIG_WORK/numlock.err" || true
unset JOL_ANSWERS
for want in before=1 typed=1 error=2001 broken=1; do
  tr -d "\r" <"$out" | grep -q "^$want\$" || rig_fail "want $want: $(cat "$out" "$RIG_WORK/numlock.err")"
done
chars() {
  grep '^char ' "$log" | tr '\n' ' '
}
expected="char 97 char 98 char 99 "
tries=100
while [ "$(chars)" != "$expected" ] && [ $tries -gt 0 ]; do
  tries=$((tries - 1))
  sleep 0.1
done
[ "$(chars)" = "$expected" ] || rig_fail "characters: $(chars)"
echo "Num Lock around typing into a console window: ok"
