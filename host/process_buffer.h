// ProcessDaBatBuffer, the entry point through which a host runs a script:
// declared in the public header. It returns 0 (no run) for a block that
// cannot be locked, a text without its zero byte, a text over 65520 bytes,
// UTF-16 text that cannot be converted, or a run of the context already in
// progress.
#pragma once

#include "include/jol.h"
