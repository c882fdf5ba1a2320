# The desktop settings that X has, read and written through WinParmGet and
# WinParmSet and checked from outside with xset and xmodmap: the bell, the
# pointer's acceleration, key repeat, the screen saver and the button
# swap. A setting X has no place for, and the wallpaper, are 1193.
. "$RIG_LIB"
q() { xset q | tr -s ' ' ' '; }
# Known values set from outside first, then read by the library.
xset b 50 && xset m 2/1 4 && xset r rate 660 25 && xset s 600 600 ||
  rig_fail "xset could not set the start values"
xmodmap -e 'pointer = default' || rig_fail "xmodmap could not reset the buttons"
rig_script "$RIG_WORK/settings.jol" \
  'pbeep = WinParmGet(1)' 'mouse = WinParmGet(2)' 'saver = WinParmGet(7)' \
  'active = WinParmGet(8)' 'kdelay = WinParmGet(12)' 'swap = WinParmGet(19)' \
  'old7 = WinParmSet(7, "1200", 0)' 'old2 = WinParmSet(2, "6 12 2", 0)' \
  'old1 = WinParmSet(1, "@FALSE", 0)' 'old12 = WinParmSet(12, "2", 0)' \
  'old4 = WinParmSet(4, "31", 0)' 'old19 = WinParmSet(19, "Yes", 0)' \
  'swapped = WinParmGet(19)' 'speed = WinParmGet(4)' 'ErrorMode(@OFF)' \
  'border = WinParmSet(3, "1", 0)' 'code3 = LastError()' \
  'wall = WinParmGet(10)' 'Wallpaper("", 0)' 'codewall = LastError()' \
  'EXECUTE bad = WinParmGet(21)' 'after = 1'
JOL_ANSWERS=default "$JOLRUN" --dump-vars "$RIG_WORK/settings.jol" >"$RIG_WORK/settings.out" \
  2>"$RIG_WORK/settings.err" || rig_fail "settings.jol: $(cat "$RIG_WORK/settings.err")"
out=$RIG_WORK/settings.out
want() { grep -q "^$1\$" "$out" || rig_fail "want $1: $(cat "$out")"; }
want 'pbeep=1'
want 'mouse=4 8 1'
want 'saver=600'
want 'active=1'
want 'kdelay=2'
want 'swap=0'
want 'old7=600'
want 'old2=4 8 1'
want 'old1=1'
want 'old12=2'
want 'swapped=1'
want 'speed=31'
want 'code3=1193'
want 'wall=(NONE)'
want 'codewall=1193'
want 'after=1'
grep -q 'WinParmGet/Set: Invalid request number' "$RIG_WORK/settings.err" ||
  rig_fail "request 21: $(cat "$RIG_WORK/settings.err")"
q | grep -q 'timeout: 1200 ' || rig_fail "screen saver: $(q | grep timeout)"
q | grep -q 'acceleration: 4/1 threshold: 6' || rig_fail "pointer: $(q | grep accel)"
q | grep -q 'bell percent: 0 ' || rig_fail "bell: $(q | grep bell)"
q | grep -q 'auto repeat delay: 750 repeat rate: 30' || rig_fail "repeat: $(q | grep repeat)"
xmodmap -pp | grep -Eq '^ +1 +3$' || rig_fail "buttons: $(xmodmap -pp | head -6)"
xmodmap -pp | grep -Eq '^ +3 +1$' || rig_fail "buttons: $(xmodmap -pp | head -6)"
# The screen saver switched off and on again; the swap undone.
rig_script "$RIG_WORK/saver.jol" 'a = WinParmSet(8, "", 0)' 'off = WinParmGet(8)' \
  'b = WinParmSet(8, "@TRUE", 0)' 'on = WinParmGet(7)' 'c = WinParmSet(19, "0", 0)'
"$JOLRUN" --dump-vars "$RIG_WORK/saver.jol" >"$RIG_WORK/saver.out" \
  2>"$RIG_WORK/saver.err" || rig_fail "saver.jol: $(cat "$RIG_WORK/saver.err")"
grep -q '^off=0$' "$RIG_WORK/saver.out" || rig_fail "saver off: $(cat "$RIG_WORK/saver.out")"
grep -q '^on=600$' "$RIG_WORK/saver.out" || rig_fail "saver on: $(cat "$RIG_WORK/saver.out")"
xmodmap -pp | grep -Eq '^ +1 +1$' || rig_fail "buttons back: $(xmodmap -pp | head -6)"
xset b 50 && xset m 2/1 4 && xset r rate 660 25 && xset s 600 600
echo "desktop settings: ok"
