#!/bin/sh
# Makes the two packages into build/packages/:
#   jol_VERSION_ARCH.deb    the Linux package (from the native build)
#   jol-VERSION-win32.zip   the Windows package (from the i686 build)
# Each build is configured and brought up to date first (a tree that
# ./test.sh built is only checked). With --check the packages are then
# unpacked and tried (tests/package/check_packages.sh).
set -e
here=$(cd "$(dirname "$0")" && pwd)
cd "$here"
check=""
[ "$1" = "--check" ] && check=1
jobs=$(nproc)
for preset in native win32; do
  cmake --preset "$preset" -DJOL_WERROR=ON >/dev/null
  cmake --build --preset "$preset" -j"$jobs"
done
mkdir -p build/packages
rm -f build/packages/jol_*.deb build/packages/jol-*-win32.zip
(cd build/native && cpack -G DEB)
(cd build/win32 && cpack -G ZIP)
ls -l build/packages
[ -z "$check" ] || tests/package/check_packages.sh build/packages
