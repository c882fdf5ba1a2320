#include "host/context/process_state.h"

#include "host/context/media_notify.h"
#include "platform/input.h"
#include "platform/modules.h"
#include "platform/system.h"
#include "platform/system_errors.h"
#include "platform/window_system.h"

namespace jol {

const char kNotifyClass[] = "jo8wcmmn";
const char kDialogClass[] = "jo9wcdlg";
const char kDialogClass2[] = "jo0wcdl2";

ProcessState& Process() {
    static ProcessState state;
    return state;
}

void SetLibraryInstance(plat::Module instance) {
    Process().instance = instance;
}

plat::Module LibraryInstance() {
    ProcessState& p = Process();
    if (!p.instance) p.instance = plat::module_of_address(reinterpret_cast<const void*>(&Process));
    return p.instance;
}

void ReadVersionFacts(VersionFacts& facts) {
    plat::VersionInfo v = plat::get_version();
    facts.major = v.major;
    facts.minor = v.minor;
    facts.win95 = v.platform_id == 1;
    facts.nt = v.platform_id == 2;
    facts.new_shell = facts.win95 || (facts.nt && v.major >= 4);
    facts.dbcs = plat::dbcs_enabled();
}

bool RegisterWindowClasses(const VersionFacts& facts) {
    // The dialog windows take the system's default handling until their
    // own procedure is built into the library.
    const plat::Module instance = LibraryInstance();
    const plat::Cursor arrow = plat::load_system_cursor(plat::SystemCursor::Arrow);
    const plat::WindowClass classes[] = {
        {kNotifyClass, MyMMNotifyProc, 0, 8, 0, 0, instance},
        {kDialogClass, plat::def_window_proc, plat::cs::HRedraw | plat::cs::VRedraw, 38, arrow,
         15 + 1, instance},
        {kDialogClass2, plat::def_window_proc, plat::cs::HRedraw | plat::cs::VRedraw, 38, arrow,
         15 + 1, instance},
    };
    for (const plat::WindowClass& wc : classes) {
        if (facts.win95) plat::set_last_error(plat::err::ClassAlreadyExists);
        if (!plat::register_class(wc) && plat::get_last_error() != plat::err::ClassAlreadyExists)
            return false;
    }
    return true;
}

} // namespace jol
