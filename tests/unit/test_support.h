// Shared helpers of the unit tests.
#pragma once

#include <filesystem>
#include <string>

#include "platform/platform.h"

namespace test {

// A fresh settings store for one test: on the native backend a temporary
// JOL_HOME; on both backends the library's own settings keys are removed
// before and after, so no test sees what another one stored.
class TempHome {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::string saved_;
    bool had_saved_ = false;
};

// Removes the library's own settings keys (MAIN, DllUsage and the test
// section used by the settings tests).
void ClearLibrarySettings();

// A plain top-level (parent 0) or child window of a test class.
plat::Hwnd CreateTestWindow(plat::Hwnd parent);

} // namespace test
