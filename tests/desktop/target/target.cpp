// joltarget: a small Windows program for the desktop tests to drive. It
// shows a top-level window of class "JolTarget" titled "JOL Target" (or the
// title given with --title) holding an edit control, a "&Press me" button
// and a menu bar (File > Open, Exit; Edit > Copy), and appends one line per
// event it receives to a log file, so that a test can check what reached
// it:
//   client X Y            where the client area's top left corner is on the screen
//   ready                 the window is shown
//   char N                WM_CHAR with character code N (edit, button or window)
//   keydown N             WM_KEYDOWN with virtual-key code N
//   click N               the button with id N was pressed (BN_CLICKED)
//   command N             WM_COMMAND from a menu item with id N
//   lbuttondown X Y       WM_LBUTTONDOWN in the window's client area
//   focus NAME            NAME (window, edit, button) received the focus
//   text TEXT             the edit control's text, when the window closes
//   exit                  the window is destroyed
// With --jol SCRIPT it also hosts the library, as any host does through
// the public header: once the window is up it runs SCRIPT in its own
// process (so the library reads the menu bar of a window of its own), then
// logs
//   run R E               ProcessDaBatBuffer's answer and the last error
//   var NAME=VALUE        each variable with a value after the run
//   service PATH N        DLLServices' menu request for PATH on the window
// and keeps the window open.
// Built as joltarget_console (JOL_TARGET_CONSOLE), it is a console program
// instead: it titles its console "JOL Target Console", logs "ready", then
// one "line TEXT" per line of its standard input and "eof" at its end.
//
// With --class NAME the window's class is NAME instead (a test can give it
// the class of another kind of window, such as a console's). With
// --show asked a start that asks for a hidden window keeps it hidden.
//
// usage: joltarget [--title TITLE] [--class NAME] [--show asked] [--jol SCRIPT] LOG
//        joltarget_console LOG
#include <windows.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#ifndef JOL_TARGET_CONSOLE
#include "jol.h"
#endif

namespace {

constexpr char kClassName[] = "JolTarget";
constexpr char kDefaultTitle[] = "JOL Target";
constexpr int kIdOpen = 101;
constexpr int kIdExit = 102;
constexpr int kIdCopy = 201;
constexpr int kIdEdit = 1001;
constexpr int kIdButton = 1002;
constexpr UINT kRunScript = WM_APP + 1;

std::string g_log;
std::string g_script; // --jol

// One line at the end of the log, written through at once: a test reads
// the log while the program runs, and may end it by its process id.
void Log(const char* format, ...) {
    char line[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (std::FILE* f = std::fopen(g_log.c_str(), "ab")) {
        std::fprintf(f, "%s\n", line);
        std::fclose(f);
    }
}

#ifndef JOL_TARGET_CONSOLE

HWND g_edit = nullptr;
HWND g_button = nullptr;
WNDPROC g_edit_proc = nullptr;
WNDPROC g_button_proc = nullptr;

// Keys, characters and focus that reach a control or the window.
void LogInput(const char* name, UINT message, WPARAM wparam) {
    switch (message) {
    case WM_CHAR:
        Log("char %u", static_cast<unsigned>(wparam));
        break;
    case WM_KEYDOWN:
        Log("keydown %u", static_cast<unsigned>(wparam));
        break;
    case WM_SETFOCUS:
        Log("focus %s", name);
        break;
    default:
        break;
    }
}

LRESULT CALLBACK EditProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    LogInput("edit", message, wparam);
    return CallWindowProcA(g_edit_proc, window, message, wparam, lparam);
}

LRESULT CALLBACK ButtonProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    LogInput("button", message, wparam);
    return CallWindowProcA(g_button_proc, window, message, wparam, lparam);
}

HMENU MakeMenu() {
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    AppendMenuA(file, MF_STRING, kIdOpen, "&Open");
    AppendMenuA(file, MF_STRING, kIdExit, "E&xit");
    HMENU edit = CreatePopupMenu();
    AppendMenuA(edit, MF_STRING, kIdCopy, "&Copy");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), "&Edit");
    return bar;
}

void MakeControls(HWND window) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    g_edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                             WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 10, 10, 300, 24,
                             window, reinterpret_cast<HMENU>(kIdEdit), instance, nullptr);
    g_button = CreateWindowExA(0, "BUTTON", "&Press me",
                               WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 10, 50, 120, 30,
                               window, reinterpret_cast<HMENU>(kIdButton), instance, nullptr);
    g_edit_proc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(g_edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&EditProc)));
    g_button_proc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(g_button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ButtonProc)));
}

// The host's callback: no host functions, no interest in notifications.
std::int32_t JOL_STDCALL NoHostFunctions(JolArg, JolArg, JolArg, JolArg, JolArg, JolArg, JolArg,
                                         JolArg, JolArg, JolArg, JolArg, JolArg) {
    return 0;
}

// Every variable with a value, as "var NAME=VALUE".
void LogVariables(std::uintptr_t context, std::uintptr_t vars, unsigned capacity) {
    const std::int32_t count =
        DLLServices(context, JOL_SERVICE_VARIABLE_COUNT, nullptr, nullptr, 1, 0);
    std::vector<std::string> names;
    if (const auto* table = static_cast<const JolVarEntry*>(JolBlockLock(vars))) {
        for (std::int32_t i = 0; i < count && static_cast<unsigned>(i) < capacity; ++i) {
            if (!table[i].flags || (table[i].flags & JOL_VALUE_UNSET)) continue;
            names.emplace_back(table[i].name, strnlen(table[i].name, sizeof table[i].name));
        }
        JolBlockUnlock(vars);
    }
    static char text[4096];
    for (std::string& name : names) {
        if (!DLLServices(context, JOL_SERVICE_GET_VARIABLE, name.data(), text, sizeof text, 0))
            text[0] = 0;
        Log("var %s=%s", name.c_str(), text);
    }
}

// Runs the --jol script with the window as the host window, then asks for
// two menu paths through the service entry.
void RunHosted(HWND window) {
    constexpr unsigned kVars = 200;
    constexpr unsigned kHeap = 65532;
    std::vector<char> text;
    if (std::FILE* f = std::fopen(g_script.c_str(), "rb")) {
        char chunk[4096];
        for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;)
            text.insert(text.end(), chunk, chunk + n);
        std::fclose(f);
    }
    const auto w = reinterpret_cast<std::uintptr_t>(window);
    if (DoDaDllInit(0, 0, JOL_HANDSHAKE_HANDLE, JOL_INIT_HANDSHAKE, 0, nullptr, nullptr) !=
        JOL_HANDSHAKE_ANSWER) {
        Log("run no library");
        return;
    }
    const std::uintptr_t context = JolBlockAlloc(JOL_CONTEXT_BLOCK_SIZE);
    const std::uintptr_t vars = JolBlockAlloc(sizeof(JolVarEntry) * kVars);
    const std::uintptr_t heap = JolBlockAlloc(kHeap);
    const std::uintptr_t script = JolBlockAlloc(text.size() + 2);
    if (context && vars && heap && script &&
        DoDaDllInit(0, context, 0, JOL_INIT_CONTEXT, 0, nullptr, nullptr) == JOL_CONTEXT_READY &&
        DoDaDllInit(w, context, vars, JOL_INIT_VARIABLES, kVars, "JOLTARGET", "JOLTARGET.INI") ==
            1 &&
        DoDaDllInit(0, context, heap, JOL_INIT_HEAP, kHeap, "joltarget", nullptr) == 1) {
        if (void* p = JolBlockLock(script)) {
            if (!text.empty()) std::memcpy(p, text.data(), text.size());
            JolBlockUnlock(script);
        }
        const std::int32_t ran = ProcessDaBatBuffer(w, context, script, NoHostFunctions, nullptr);
        Log("run %ld %ld", static_cast<long>(ran),
            static_cast<long>(
                DLLServices(context, JOL_SERVICE_LAST_ERROR, nullptr, nullptr, 0, 0)));
        LogVariables(context, vars, kVars);
        for (const char* path : {"File Open", "File"}) {
            std::string copy = path;
            Log("service %s %ld", path,
                static_cast<long>(DLLServices(context, JOL_SERVICE_SEND_MENU, copy.data(), nullptr,
                                              0, static_cast<JolArg>(w))));
        }
        DoDaDllInit(0, context, 0, JOL_INIT_RELEASE, 0, nullptr,
                    reinterpret_cast<const char*>(&NoHostFunctions));
    } else {
        Log("run no environment");
    }
    for (std::uintptr_t h : {script, heap, vars, context})
        if (h) JolBlockFree(h);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case kRunScript:
        RunHosted(window);
        return 0;
    case WM_CREATE:
        MakeControls(window);
        return 0;
    case WM_CHAR:
    case WM_KEYDOWN:
        LogInput("window", message, wparam);
        break;
    case WM_SETFOCUS:
        // The edit control takes the keys, as in a dialog.
        LogInput("window", message, wparam);
        if (g_edit) SetFocus(g_edit);
        return 0;
    case WM_LBUTTONDOWN:
        Log("lbuttondown %d %d", static_cast<short>(LOWORD(lparam)),
            static_cast<short>(HIWORD(lparam)));
        return 0;
    case WM_COMMAND: {
        const int id = LOWORD(wparam);
        if (id == kIdButton && HIWORD(wparam) == BN_CLICKED) {
            Log("click %d", id);
            return 0;
        }
        if (lparam) break; // other notifications of the controls
        Log("command %d", id);
        if (id == kIdExit) PostMessageA(window, WM_CLOSE, 0, 0);
        if (id == kIdCopy) SendMessageA(g_edit, WM_COPY, 0, 0);
        return 0;
    }
    case WM_CLOSE: {
        char text[1024] = "";
        GetWindowTextA(g_edit, text, sizeof text);
        Log("text %s", text);
        DestroyWindow(window);
        return 0;
    }
    case WM_DESTROY:
        Log("exit");
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

#endif

} // namespace

#ifdef JOL_TARGET_CONSOLE

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: joltarget_console LOG\n", stderr);
        return 2;
    }
    g_log = argv[1];
    SetConsoleTitleA("JOL Target Console");
    Log("ready");
    char line[1024];
    while (std::fgets(line, sizeof line, stdin)) {
        line[std::strcspn(line, "\r\n")] = 0;
        Log("line %s", line);
    }
    Log("eof");
    return 0;
}

#else

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    const char* title = kDefaultTitle;
    int argc = __argc;
    char** argv = __argv;
    const char* class_name = kClassName;
    bool show_as_asked = false;
    int i = 1;
    for (; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--title"))
            title = argv[i + 1];
        else if (!std::strcmp(argv[i], "--jol"))
            g_script = argv[i + 1];
        else if (!std::strcmp(argv[i], "--class"))
            class_name = argv[i + 1];
        else if (!std::strcmp(argv[i], "--show"))
            show_as_asked = !std::strcmp(argv[i + 1], "asked");
        else
            break;
    }
    if (i + 1 != argc) {
        MessageBoxA(
            nullptr,
            "usage: joltarget [--title TITLE] [--class NAME] [--show asked] [--jol SCRIPT] LOG",
            kDefaultTitle, MB_OK);
        return 2;
    }
    g_log = argv[i];

    WNDCLASSA wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = class_name;
    if (!RegisterClassA(&wc)) return 1;
    HWND window = CreateWindowExA(0, class_name, title, WS_OVERLAPPEDWINDOW, 100, 100, 400, 200,
                                  nullptr, MakeMenu(), instance, nullptr);
    if (!window) return 1;
    // A start that asks for a hidden window gets a shown one, unless the
    // test asked for the starter's mode as it is (--show asked).
    ShowWindow(window, show == SW_HIDE && !show_as_asked ? SW_SHOWNORMAL : show);
    UpdateWindow(window);
    SetForegroundWindow(window);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    Log("client %ld %ld", static_cast<long>(origin.x), static_cast<long>(origin.y));
    Log("ready");
    if (!g_script.empty()) PostMessageA(window, kRunScript, 0, 0);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

#endif
