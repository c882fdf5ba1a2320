#include "tests/unit/test_support.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/modules.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/system_errors.h"
#include "platform/window_system.h"

namespace test {
namespace {

const char kTestClass[] = "JolTestWindow";

std::string Env(const char* name, bool* present) {
    char buf[1024];
    std::size_t n = plat::get_env(name, buf, sizeof buf);
    *present = n > 0;
    return *present ? std::string(buf) : std::string();
}

} // namespace

void ClearLibrarySettings() {
    plat::RegKey root = plat::reg_root(plat::RegRoot::LocalMachine);
    for (const char* key : {"Software\\Corvane\\Settings\\CRVBATCH\\MAIN",
                            "Software\\Corvane\\Settings\\CRVBATCH\\DllUsage",
                            "Software\\Corvane\\Settings\\TESTS\\Section"})
        plat::reg_delete_key(root, key);
}

TempHome::TempHome() {
    static std::atomic<int> serial{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    std::filesystem::path dir =
        std::filesystem::temp_directory_path() /
        ("jol-test-" + std::to_string(stamp) + "-" + std::to_string(serial++));
    std::filesystem::create_directories(dir);
    path_ = dir.string();
    saved_ = Env("JOL_HOME", &had_saved_);
    plat::set_env("JOL_HOME", path_.c_str());
    ClearLibrarySettings();
}

TempHome::~TempHome() {
    ClearLibrarySettings();
    plat::set_env("JOL_HOME", had_saved_ ? saved_.c_str() : nullptr);
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string DriveName(const std::string& path) {
    std::string name = path;
    for (char& c : name)
        if (c == '/') c = '\\';
    if (!name.empty() && name[0] == '\\' && (name.size() < 2 || name[1] != '\\'))
        name = "C:" + name;
    return name;
}

TempFolder::TempFolder() {
    static std::atomic<int> serial{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = std::filesystem::temp_directory_path() /
            ("jol-dir-" + std::to_string(stamp) + "-" + std::to_string(serial++));
    std::filesystem::create_directories(path_);
    name_ = DriveName(path_.string());
}

TempFolder::~TempFolder() {
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        plat::set_file_attributes(DriveName(it->path().string()).c_str(), 0);
    std::filesystem::remove_all(path_, ec);
}

std::string TempFolder::File(const std::string& entry, const std::string& bytes) const {
    std::ofstream(path_ / entry, std::ios::binary) << bytes;
    return Name(entry);
}

std::string TempFolder::Subfolder(const std::string& entry) const {
    std::filesystem::create_directory(path_ / entry);
    return Name(entry);
}

std::string TempFolder::Read(const std::string& entry) const {
    std::ifstream f(path_ / entry, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

bool ReadOnlyStopsWriting() {
#if defined(_WIN32)
    static const bool stops = [] {
        TempFolder dir;
        const std::string name = dir.File("probe.txt");
        plat::set_file_attributes(name.c_str(), plat::fattr::ReadOnly);
        std::FILE* f = std::fopen(name.c_str(), "ab");
        if (f) std::fclose(f);
        return f == nullptr;
    }();
    return stops;
#else
    return true;
#endif
}

CurrentFolder::CurrentFolder(const std::string& folder) {
    plat::current_directory_name(saved_, sizeof saved_);
    plat::set_current_directory(DriveName(folder).c_str());
}

CurrentFolder::~CurrentFolder() {
    plat::set_current_directory(saved_);
}

plat::Hwnd CreateTestWindow(plat::Hwnd parent) {
    static bool registered = false;
    if (!registered) {
        plat::WindowClass wc;
        wc.name = kTestClass;
        wc.proc = plat::def_window_proc;
        wc.instance = plat::module_of_address(reinterpret_cast<const void*>(&CreateTestWindow));
        registered =
            plat::register_class(wc) || plat::get_last_error() == plat::err::ClassAlreadyExists;
    }
    std::uint32_t style = parent ? plat::ws::Child : plat::ws::OverlappedWindow;
    return plat::create_window(
        kTestClass, "test", style, 10, 10, 200, 100, parent,
        plat::module_of_address(reinterpret_cast<const void*>(&CreateTestWindow)), nullptr);
}

} // namespace test
