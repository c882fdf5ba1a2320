# Without a display: jolrun --window refuses cleanly (a message, status 1,
# the script not run), and a script without --window runs as ever.
jolrun=$1
unset DISPLAY
work=${TMPDIR:-/tmp}/jol_no_display.$$
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAILED: $*" >&2
  exit 1
}
"$jolrun" --dump-vars --window "JOL no display" wait_for_file.jol wait_for_file.jol \
  >"$work/out" 2>"$work/err"
status=$?
[ "$status" -eq 1 ] || fail "--window without a display exited with $status"
grep -q '^jolrun: --window: no display to show the window on (DISPLAY is not set)$' "$work/err" ||
  fail "message: $(cat "$work/err")"
[ ! -s "$work/out" ] || fail "the script ran: $(cat "$work/out")"
"$jolrun" --dump-vars wait_for_file.jol wait_for_file.jol >"$work/out" 2>"$work/err" ||
  fail "the script alone failed: $(cat "$work/err")"
grep -q '^found=1$' "$work/out" || fail "output: $(cat "$work/out")"
echo "no display: ok"
