#!/bin/sh
# Installs what the build and the tests need, when it is missing. Runs as
# root (or through sudo) without prompts; a machine that has everything is
# left alone.
set -e
packages="cmake make g++ libgtest-dev libbenchmark-dev g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64 xvfb xauth libx11-dev libxtst-dev clang-format clang libclang-rt-14-dev"
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
