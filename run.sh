#!/bin/sh
# Sets the machine up when needed, builds the Linux library and host, and
# runs a script with jolrun: ./run.sh examples/hello.jol
set -e
here=$(cd "$(dirname "$0")" && pwd)
"$here/tools/setup.sh"
cmake --preset native -S "$here" >/dev/null
cmake --build "$here/build/native" -j"$(nproc)" --target jolrun
exec "$here/build/native/jolrun" "$@"
