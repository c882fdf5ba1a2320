// The operating-system interface of the JOL library.
//
// Everything above this header is portable C++. The library asks the system
// for memory blocks, settings, windows, messages, input state and the like
// only through the functions declared here. Two backends implement them:
// platform/win32 (the real Win32 calls) and platform/native (our own layer
// for Linux). Values and constants follow the Win32 conventions so that the
// rest of the library can be written once.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define JOL_STDCALL __stdcall
#else
#define JOL_STDCALL
#endif

#if defined(_WIN32)
#define JOL_EXPORT extern "C" __declspec(dllexport)
#else
#define JOL_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace plat {

using Hwnd = std::uintptr_t;      // window handle, 0 = none
using MemHandle = std::uintptr_t; // movable memory block, 0 = none
using Module = std::uintptr_t;    // module (library) instance, 0 = none
using Cursor = std::uintptr_t;    // cursor handle, 0 = none

// ---------------------------------------------------------------- memory
// Movable memory blocks. A block is allocated zero-filled and must be
// locked to reach its bytes; each lock raises a lock count that unlock
// lowers. A handle that was freed or never existed fails every operation.
MemHandle mem_alloc(std::size_t bytes);
void* mem_lock(MemHandle h);
bool mem_unlock(MemHandle h);      // true when the block was valid and locked
std::size_t mem_size(MemHandle h); // 0 for a handle that is not valid
unsigned mem_lock_count(MemHandle h);
bool mem_free(MemHandle h); // true when the block was freed
// Copies bytes bytes found at an address of this process into out, only
// when every one of them lies in memory the process may read; false
// (nothing copied) otherwise. A bad address never faults.
bool read_process_memory(std::uintptr_t address, void* out, std::size_t bytes);

// ------------------------------------------------------------ last error
std::uint32_t get_last_error();
void set_last_error(std::uint32_t code);

namespace err {
constexpr std::uint32_t Success = 0;
constexpr std::uint32_t FileNotFound = 2;
constexpr std::uint32_t PathNotFound = 3;
constexpr std::uint32_t AccessDenied = 5;
constexpr std::uint32_t InvalidHandle = 6;
constexpr std::uint32_t InvalidData = 13;
constexpr std::uint32_t InvalidParameter = 87;
constexpr std::uint32_t MoreData = 234;
constexpr std::uint32_t NoMoreItems = 259;
constexpr std::uint32_t ClassAlreadyExists = 1410;
constexpr std::uint32_t RegistryCorrupt = 1015;
} // namespace err

// ------------------------------------------------------- version facts
struct VersionInfo {
    unsigned major = 0;
    unsigned minor = 0;
    unsigned build = 0;
    unsigned platform_id = 0; // 1 = Windows 95 family, 2 = Windows NT family
};
VersionInfo get_version();
bool dbcs_enabled();

// -------------------------------------------------------------- modules
Module load_library(const char* path);
void* get_proc_address(Module m, const char* name);
bool free_library(Module m);
// The instance of the module that contains the given code address.
Module module_of_address(const void* address);
// The full file name of the running program; 0 when unknown.
std::size_t executable_path(char* out, std::size_t out_size);
// The instance of a module already loaded in the process, without a new
// load reference; 0 when no module of that name is loaded.
Module module_handle(const char* name);
// Suppresses (true) or restores the system's critical-error boxes; returns
// the previous setting.
bool suppress_error_boxes(bool suppress);
// Looks for a file along the system's search path; copies its full name
// into out (when out is not null) and returns true when it exists.
bool search_path(const char* file, char* out, std::size_t out_size);

// ---------------------------------------------------------------- files
// A file handle of the system (on the native backend a descriptor plus one,
// so that 0 never names a file).
using FileHandle = std::uintptr_t;
bool close_file(FileHandle f);
// Opens an existing file for reading, sharing it for reading with others;
// 0 when it cannot be opened (a directory cannot be opened either).
FileHandle open_file_read(const char* path);
// The size of an open file in bytes; false when it cannot be read.
bool file_size(FileHandle f, std::uint64_t* size);
// Reads up to bytes bytes at the file's position; got receives the count
// read. False on a read error.
bool read_file(FileHandle f, void* data, std::size_t bytes, std::size_t* got);
// The library's file search: a name with a drive or directory part (a
// Windows name, as every name here) must exist as given; a bare name is looked for in the current directory and
// then in each directory of the PATH environment variable. On success the
// full name is copied into out (always terminated) and true returned; a
// full name that does not fit counts as not found.
bool find_file(const char* name, char* out, std::size_t out_size);
// Data files of the binary buffers. open_data_file opens an existing file
// for reading (write false) or a file for writing, created when missing and
// left at its length until truncate_data_file ends it at the position
// reached. share_mode bits: 1 others may read, 2 others may write (the
// native backend has no sharing control and ignores them). 0 on failure,
// with the last error set; directories are refused, and a file to read
// must be a plain file (a device can be written, and has no length to cut).
FileHandle open_data_file(const char* path, bool write, int share_mode);
// Writes bytes bytes at the file's position; put receives the count
// written. False on a write error or a short write.
bool write_data_file(FileHandle f, const void* data, std::size_t bytes, std::size_t* put);
bool truncate_data_file(FileHandle f);

// ------------------------------------------------------ code page text
// Converts units UTF-16 units (zero units included, as zero bytes) to the
// system ANSI code page the way the system does by default: characters the
// code page lacks become its default character '?' (the Win32 backend may
// also map them to a close letter, as the system's best-fit tables do).
// With out null or out_size 0 it returns the number of bytes the result
// needs; otherwise it writes the result (no terminator is added) and
// returns its length, or 0 when it does not fit in out_size bytes.
std::size_t wide_to_ansi(const char16_t* w, std::size_t units, char* out, std::size_t out_size);

// ------------------------------------------------------------- interrupt
// The console's interrupt (Ctrl+C, and Ctrl+Break on Windows consoles)
// becomes a cancel request of the running script instead of ending the
// process, once watch_interrupt has been called. request_cancel makes the
// same request from anywhere (it is safe in a signal handler); the cancel
// test of the message pump takes a pending request with cancel_requested,
// which answers true once per request.
void watch_interrupt();
void request_cancel();
bool cancel_requested();

// ------------------------------------------------------------- settings
// The registry. Functions return a system error code: 0 success,
// err::FileNotFound for a missing key or value, err::MoreData when the
// buffer is too small (size then holds the size needed).
using RegKey = std::uintptr_t;
enum class RegRoot : std::uint32_t {
    ClassesRoot,
    CurrentUser,
    LocalMachine,
    Users,
    CurrentConfig,
};
namespace regtype {
constexpr std::uint32_t None = 0;
constexpr std::uint32_t String = 1;
constexpr std::uint32_t ExpandString = 2;
constexpr std::uint32_t Binary = 3;
constexpr std::uint32_t Dword = 4;
constexpr std::uint32_t MultiString = 7;
} // namespace regtype
RegKey reg_root(RegRoot root);
std::uint32_t reg_open_key(RegKey parent, const char* subkey, bool write, RegKey* out);
std::uint32_t reg_create_key(RegKey parent, const char* subkey, RegKey* out);
std::uint32_t reg_query_value(RegKey key, const char* name, std::uint32_t* type, void* data,
                              std::uint32_t* size);
std::uint32_t reg_set_value(RegKey key, const char* name, std::uint32_t type, const void* data,
                            std::uint32_t size);
std::uint32_t reg_delete_value(RegKey key, const char* name);
std::uint32_t reg_delete_key(RegKey parent, const char* subkey);
std::uint32_t reg_close(RegKey key);

// --------------------------------------------------------- message boxes
namespace mb {
constexpr unsigned Ok = 0x0;
constexpr unsigned OkCancel = 0x1;
constexpr unsigned AbortRetryIgnore = 0x2;
constexpr unsigned YesNoCancel = 0x3;
constexpr unsigned YesNo = 0x4;
constexpr unsigned RetryCancel = 0x5;
constexpr unsigned TypeMask = 0xF;
constexpr unsigned IconStop = 0x10;
constexpr unsigned IconQuestion = 0x20;
constexpr unsigned IconExclamation = 0x30;
constexpr unsigned IconInformation = 0x40;
constexpr unsigned DefButton2 = 0x100;
constexpr unsigned DefButton3 = 0x200;
constexpr unsigned DefButton4 = 0x300;
constexpr unsigned DefMask = 0xF00;
constexpr unsigned TaskModal = 0x2000;
constexpr unsigned SetForeground = 0x10000;
} // namespace mb
namespace id {
constexpr int Ok = 1;
constexpr int Cancel = 2;
constexpr int Abort = 3;
constexpr int Retry = 4;
constexpr int Ignore = 5;
constexpr int Yes = 6;
constexpr int No = 7;
} // namespace id
// Shows a message box and returns the button chosen (id::...). When a
// scripted answer queue is set (environment JOL_ANSWERS or the file named by
// JOL_ANSWERS_FILE), the box is written to standard error as "title: text"
// and answered from the queue on every backend, so runs need no person
// (platform/answer_queue.h has the answer words). The native backend
// writes every box there and, without a queue, asks on the terminal when
// standard input is one. A box that nobody can answer (no answer left in
// the queue, no terminal, the end of the terminal's input, a box the
// system cannot show) is cancelled, with a note on standard error: the
// answer is id::Cancel, also for a box that has no Cancel button (YesNo),
// so a caller takes any answer that is none of its box's buttons as a
// cancel. Only a box with the single button OK is answered OK.
int message_box(Hwnd owner, const char* text, const char* title, unsigned style);
// A box with the caller's own buttons (the file-replace confirmation):
// static lines of text, then the buttons in two columns, the first
// button the default; centred on the screen and owned by owner. Returns
// the id of the button chosen; 0 when the box cannot be shown or nobody
// can answer it (as message_box; the caller takes 0 as a cancel). With a
// scripted answer queue the box is written to standard error as
// "title: lines" and answered by the next answer, a button's id or its
// label without "&" and blanks, in any case ("UseNewerAll"); an answer
// that fits no button leaves the box unanswered.
struct ChoiceButton {
    int id;
    const char* label;
};
int choice_box(Hwnd owner, const char* title, const char* const* lines, int line_count,
               const ChoiceButton* buttons, int button_count);

// ------------------------------------------------------------- windows
using WndProc = std::intptr_t(JOL_STDCALL*)(Hwnd, unsigned, std::uintptr_t, std::intptr_t);
struct Rect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};
struct WindowClass {
    const char* name = nullptr;
    WndProc proc = nullptr;
    unsigned style = 0;
    int window_extra = 0;
    Cursor cursor = 0;
    int background = 0; // system colour index + 1, 0 = no background brush
    Module instance = 0;
};
namespace ws {
constexpr std::uint32_t OverlappedWindow = 0x00CF0000;
constexpr std::uint32_t TabStop = 0x00010000;
constexpr std::uint32_t Child = 0x40000000;
constexpr std::uint32_t Visible = 0x10000000;
} // namespace ws
namespace cs {
constexpr unsigned VRedraw = 0x1;
constexpr unsigned HRedraw = 0x2;
} // namespace cs
constexpr int kUseDefault = static_cast<int>(0x80000000u);
// Registers a window class; false with the last error set on failure
// (err::ClassAlreadyExists when a class of that name exists).
bool register_class(const WindowClass& wc);
Hwnd create_window(const char* class_name, const char* title, std::uint32_t style, int x, int y,
                   int w, int h, Hwnd parent, Module instance, void* param);
// The system's default handling of a window message.
std::intptr_t JOL_STDCALL def_window_proc(Hwnd w, unsigned message, std::uintptr_t wparam,
                                          std::intptr_t lparam);
bool destroy_window(Hwnd w);
bool is_window(Hwnd w);
Hwnd get_parent(Hwnd w);
bool get_window_rect(Hwnd w, Rect* r);
std::uint32_t get_window_style(Hwnd w);
Hwnd get_focus();

// ------------------------------------------------- messages and input
struct Msg {
    Hwnd hwnd = 0;
    unsigned message = 0;
    std::uintptr_t wparam = 0;
    std::intptr_t lparam = 0;
};
constexpr unsigned kWmQuit = 0x0012;
bool peek_message(Msg* m, bool remove);
// True when a look between script lines would find nothing: no message
// queued for the thread, no interrupt request pending (cancel_requested
// would answer false) and neither Ctrl nor Break down. False whenever the
// backend cannot tell that without the looks themselves.
bool nothing_to_poll();
bool is_dialog_message(Hwnd dialog, Msg* m);
void translate_message(const Msg* m);
std::intptr_t dispatch_message(const Msg* m);
bool post_message(Hwnd w, unsigned message, std::uintptr_t wparam, std::intptr_t lparam);
void post_quit_message(int code);
namespace vk {
constexpr int Cancel = 0x03;
constexpr int Control = 0x11;
} // namespace vk
// True when the key is down now (either by the thread's key state or by the
// physical key state).
bool key_down(int virtual_key);

// -------------------------------------------------------------- display
// Text metrics of the system fixed font on the display, in the layout of
// the system's TEXTMETRIC record.
struct TextMetrics {
    std::int32_t height, ascent, descent, internal_leading, external_leading;
    std::int32_t ave_char_width, max_char_width, weight, overhang;
    std::int32_t digitized_aspect_x, digitized_aspect_y;
    std::uint8_t first_char, last_char, default_char, break_char;
    std::uint8_t italic, underlined, struck_out, pitch_and_family, char_set;
};
bool system_fixed_font_metrics(TextMetrics* tm);

enum class SystemCursor { Arrow, Wait };
Cursor load_system_cursor(SystemCursor which);
Cursor set_cursor(Cursor c); // returns the previous cursor

// ------------------------------------------------- process environment
void sleep_ms(unsigned ms);
// Copies the current directory into out (always terminated); returns its
// length, 0 on failure.
std::size_t get_current_directory(char* out, std::size_t out_size);
bool set_current_directory(const char* path);
// Copies the variable's value into out (always terminated); returns its
// full length, 0 when it is not set.
std::size_t get_env(const char* name, char* out, std::size_t out_size);
bool set_env(const char* name, const char* value); // null value removes it
void debug_output(const char* text);
// Asks the system to log the user off; true when it accepted. The native
// backend has no user session to end and always answers false.
bool end_session();
// Calls visit with each "NAME=value" entry of the process environment, in
// the order of the system's environment block, until visit returns false.
void for_each_env(bool (*visit)(const char* entry, void* data), void* data);

// ------------------------------------------------------------ profiles
// Reads a key of an INI-format file. Section and key names compare without
// regard to case; blanks around names and values are dropped, and a value
// wholly enclosed in a pair of matching quotes loses them. When the file,
// the section or the key is missing the default (null: empty) is the value.
// The value is cut to out_size - 1 bytes and always terminated; returns
// the length copied. A file name without a directory names a file in the
// system's Windows directory (native backend: the JOL_HOME folder).
std::size_t read_profile_string(const char* file, const char* section, const char* key,
                                const char* default_text, char* out, std::size_t out_size);
// The same from the user's Windows profile (win.ini; native backend:
// win.ini in the JOL_HOME folder).
std::size_t read_win_profile_string(const char* section, const char* key, const char* default_text,
                                    char* out, std::size_t out_size);
// Writes a key of an INI-format file; a null file names the user's Windows
// profile (win.ini; native backend: win.ini in the JOL_HOME folder). A null
// value deletes the key, a null key the whole section with its comment
// lines; a delete never creates a missing file. Null section, key and value
// flush the system's cache of the file and answer true. False, with the
// last error set, when the file cannot be written (a missing or read-only
// directory, a read-only file; the native backend counts a file without
// any write permission as read-only, also for a privileged user). The
// native backend replaces the file atomically and serialises writers of
// the same folder, also across processes.
bool write_profile_string(const char* file, const char* section, const char* key,
                          const char* value);
// The key names of a section (null file: the user's Windows profile), in
// file order, each followed by a zero byte, with one more zero after the
// last. A missing section, or one without keys, gives the default (blanks
// at its end dropped) as the only name. Names that do not fit in out_size
// bytes are left out whole; length receives the bytes written before the
// final zero. Returns false when names were left out.
bool read_profile_keys(const char* file, const char* section, const char* default_text, char* out,
                       std::size_t out_size, std::size_t* length);
// Tells the top-level windows that a section of the user's profile changed
// (the settings-change message with the section name in shared memory).
// The native desktop runs no other programs, so nothing is sent there.
void notify_profile_change(const char* section);
// The full file name of a module instance (0: the running program), always
// terminated; 0 when unknown or when it does not fit.
std::size_t module_file_name(Module m, char* out, std::size_t out_size);
// True when the path names an existing file that is not a directory.
bool file_exists(const char* path);
// Opens the file for writing without sharing (created when missing),
// writes len bytes at its end and closes it; false when it cannot be
// opened or written.
bool append_to_file(const char* path, const char* data, std::size_t len);

// ------------------------------------------------------ desktop extras
// Makes the window the foreground window; false when it is no window or
// the system refused.
bool set_foreground_window(Hwnd w);
Hwnd get_foreground_window();
// The window's title into out (always terminated); its length, 0 for no
// window or no title.
std::size_t get_window_text(Hwnd w, char* out, std::size_t out_size);
// Plays the sound registered for a system event (e.g. "SystemHand")
// asynchronously, with no fallback sound; false when nothing plays (always
// on the native backend, which has no sound device).
bool play_system_sound(const char* event_name);
// The default beep. The native backend rings the terminal's bell when
// standard error is a terminal and is silent otherwise.
bool beep();

// ---------------------------------------------------------------- clock
struct LocalTime {
    int year = 0, month = 0, day = 0; // month 1 to 12
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    int weekday = 0; // 0 Sunday to 6 Saturday
};
// The present local time.
LocalTime local_time();
// Milliseconds since the system started, wrapping in 32 bits.
std::uint32_t tick_count();
// The last-write time of a file as local time in the packed file-system
// form (date: bits 9-15 year - 1980, 5-8 month, 0-4 day; time: bits 11-15
// hour, 5-10 minute, 0-4 seconds / 2). The file is opened for reading,
// sharing reads and writes. False when it cannot be opened or its time has
// no packed form (before 1980 or after 2107).
bool file_write_time_packed(const char* path, std::uint16_t* date, std::uint16_t* time);
enum class FileTimeResult {
    Done,
    NoFile,           // not opened for writing (missing, read-only) or not set
    SystemTimeFailed, // the date-time has no file time (e.g. before 1601)
    LocalTimeFailed,  // the local time has no universal time
};
// Sets the last-write time of an existing file to a local date-time. The
// time is converted first; a refused conversion leaves the file untouched
// and puts the system's error code in system_error. The file is opened for
// writing, sharing reads; a file that cannot be, or whose time the system
// does not set, keeps its time. The native backend counts a file without
// any write permission as read-only, also for a privileged user.
FileTimeResult set_file_write_time(const char* path, const LocalTime& local,
                                   std::uint32_t* system_error);

// ---------------------------------------------------------- file system
// Names are Windows names on every backend: a backslash or a slash
// separates components, a letter and a colon in front name a drive, and a
// name beginning with two separators is a network (UNC) name. The Win32
// backend hands names to the system as they are. The native backend maps
// them onto the POSIX file system in one place, platform/native/paths.cpp:
//  - a drive letter names a root folder: C: is "/" unless the environment
//    variable JOL_DRIVES says otherwise (e.g. "C=/,D=/mnt/d"; a list that
//    does not name C leaves C: as "/"); other letters are not in use;
//  - the current directory is the process's POSIX current directory; its
//    drive is the one whose root is the longest leading part of it;
//  - a name without a drive lies on the current drive; a relative name
//    ("x\y" or "D:x") starts at the current directory of its drive (for
//    another drive, the variable "=D:" or else its root);
//  - UNC names reach no server and fail as a bad network path;
//  - wildcards follow wildcard_match below, never shell globbing;
//  - attributes: read-only is "no write permission at all" (and a file
//    without write permission is read-only also for a privileged user);
//    hidden is a name beginning with a dot; hidden, system and archive are
//    also kept in the extended attribute "user.DOSATTRIB" where the file
//    system has extended attributes, in the form other Windows layers on
//    POSIX use ("0x" and hexadecimal digits); an entry without that
//    attribute shows archive when it is a plain file and not when it is a
//    folder (the Win32 backend under Wine shows archive on every file,
//    whatever was set);
//  - drive types: a mapped drive is fixed (3), any other letter has no root
//    directory (1); disk and volume figures come from statvfs.
namespace fattr {
constexpr std::uint32_t ReadOnly = 0x01;
constexpr std::uint32_t Hidden = 0x02;
constexpr std::uint32_t System = 0x04;
constexpr std::uint32_t Directory = 0x10;
constexpr std::uint32_t Archive = 0x20;
constexpr std::uint32_t Normal = 0x80;
constexpr std::uint32_t Invalid = 0xFFFFFFFFu;
} // namespace fattr
namespace err {
constexpr std::uint32_t NoMoreFiles = 18;
constexpr std::uint32_t NotReady = 21;
constexpr std::uint32_t SharingViolation = 32;
constexpr std::uint32_t BadNetPath = 53;
constexpr std::uint32_t FileExists = 80;
constexpr std::uint32_t InvalidName = 123;
constexpr std::uint32_t DirNotEmpty = 145;
constexpr std::uint32_t BadPathName = 161;
constexpr std::uint32_t AlreadyExists = 183;
constexpr std::uint32_t FilenameTooLong = 206;
} // namespace err

// Windows wildcard matching of one name component, without regard to
// (ASCII) case: "*" matches any run of characters, "?" exactly one, and the
// whole pattern "*.*" matches every name, also one without a dot.
bool wildcard_match(const char* pattern, const char* name);

// The name the system uses for a Windows name: the native backend's POSIX
// path (relative names stay relative), the name itself on Win32. False
// when the drive is not in use, the name is a UNC name the backend cannot
// reach, or the result does not fit (the last error says which).
bool system_path(const char* name, char* out, std::size_t out_size);

// The current directory as a Windows name ("C:\work"; a root keeps its
// backslash, "C:\"), always terminated; its length, 0 on failure or when it
// does not fit.
std::size_t current_directory_name(char* out, std::size_t out_size);

// The folder of the running program as a Windows name, ending with a
// separator; 0 when unknown or when it does not fit.
std::size_t program_folder_name(char* out, std::size_t out_size);

// One entry found by the file search.
struct FindData {
    std::uint32_t attributes = 0;
    std::uint64_t size = 0;
    std::uint64_t write_time = 0; // 100 ns units since 1601, universal time
    char name[260] = {};
};
using FindHandle = std::uintptr_t;
// Starts a search for the entries of a folder that match the last
// component of the pattern (wildcard_match; "." and ".." are entries like
// any other where the system lists them). 0 when nothing matches or the
// folder cannot be read, with the last error set (err::FileNotFound when
// nothing matches); otherwise out holds the first entry.
FindHandle find_first(const char* pattern, FindData* out);
// The next entry; false at the end, with the last error err::NoMoreFiles.
bool find_next(FindHandle h, FindData* out);
void find_close(FindHandle h);

// The attributes of a file or directory (fattr bits), fattr::Invalid with
// the last error set when it does not exist.
std::uint32_t get_file_attributes(const char* path);
// Writes read-only, hidden, system and archive (other bits are ignored).
// False with the last error set when the entry is missing or the change is
// refused.
bool set_file_attributes(const char* path, std::uint32_t attributes);
bool create_directory(const char* path);
bool remove_directory(const char* path); // only an empty directory
// Moves or renames a file or directory; the target must not exist.
bool move_file(const char* from, const char* to);

// The type of the drive whose root is given ("C:\"): 0 unknown, 1 no root
// directory, 2 removable, 3 fixed, 4 remote, 5 CD-ROM, 6 RAM disk.
unsigned drive_type(const char* root);
struct DiskSpace {
    std::uint32_t sectors_per_cluster = 0;
    std::uint32_t bytes_per_sector = 0;
    std::uint32_t free_clusters = 0;
    std::uint32_t total_clusters = 0;
};
// The cluster figures of the volume of a root.
bool disk_space(const char* root, DiskSpace* out);
// The 64-bit figures of the volume of a root (the Win32 backend looks the
// query up at run time, as systems before it lack it).
bool disk_space_bytes(const char* root, std::uint64_t* free_to_caller, std::uint64_t* total,
                      std::uint64_t* total_free);
namespace fsflag {
constexpr std::uint32_t CaseSensitive = 0x1;
constexpr std::uint32_t CasePreserved = 0x2;
constexpr std::uint32_t Unicode = 0x4;
constexpr std::uint32_t Acls = 0x8;
constexpr std::uint32_t Compression = 0x10;
constexpr std::uint32_t VolumeCompressed = 0x8000;
} // namespace fsflag
struct VolumeInfo {
    char label[261] = {};
    char file_system[261] = {};
    std::uint32_t serial = 0;
    std::uint32_t max_component = 0;
    std::uint32_t flags = 0; // fsflag bits
};
// The volume facts of a root ("C:\"); false with the last error set.
bool volume_information(const char* root, VolumeInfo* out);
// The Windows directory and the system directory (native backend: the
// JOL_HOME folder and its "system" folder, as Windows names), always
// terminated; the length, 0 on failure.
std::size_t windows_directory(char* out, std::size_t out_size);
std::size_t system_directory(char* out, std::size_t out_size);

// The process's critical-error mode in the system's bits; returns the
// previous mode. The native backend keeps the value (bit 1 also holds
// back its notes about libraries that fail to load).
namespace errmode {
constexpr std::uint32_t FailCriticalErrors = 0x0001;
constexpr std::uint32_t NoOpenFileErrorBox = 0x8000;
} // namespace errmode
std::uint32_t set_error_mode(std::uint32_t mode);

// Text files of the file handles. Read: an existing file, read access.
// Write: created or truncated, write access. Append: opened or created,
// write access, positioned at its end. Pipe: an existing file or pipe,
// read and write access. share_mode bits as for open_data_file (ignored
// by the native backend). Directories are refused; on the native backend
// a file without write permission is refused for writing, also for a
// privileged user. 0 on failure, with the last error set.
enum class TextOpen { Read, Write, Append, Pipe };
FileHandle open_text_file(const char* path, TextOpen mode, int share_mode);
// Copying, moving and deleting files (Windows names). A file that is open
// elsewhere is protected as the system protects it: it is not deleted,
// moved or replaced while any handle holds it, and not read while a handle
// writes it without sharing reads (err::SharingViolation); the native
// backend knows the handles of its own process. A read-only file or a
// directory is never replaced or deleted (err::AccessDenied).
//
// copy_file copies the bytes, the last-write time and the attributes of a
// file to another name, replacing an existing file. The bytes go to a
// temporary file in the target's folder that takes the target's name only
// when it is complete, so a failure at any point leaves an existing target
// as it was and no partial file under the target's name.
bool copy_file(const char* from, const char* to);
// Moves a file to another name, replacing an existing file only once the
// file has taken its place. Between volumes the file is copied (as
// copy_file), the copy's size compared with the source's, and only then
// the source deleted.
bool move_file_replace(const char* from, const char* to);
bool delete_file(const char* path);
// True when both names reach one and the same existing file.
bool same_file(const char* a, const char* b);
// The file's test open: opened for reading with writing by others denied,
// then closed. 0 when it could be opened, else the system error code
// (err::SharingViolation when a handle writes it).
std::uint32_t probe_file_open(const char* path);
// Moves the file position of an open file to an offset from its start.
bool seek_file(FileHandle f, std::uint64_t offset);
namespace err {
constexpr std::uint32_t CallNotImplemented = 120;
constexpr std::uint32_t NotSameDevice = 17;
} // namespace err
// Asks the system to move a file (to null: delete it) when it next starts,
// replacing an existing target. False with the last error set;
// err::CallNotImplemented where the system has no such service (always on
// the native backend, which has no system start to wait for).
bool move_file_at_restart(const char* from, const char* to);
// The short (8.3) form of an existing file's name; 0 when the system gives
// none (the native backend has no short names) or it does not fit.
std::size_t short_path_name(const char* path, char* out, std::size_t out_size);
// Directory number index (from 0) of the PATH environment variable as a
// Windows name, empty entries left out; false past the last one.
bool path_directory(std::size_t index, char* out, std::size_t out_size);

// Writes all bytes (write_data_file); flush_file pushes what the system
// holds for a disk file to the disk (devices and pipes have nothing to
// push and answer true). False with the last error set on failure.
bool flush_file(FileHandle f);

// ------------------------------------------------ version-aware install
// The system's installer of program files, in two steps with the
// contract, flags and result bits of the Win32 version library: the
// Win32 backend calls it; the native backend has its own with the same
// contract. Directories and names are Windows names.
namespace vff {
constexpr std::uint32_t IsSharedFile = 0x1; // flag of find_install_file
constexpr std::uint32_t CurNeDest = 0x1;    // results
constexpr std::uint32_t FileInUse = 0x2;
constexpr std::uint32_t BuffTooSmall = 0x4;
} // namespace vff
namespace viff {
constexpr std::uint32_t ForceInstall = 0x1;
constexpr std::uint32_t DontDeleteOld = 0x2;
} // namespace viff
namespace vif {
constexpr std::uint32_t TempFile = 0x1;
constexpr std::uint32_t Mismatch = 0x2;
constexpr std::uint32_t SrcOld = 0x4;
constexpr std::uint32_t DiffLang = 0x8;
constexpr std::uint32_t DiffCodePage = 0x10;
constexpr std::uint32_t DiffType = 0x20;
constexpr std::uint32_t WriteProtected = 0x40;
constexpr std::uint32_t FileInUse = 0x80;
constexpr std::uint32_t OutOfSpace = 0x100;
constexpr std::uint32_t AccessViolation = 0x200;
constexpr std::uint32_t SharingViolation = 0x400;
constexpr std::uint32_t CannotCreate = 0x800;
constexpr std::uint32_t CannotDelete = 0x1000;
constexpr std::uint32_t CannotRename = 0x2000;
constexpr std::uint32_t CannotDeleteCur = 0x4000;
constexpr std::uint32_t OutOfMemory = 0x8000;
constexpr std::uint32_t CannotReadSrc = 0x10000;
constexpr std::uint32_t CannotReadDst = 0x20000;
constexpr std::uint32_t BuffTooSmall = 0x40000;
} // namespace vif
// Where a file of that name should be installed and where a copy of it
// already is. dest_dir receives the suggestion: the system directory for
// a shared file (vff::IsSharedFile), else app_dir. cur_dir receives the
// directory of an existing copy, empty when there is none: for a shared
// file the system directory or else app_dir, for another file app_dir,
// else windows_dir, else the system directory (vff::CurNeDest when that
// is not the suggestion). The sizes give the buffers' bytes and receive
// the bytes needed with the terminator; a buffer too small gets as much
// as fits and vff::BuffTooSmall is set. vff::FileInUse: the copy is held
// open.
std::uint32_t find_install_file(std::uint32_t flags, const char* file_name, const char* windows_dir,
                                const char* app_dir, char* cur_dir, std::size_t* cur_size,
                                char* dest_dir, std::size_t* dest_size);
// The fixed part of a file's version resource that installing compares.
struct FixedFileVersion {
    std::uint32_t version_ms = 0, version_ls = 0;
    std::uint32_t file_type = 0, file_subtype = 0;
};
// Reads that part from a file (a Windows name); false when the file has
// none.
using FixedVersionReader = bool (*)(const char* path, FixedFileVersion* out);
// Installs src_dir\src_name as dest_dir\dest_name (an empty dest_dir: the
// source's directory). The source is copied (a compressed SZDD source is
// expanded) into a temporary file in the destination directory. Unless
// viff::ForceInstall is given, a destination that has a version is kept
// when the copy has a lower file version or none (vif::Mismatch |
// vif::SrcOld) or another file type (vif::Mismatch | vif::DiffType); the
// temporary file then stays, its name (without directory) is written to
// temp_name and vif::TempFile set (vif::BuffTooSmall, and the file
// removed, when *temp_size bytes cannot hold it). Otherwise the copy takes
// the destination's name, and the copy in cur_dir, when that is another
// directory, is deleted unless viff::DontDeleteOld is given. With
// viff::ForceInstall, a temp_name that names a file in the destination
// directory (from an earlier call) is installed instead of a new copy.
// Returns 0 or the vif bits. The copy keeps the source's last-write time.
// The Win32 backend has the system read the versions (Wine reports the
// temporary name with a backslash in front). The native backend reads
// them with read_version (null: files have no version), refuses a
// compressed source that is cut short or of an unknown method
// (vif::CannotReadSrc), renames the complete copy onto the destination,
// and deletes the old copy only once the new one is in place.
std::uint32_t install_file(std::uint32_t flags, const char* src_name, const char* dest_name,
                           const char* src_dir, const char* dest_dir, const char* cur_dir,
                           char* temp_name, std::size_t* temp_size,
                           FixedVersionReader read_version);

} // namespace plat
