// Shortcut files through the shell's link object and its persist-file
// interface.
//
// COM is initialised for each call and uninitialised only when this call's
// initialisation succeeded (also when it found the apartment already set
// up, which it counts). A thread already in another apartment model keeps
// it: the call goes on in that apartment, which the link object works in,
// and leaves the host's own initialisation alone.
//
// Some link objects (Wine's) do not take the show command from the file
// they load: it is read from the file's header after a load, so that
// reading shows it and a change keeps it.
//
// A save goes to the shortcut's name with ".tmp" added, claimed first as a
// new file (a second writer of the same shortcut fails rather than share
// it), and is moved over the shortcut only once it succeeded.
#include <windows.h>

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include <string>

#include "platform/shell_link.h"
#include "platform/shortcuts.h"

namespace plat {
namespace {

constexpr int kReadSize = 1024; // what the link object hands back, cut later

class ComScope {
public:
    ComScope() : hr_(CoInitialize(nullptr)) {}
    ~ComScope() {
        if (hr_ == S_OK || hr_ == S_FALSE) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    bool usable() const { return SUCCEEDED(hr_) || hr_ == RPC_E_CHANGED_MODE; }

private:
    HRESULT hr_;
};

class Link {
public:
    ~Link() {
        if (file) file->Release();
        if (link) link->Release();
    }
    ShortcutStatus Open() {
        if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                    reinterpret_cast<void**>(&link))))
            return ShortcutStatus::CreateLink;
        if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))))
            return ShortcutStatus::QueryPersist;
        return ShortcutStatus::Ok;
    }
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
};

// The full name of a file, as the persist-file interface wants it.
std::string FullName(const char* path) {
    char full[MAX_PATH * 2];
    const DWORD n = GetFullPathNameA(path, sizeof full, full, nullptr);
    return n > 0 && n < sizeof full ? std::string(full) : std::string(path);
}

std::wstring Wide(const char* s) {
    const int n = MultiByteToWideChar(CP_ACP, 0, s, -1, nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, s, -1, w.data(), n);
    w.resize(static_cast<std::size_t>(n - 1));
    return w;
}

// Copies text into a buffer of kShortcutTextSize bytes, cut at a whole
// character.
void CutCopy(const char* text, char* out) {
    std::size_t n = 0;
    while (text[n] && n + 1 < kShortcutTextSize) {
        if (IsDBCSLeadByte(static_cast<BYTE>(text[n]))) {
            if (!text[n + 1] || n + 2 >= kShortcutTextSize) break;
            out[n] = text[n];
            ++n;
        }
        out[n] = text[n];
        ++n;
    }
    out[n] = 0;
}

bool Apply(IShellLinkA* link, const ShortcutChange& c) {
    bool ok = true;
    if (c.target) ok = ok && SUCCEEDED(link->SetPath(c.target));
    if (c.arguments) ok = ok && SUCCEEDED(link->SetArguments(c.arguments));
    if (c.directory) ok = ok && SUCCEEDED(link->SetWorkingDirectory(c.directory));
    if (c.show_command) ok = ok && SUCCEEDED(link->SetShowCmd(c.show_command));
    if (c.description) ok = ok && SUCCEEDED(link->SetDescription(c.description));
    if (c.set_hotkey) ok = ok && SUCCEEDED(link->SetHotkey(c.hotkey));
    if (c.icon_file) ok = ok && SUCCEEDED(link->SetIconLocation(c.icon_file, c.icon_index));
    return ok;
}

// The show command in the header of a shortcut file; 0 when it cannot be
// read.
int StoredShowCommand(const char* path) {
    const HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
    unsigned char header[0x4C];
    DWORD got = 0;
    std::uint32_t show = 0;
    const bool ok = ReadFile(h, header, sizeof header, &got, nullptr) &&
                    lnk::HeaderShowCommand(header, got, &show);
    CloseHandle(h);
    return ok ? static_cast<int>(show) : 0;
}

bool IsReplaceable(const char* path) {
    const DWORD a = GetFileAttributesA(path);
    return a != INVALID_FILE_ATTRIBUTES &&
           !(a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY));
}

} // namespace

bool find_shortcut(const char* name, char* out, std::size_t out_size) {
    if (!name || !*name || out_size == 0) return false;
    char* part = nullptr;
    const DWORD n = SearchPathA(nullptr, name, ".LNK", static_cast<DWORD>(out_size), out, &part);
    if (n == 0 || n >= out_size) return false;
    const DWORD a = GetFileAttributesA(out);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

ShortcutStatus read_shortcut(const char* name, ShortcutInfo* out) {
    const std::string full = FullName(name);
    const char* path = full.c_str();
    ComScope com;
    if (!com.usable()) return ShortcutStatus::ComInit;
    Link link;
    const ShortcutStatus opened = link.Open();
    if (opened != ShortcutStatus::Ok) return opened;
    if (FAILED(link.file->Load(Wide(path).c_str(), STGM_READ))) return ShortcutStatus::Load;
    *out = ShortcutInfo{};
    char text[kReadSize];
    auto take = [&](HRESULT hr, char* field) {
        if (FAILED(hr)) text[0] = 0;
        text[sizeof text - 1] = 0;
        CutCopy(text, field);
    };
    text[0] = 0;
    take(link.link->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH), out->target);
    text[0] = 0;
    take(link.link->GetArguments(text, sizeof text), out->arguments);
    text[0] = 0;
    take(link.link->GetWorkingDirectory(text, sizeof text), out->directory);
    text[0] = 0;
    take(link.link->GetDescription(text, sizeof text), out->description);
    text[0] = 0;
    int index = 0;
    take(link.link->GetIconLocation(text, sizeof text, &index), out->icon_file);
    out->icon_index = index;
    int show = StoredShowCommand(path);
    if (show == 0 && FAILED(link.link->GetShowCmd(&show))) show = 0;
    out->show_command = show;
    WORD hotkey = 0;
    if (SUCCEEDED(link.link->GetHotkey(&hotkey))) out->hotkey = hotkey;
    return ShortcutStatus::Ok;
}

ShortcutStatus write_shortcut(const char* name, const ShortcutChange& change, bool edit) {
    const std::string full = FullName(name);
    const char* path = full.c_str();
    ComScope com;
    if (!com.usable()) return ShortcutStatus::ComInit;
    const std::string temporary = std::string(path) + ".tmp";
    {
        Link link;
        const ShortcutStatus opened = link.Open();
        if (opened != ShortcutStatus::Ok) return opened;
        if (edit) {
            if (FAILED(link.file->Load(Wide(path).c_str(), STGM_READ))) return ShortcutStatus::Load;
            const int show = StoredShowCommand(path);
            if (show != 0) link.link->SetShowCmd(show);
        }
        if (!Apply(link.link, change)) return ShortcutStatus::Save;
        if (edit && !IsReplaceable(path)) return ShortcutStatus::Save;
        const HANDLE h = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return ShortcutStatus::Save;
        CloseHandle(h);
        if (FAILED(link.file->Save(Wide(temporary.c_str()).c_str(), TRUE))) {
            DeleteFileA(temporary.c_str());
            return ShortcutStatus::Save;
        }
    }
    const DWORD how = MOVEFILE_WRITE_THROUGH | (edit ? MOVEFILE_REPLACE_EXISTING : 0);
    if (!MoveFileExA(temporary.c_str(), path, how)) {
        DeleteFileA(temporary.c_str());
        return ShortcutStatus::Save;
    }
    return ShortcutStatus::Ok;
}

} // namespace plat
