#!/bin/sh
# Installs what the build and the tests need, when it is missing. Runs as
# root (or through sudo) without prompts; a machine that has everything is
# left alone. The desktop tests need a virtual display (xvfb), a window
# manager (openbox), keyboard and mouse from outside (xdotool), a fixed
# keyboard map (setxkbmap of x11-xkb-utils), programs to drive (xterm,
# xmessage of x11-utils) and the tools to look at windows and the
# clipboard (xprop of x11-utils, xclip). The icon tests make their
# fixtures with python3 and read icons back with wrestool (icoutils). The
# packages are made and checked with dpkg-dev (dpkg-shlibdeps works out the
# .deb's dependencies) and unzip. The native registry mounts hive
# files through libhivex; its tools (hivexregedit, hivexget) check them.
# The terminal menu of jolrun --menu and the dialogs answered on a terminal
# are driven through tmux. DllCall's calls are built with libffi. Screen
# snapshots are written as PNG through libpng.
# Sound files play through ALSA (libasound2-dev). The settings tests read
# the X server's settings with xset and xmodmap (x11-xserver-utils).
set -e
packages="cmake make g++ libgtest-dev libbenchmark-dev g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64 xvfb xauth clang-format clang libclang-rt-14-dev
libx11-dev libxtst-dev openbox xdotool xterm x11-utils x11-xkb-utils xclip
python3 icoutils dpkg-dev unzip libhivex-dev libhivex-bin libwin-hivex-perl
tmux xdg-utils file libffi-dev libpng-dev
libasound2-dev x11-xserver-utils"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "setup: installing$missing"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends $missing
