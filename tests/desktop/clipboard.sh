# The clipboard seen from outside, through xclip (Wine shares its
# clipboard with X): what a script put there is still there after the run
# has ended, what another program put there a script reads, an image is
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

# Put by another program, read by a script.
printf 'from xclip' | clip_in
run get 'text = ClipGet()' 'n = StrLen(text)'
expect get text="from xclip"
expect get n=10

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
run snap 'ok = Snapshot(0)' 'ErrorMode(@OFF)' 'text = ClipGet()' 'get = LastError()'
expect snap ok=1
expect snap get=1035
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
  rig_program "$JOL_CLIP_UNTERMINATED" || rig_fail "the helper could not put its text"
  run unterminated 'n = StrLen(ClipGet())'
  expect unterminated n=4096
fi
echo "clipboard: ok"
