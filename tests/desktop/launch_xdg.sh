# Documents opened through the desktop's own tools: a handler for plain
# text, installed as a desktop entry in a temporary XDG_DATA_HOME and made
# the default with xdg-mime, is started by ShellExecute (through xdg-open)
# and by Run of the document (the program xdg-mime names for it); each
# time it writes down the arguments it got.
. "$RIG_LIB"
command -v xdg-open >/dev/null && command -v xdg-mime >/dev/null || exit 77
export XDG_DATA_HOME="$RIG_WORK/data" XDG_CONFIG_HOME="$RIG_WORK/config"
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION
mkdir -p "$XDG_DATA_HOME/applications" "$XDG_CONFIG_HOME"
cat >"$XDG_DATA_HOME/applications/joltest-viewer.desktop" <<END
[Desktop Entry]
Type=Application
Name=JOL test viewer
Exec=$JOL_ARGV_DUMP %f
MimeType=text/plain;
END
xdg-mime default joltest-viewer.desktop text/plain
[ "$(xdg-mime query default text/plain)" = joltest-viewer.desktop ] || rig_fail "handler not the default"
doc="$RIG_WORK/a letter.txt"
printf 'hello\n' >"$doc"
export JOL_ARGV_FILE="$RIG_WORK/argv.log"
rig_script "$RIG_WORK/open.jol" \
  "s = ShellExecute('$doc', '', '', @NORMAL, '')" \
  "x = ShellExecute('$RIG_WORK/missing.txt', '', '', @NORMAL, '')"
"$JOLRUN" --dump-vars "$RIG_WORK/open.jol" >"$RIG_WORK/out1.txt" 2>"$RIG_WORK/err1.txt" ||
  rig_fail "ShellExecute script: $(cat "$RIG_WORK/err1.txt")"
grep -qx "s=1" "$RIG_WORK/out1.txt" || rig_fail "ShellExecute: $(cat "$RIG_WORK/out1.txt")"
grep -qx "x=0" "$RIG_WORK/out1.txt" || rig_fail "missing file: $(cat "$RIG_WORK/out1.txt")"
rig_wait_line "$JOL_ARGV_FILE" "^arg=$doc\$"
rm -f "$JOL_ARGV_FILE"
rig_script "$RIG_WORK/run.jol" "r = RunWait('$doc', '')"
"$JOLRUN" --dump-vars "$RIG_WORK/run.jol" >"$RIG_WORK/out2.txt" 2>"$RIG_WORK/err2.txt" ||
  rig_fail "Run script: $(cat "$RIG_WORK/err2.txt")"
grep -qx "r=1" "$RIG_WORK/out2.txt" || rig_fail "Run of a document: $(cat "$RIG_WORK/out2.txt")"
grep -qx "arg=$doc" "$JOL_ARGV_FILE" || rig_fail "the handler got: $(cat "$JOL_ARGV_FILE")"
echo "launch_xdg: ok"
