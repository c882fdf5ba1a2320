#!/bin/sh
# Runs a Windows program of the win64 build under Wine. The prefix lives in
# the build folder; test.sh initialises it once and keeps a display and a
# wine server running, so each test only starts the program.
here=$(cd "$(dirname "$0")/.." && pwd)
: "${WINEPREFIX:=$here/build/win64/wineprefix}"
export WINEPREFIX
# Wine's own messages are off unless the caller asks for some (when chasing
# a fault: WINEDEBUG=err+all).
: "${WINEDEBUG:=-all}"
export WINEDEBUG
# Wine answers each shortcut file saved by starting a program that reads it
# to make desktop menu entries; it would hold files the tests go on using.
export WINEDLLOVERRIDES="winemenubuilder.exe=d"
if [ -z "$DISPLAY" ]; then
  exec xvfb-run -a /usr/lib/wine/wine64 "$@"
fi
exec /usr/lib/wine/wine64 "$@"
