# Without a display: the functions that act on the desktop fail with 1193,
# the readers give their documented empty answers, and the mouse functions
# check their arguments first.
jolrun=$1
unset DISPLAY
work=${TMPDIR:-/tmp}/jol_keys_no_display.$$
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAILED: $*" >&2
  exit 1
}
: >"$work/s.jol"
for line in \
  'ErrorMode(@OFF)' \
  'SendKey("abc")' 'send = LastError()' \
  'WaitForKey("{F1}", "", "", "", "")' 'wait = LastError()' \
  'MouseClick(@LCLICK, 0)' 'click = LastError()' \
  'MouseMove(1, 1, "", "")' 'move = LastError()' \
  'MouseMove(1, 1, "", "child")' 'orphan = LastError()' \
  'toggle = KeyToggleGet(@NUMLOCK)' 'down = IsKeyDown(0)' \
  'under = StrCat("[", MouseInfo(0), "]")' 'where = MouseInfo(3)' 'held = MouseInfo(4)' \
  'drag = MouseDrag(1, 2, 3, 4, 5)' \
  'SendMenusTo("Any", "FileOpen")' 'menu = LastError()' \
  'MouseClickBtn("Any", "", "OK")' 'button = LastError()' \
  'IntControl(46, 0, 0, 0, 0)' 'SendKeysTo("Any", "x")' 'sendto = LastError()'; do
  printf '%s\r\n' "$line" >>"$work/s.jol"
done
"$jolrun" --dump-vars "$work/s.jol" >"$work/out" 2>"$work/err" || fail "run: $(cat "$work/err")"
for want in send=1193 wait=1193 click=1193 move=1193 orphan=1441 toggle=0 down=0 'under=\[\]' \
  'where=0 0' held=0 drag=1 menu=1045 button=1442 sendto=1045; do
  grep -q "^$want\$" "$work/out" || fail "want $want: $(cat "$work/out")"
done
echo "keys without a display: ok"
