// State kept once per process and shared by every script context.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/handles.h"

namespace jol {

struct VersionFacts {
    unsigned major = 0;
    unsigned minor = 0;
    bool win95 = false;     // the Windows 95 platform family
    bool nt = false;        // the Windows NT platform family
    bool new_shell = false; // Windows 95 family, or the NT family from version 4
    bool dbcs = false;      // double-byte character sets enabled
};

struct ProcessState {
    plat::Module instance = 0; // the library's own module
    std::atomic<bool> initialised{false};
    VersionFacts version;
    char popup_menu_text[201] = {}; // message 730
    char menu_item_text[201] = {};  // message 731
};

ProcessState& Process();

// The library's module instance: the one DllMain stored, or, where no
// DllMain call came, the module that holds this code.
plat::Module LibraryInstance();
void SetLibraryInstance(plat::Module instance);

// Reads the version facts (first context initialisation of the process).
void ReadVersionFacts(VersionFacts& facts);

// Names of the library's window classes.
extern const char kNotifyClass[];  // "jo8wcmmn"
extern const char kDialogClass[];  // "jo9wcdlg"
extern const char kDialogClass2[]; // "jo0wcdl2"

// Registers the library's three window classes; false when one could not
// be registered for a reason other than that it exists already.
bool RegisterWindowClasses(const VersionFacts& facts);

} // namespace jol
