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

// A fresh folder of the test's own, removed with everything in it at the
// end (read-only entries are made writable first). Entries are named as
// Windows names with a drive, as the library names them.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The folder's own name, and the name of an entry in it.
    const std::string& name() const { return name_; }
    std::string Name(const std::string& entry) const { return name_ + "\\" + entry; }
    // Writes a file of the given bytes; its name.
    std::string File(const std::string& entry, const std::string& bytes = "x") const;
    // Makes a folder; its name.
    std::string Subfolder(const std::string& entry) const;
    // The bytes of an entry, empty when it cannot be read.
    std::string Read(const std::string& entry) const;

private:
    std::filesystem::path path_;
    std::string name_;
};

// A full file name of the test machine as a Windows name with a drive:
// a POSIX name "/tmp/x" becomes "C:\\tmp\\x" (C: is the root unless
// JOL_DRIVES says otherwise), a Win32 name keeps its drive; slashes become
// backslashes.
std::string DriveName(const std::string& path);

// Whether a read-only file is refused for writing. The native backend
// always refuses it; Wine keeps read-only as the absence of write
// permission, which does not stop a privileged user, so under Wine the
// answer depends on who runs the tests.
bool ReadOnlyStopsWriting();

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
