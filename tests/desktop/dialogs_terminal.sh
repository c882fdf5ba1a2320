# Natively, with a terminal and no scripted answers, a Dialog asks for
# each of its controls and then for the button, and the debug step takes
# Enter, "r", "c" and "v NAME": driven here through tmux.
# Usage: dialogs_terminal.sh JOLRUN
jolrun=$1
command -v tmux >/dev/null 2>&1 || { echo "tmux is not installed"; exit 77; }
work=$(mktemp -d)
server=jolterm$$
trap 'tmux -L "$server" kill-server 2>/dev/null; rm -rf "$work"' EXIT
fail() {
  echo "FAILED: $*" >&2
  tmux -L "$server" capture-pane -p -t t >&2 2>/dev/null
  exit 1
}
# Waits until the pane shows the text (a fixed string).
wait_for() {
  tries=100
  until tmux -L "$server" capture-pane -p -t t 2>/dev/null | grep -F -q -- "$1"; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || fail "no '$1' on the terminal"
    sleep 0.1
  done
}
send() {
  tmux -L "$server" send-keys -t t "$@"
}

for line in \
  'TFormat = "CRVDLGED,4.0"' 'TX = 1' 'TY = 1' 'TWidth = 100' 'THeight = 60' \
  'TCaption = "Terminal form"' 'TNumControls = 6' \
  'T01 = `8,4,40,10,STATICTEXT,,"Who:"`' \
  'T02 = `50,4,40,10,EDITBOX,name,"nobody"`' \
  'T03 = `8,16,40,10,RADIOBUTTON,size,small,1`' \
  'T04 = `50,16,40,10,RADIOBUTTON,size,large,2`' \
  'T05 = `8,28,40,10,PUSHBUTTON,,DEFAULT,1`' \
  'T06 = `50,28,40,10,PUSHBUTTON,,Later,7`' \
  'size = 2' \
  'pressed = Dialog("T")' \
  'Debug(1)' 'a = 5' 'b = 6' 'c = 7'; do
  printf '%s\r\n' "$line" >>"$work/t.jol"
done

tmux -L "$server" new-session -d -s t -x 150 -y 50 \
  "cd '$work' && env -u JOL_ANSWERS -u JOL_ANSWERS_FILE '$jolrun' --dump-vars t.jol >out.txt; echo \$? >rc.txt; sleep 30"
wait_for "== Terminal form =="
wait_for "name [nobody]:"
send "Ann Smith" Enter
wait_for "size (1 small / 2 large*):"
send "1" Enter
wait_for "] button:"
send "7" Enter
wait_for "[Enter next / r run / c cancel / v NAME]"
send "v pressed" Enter
wait_for 'pressed = "7"'
send Enter
wait_for "a = 5"
send "r" Enter
tries=100
until [ -s "$work/rc.txt" ]; do
  tries=$((tries - 1))
  [ "$tries" -gt 0 ] || fail "jolrun did not end"
  sleep 0.1
done
[ "$(cat "$work/rc.txt")" = 0 ] || fail "jolrun exited with $(cat "$work/rc.txt")"
for want in "pressed=7" "name=Ann Smith" "size=1" "c=7"; do
  grep -q "^$want\$" "$work/out.txt" || fail "no $want in: $(cat "$work/out.txt")"
done
echo "dialogs on the terminal: ok"
