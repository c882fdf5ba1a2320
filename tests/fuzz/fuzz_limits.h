// What the fuzz targets keep away from: functions that wait (a random
// argument may mean hours), that write to the system (files, settings, the
// environment), that load modules, or that reserve memory outside the
// string heap by a random size. Their rows are disabled, so a call of one
// fails as a disabled function does, before its arguments are read.
#pragma once

#include <cstring>

#include "lang/keyword_table.h"
#include "platform/platform.h"

namespace fuzz {

inline void DisableUnsafeFunctions() {
    static const char* const kNames[] = {
        "delay",         "timedelay",   "timewait",     "yields",     "iniwrite",
        "iniwritepvt",   "inidelete",   "inideletepvt", "environset", "filetimeset",
        "filetimetouch", "binaryalloc", "binarywrite",  "binaryread", "addextender",
    };
    jol::KeywordEntry* rows = jol::WritableBuiltinKeywords();
    const int count = jol::BuiltinKeywordCount();
    for (const char* name : kNames)
        for (int i = 0; i < count; ++i)
            if (std::strncmp(rows[i].name, name, sizeof rows[i].name) == 0)
                rows[i].kind |= jol::kind::Disabled;
    // Boxes take their default button without waiting for anyone.
    plat::set_env("JOL_ANSWERS", "default");
}

} // namespace fuzz
