// The library's exported entry points for hosts. Their declarations are the
// public header's; the definitions are checked against it where they are
// compiled.
#pragma once

#include "include/jol.h"
#include "platform/abi.h"
