// Shared helpers of the unit tests.
#pragma once

#include <filesystem>
#include <string>

#include "platform/handles.h"

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

// A full file name of the test machine as a Windows name with a drive:
// a POSIX name "/tmp/x" becomes "C:\\tmp\\x" (C: is the root unless
// JOL_DRIVES says otherwise), a Win32 name keeps its drive; slashes become
// backslashes.
std::string DriveName(const std::string& path);

// Makes a folder the current directory for the life of the object.
class CurrentFolder {
public:
    explicit CurrentFolder(const std::string& folder);
    ~CurrentFolder();
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;

private:
    char saved_[1024] = {};
};

// A plain top-level (parent 0) or child window of a test class.
plat::Hwnd CreateTestWindow(plat::Hwnd parent);

} // namespace test
