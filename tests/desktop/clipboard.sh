# The clipboard seen from outside, through xclip (Wine shares its
# clipboard with X): what a script put there is still there after the run
# has ended (natively; Wine keeps it only while the program runs), what another program put there a script reads, an image is
# no text, and a snapshot is an image of the screen's size. Under Wine a
# program also puts text with no terminating zero.
. "$RIG_LIB"

# run NAME LINE...: runs the lines as a script; its variables in NAME.out.
run() {
  name=$1
  shift
  rig_script "$RIG_WORK/$name.jol" "$@"
  rig_program "$JOLRUN" --dump-vars "$(rig_path "$RIG_WORK/$name.jol")" \
    >"$RIG_WORK/$name.raw" 2>"$RIG_WORK/$name.err" || rig_fail "$name: $(cat "$RIG_WORK/$name.err")"
  tr -d '\r' <"$RIG_WORK/$name.raw" >"$RIG_WORK/$name.out"
}
expect() {
  grep -qxF -- "$2" "$RIG_WORK/$1.out" || rig_fail "$1: expected $2: $(cat "$RIG_WORK/$1.out")"
}
clip_out() {
  timeout 10 xclip -o -selection clipboard "$@"
}
clip_in() {
  timeout 10 xclip -i -selection clipboard "$@" >/dev/null 2>&1
}

# spawn NAME LINE...: starts the lines as a script that then stays 8
# seconds (Wine keeps the clipboard's content only while the program that
# put it runs); wait_clip WANT [xclip options]: waits until xclip reads WANT.
spawn() {
  name=$1
  shift
  rig_script "$RIG_WORK/$name.jol" "$@" 'Delay(8)'
  rig_spawn_program "$JOLRUN" --dump-vars "$(rig_path "$RIG_WORK/$name.jol")"
}
wait_clip() {
  want=$1
  shift
  tries=150
  until [ "$(clip_out "$@" 2>/dev/null)" = "$want" ]; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || rig_fail "xclip never read '$want' (last '$(clip_out "$@" 2>&1)')"
    sleep 0.1
  done
}

if [ -z "${JOL_EMULATOR:-}" ]; then
  # Put by a script that has ended, then read from outside.
  run put 'ok = ClipPut("put by a script")'
  expect put ok=1
  got=$(clip_out) || rig_fail "xclip could not read what the script put"
  [ "$got" = "put by a script" ] || rig_fail "xclip read '$got'"
  # Appended by a second run to what the first one left.
  run append 'ok = ClipAppend(" and more")'
  expect append ok=1
  got=$(clip_out)
  [ "$got" = "put by a script and more" ] || rig_fail "after ClipAppend xclip read '$got'"
else
  spawn put 'ok = ClipPut("put by a script")'
  wait_clip "put by a script"
  wait "$RIG_PID" || rig_fail "put (status $?): $(cat "$RIG_ERR")"
fi

# Put by another program, read and appended to by a script.
printf 'from xclip' | clip_in
run get 'text = ClipGet()' 'n = StrLen(text)' 'ok = ClipAppend(" and more")' 'both = ClipGet()'
expect get text="from xclip"
expect get n=10
expect get ok=1
expect get both="from xclip and more"

# An image and no text: ClipGet and ClipAppend refuse.
python3 - "$RIG_WORK/dot.png" <<'PY'
import struct, sys, zlib
def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xffffffff)
raw = b"".join(b"\0" + b"\xff\0\0" * 4 for _ in range(3))
png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 4, 3, 8, 2, 0, 0, 0)) +
       chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))
open(sys.argv[1], "wb").write(png)
PY
clip_in -t image/png "$RIG_WORK/dot.png"
run image 'ErrorMode(@OFF)' 'text = ClipGet()' 'get = LastError()' 'ok = ClipAppend("x")' \
  'append = LastError()'
expect image get=1035
expect image append=1035

# A snapshot of the screen: an image of the screen's size, read after the
# run by a tool of its own.
printf 'before the snapshot' | clip_in # no image left from before
snap='ok = Snapshot(0)'
if [ -z "${JOL_EMULATOR:-}" ]; then
  run snap "$snap"
  expect snap ok=1
else
  spawn snap "$snap"
  tries=150
  until clip_out -t TARGETS 2>/dev/null | grep -q '^image/'; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || rig_fail "no image after Snapshot: $(clip_out -t TARGETS 2>&1)"
    sleep 0.1
  done
fi
targets=$(clip_out -t TARGETS) || rig_fail "no targets after Snapshot"
case "$targets" in
*image/png*) kind=png ;;
*image/bmp*) kind=bmp ;;
*) rig_fail "no image among the targets: $targets" ;;
esac
clip_out -t "image/$kind" >"$RIG_WORK/shot.$kind" || rig_fail "the $kind image could not be read"
size=$(python3 - "$RIG_WORK/shot.$kind" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
if data[:8] == b"\x89PNG\r\n\x1a\n":
    w, h = struct.unpack(">II", data[16:24])
elif data[:2] == b"BM":
    w, h = struct.unpack("<ii", data[18:26])
    h = abs(h)
else:
    sys.exit("not an image: %r" % data[:16])
print("%dx%d" % (w, h))
PY
) || rig_fail "the image is not one"
set -- $(xdotool getdisplaygeometry)
[ "$size" = "$1x$2" ] || rig_fail "the snapshot is $size, the screen $1x$2"
if [ -n "${JOL_EMULATOR:-}" ]; then
  wait "$RIG_PID" || rig_fail "snap (status $?): $(cat "$RIG_ERR")"
  tr -d '\r' <"$RIG_OUT" | grep -qx ok=1 || rig_fail "Snapshot: $(cat "$RIG_OUT")"
fi
if [ -z "${JOL_EMULATOR:-}" ]; then
  # The bitmap form too, whole: far larger than one request, it comes in
  # pieces.
  clip_out -t image/bmp >"$RIG_WORK/shot.bmp" || rig_fail "no image/bmp"
  want=$((54 + ($1 * 3 + 3) / 4 * 4 * $2))
  [ "$(wc -c <"$RIG_WORK/shot.bmp")" -eq "$want" ] ||
    rig_fail "the bitmap has $(wc -c <"$RIG_WORK/shot.bmp") bytes, not $want"
fi

# The active window's client area, partly off the screen: the part on it.
if [ -z "${JOL_EMULATOR:-}" ]; then
  rig_spawn xterm -T "JOL shot $$" -geometry 80x24
  rig_wait_window "^JOL shot $$\$"
  xdotool windowmove "$RIG_WINDOW" -100 200
  xdotool windowactivate --sync "$RIG_WINDOW"
  sleep 0.5
  left=$(xwininfo -id "$RIG_WINDOW" | sed -n 's/^ *Absolute upper-left X: *//p')
  width=$(xwininfo -id "$RIG_WINDOW" | sed -n 's/^ *Width: *//p')
  height=$(xwininfo -id "$RIG_WINDOW" | sed -n 's/^ *Height: *//p')
  [ "$left" -lt 0 ] || rig_fail "the window is not off the left edge: $left"
  run client 'ok = Snapshot(1)'
  expect client ok=1
  clip_out -t image/png >"$RIG_WORK/client.png" || rig_fail "no image of the window"
  got=$(python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(); print("%dx%d" % struct.unpack(">II", d[16:24]))' "$RIG_WORK/client.png")
  [ "$got" = "$((left + width))x$height" ] ||
    rig_fail "the window's snapshot is $got, not $((left + width))x$height"
fi

# Text in a block without a terminating zero: read within the block.
if [ -n "${JOL_EMULATOR:-}" ]; then
  rig_spawn_program "$JOL_CLIP_UNTERMINATED"
  rig_wait_line "$RIG_OUT" '^ready' 15
  run unterminated 'n = StrLen(ClipGet())'
  # Within the block: all of it, or all but the last byte where the
  # system put a terminator of its own (Wine does); never more.
  grep -Eqx 'n=409[56]' "$RIG_WORK/unterminated.out" ||
    rig_fail "unterminated: $(cat "$RIG_WORK/unterminated.out")"
fi
echo "clipboard: ok"
