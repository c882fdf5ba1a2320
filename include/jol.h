/*
 * jol.h: the interface of the JOL library for host programs, in plain C.
 *
 * A host loads the library (jol32.dll on Windows, libjol.so on Linux),
 * allocates the memory blocks of a script environment and calls the entry
 * points below in this order:
 *
 *   1. DoDaDllInit(0, 0, JOL_HANDSHAKE_HANDLE, JOL_INIT_HANDSHAKE, 0, 0, 0)
 *      must answer JOL_HANDSHAKE_ANSWER;
 *   2. a zero-filled context block (JOL_CONTEXT_BLOCK_SIZE bytes or more),
 *      then JOL_INIT_CONTEXT: answers JOL_CONTEXT_READY;
 *   3. a variable-table block of N JolVarEntry rows, then
 *      JOL_INIT_VARIABLES with the block in handle2 and N in number4;
 *   4. a string-heap block (at most JOL_HEAP_MAX_SIZE bytes are used), then
 *      JOL_INIT_HEAP with the block in handle2 and its size in number4;
 *   5. any number of runs: ProcessDaBatBuffer with a block holding the
 *      script text and a zero byte; DLLServices before, between and (from
 *      the host's callback) during runs; JolLastStop after a run;
 *   6. JOL_INIT_RELEASE, then the host frees its blocks.
 *
 * Every block is a movable memory block, named by a handle (uintptr_t):
 * on Windows a GlobalAlloc handle (GMEM_MOVEABLE | GMEM_ZEROINIT), on every
 * backend one of JolBlockAlloc. The library locks the blocks while it works
 * in them and keeps no pointer into them between calls; the host reads its
 * variable table by locking that block (JolBlockLock) between runs.
 *
 * Calling conventions: every entry point is cdecl, except those marked
 * JOL_STDCALL (DllMain, ZezuzAnswer, and the extender entries and host
 * callback of type JolExtenderEntry), which are stdcall in the 32-bit
 * Windows library and the platform's plain convention elsewhere. The 32-bit
 * library exports every name undecorated: DllMain is the stdcall DllMain@12
 * and ZezuzAnswer the stdcall ZezuzAnswer@24 under their plain names.
 *
 * The library's own records (the context, a value) are opaque here: a host
 * passes them without knowing their insides.
 */
#ifndef JOL_H
#define JOL_H

#include <stddef.h>
#include <stdint.h>

#ifndef JOL_STDCALL
#if defined(_WIN32) && !defined(_WIN64)
#define JOL_STDCALL __stdcall
#else
#define JOL_STDCALL
#endif
#endif

/* The library defines JOL_API to export the entry points; a host leaves it
   empty. */
#ifndef JOL_API
#define JOL_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ------------------------------------------------------------- sizes */

#define JOL_TEXT_SIZE 257         /* text buffers: 256 characters and a zero */
#define JOL_PATH_SIZE 1281        /* file names as the library keeps them */
#define JOL_VAR_NAME_MAX 30       /* characters of a variable name */
#define JOL_MAX_SCRIPT_TEXT 65520 /* bytes of script text in one block */
#define JOL_HEAP_MAX_SIZE 65532   /* bytes of a string heap that are used */
#define JOL_MAX_CALL_DEPTH 6      /* nested Call levels */
/* A context block of at least this many bytes holds the library's
   context record on every supported target. */
#define JOL_CONTEXT_BLOCK_SIZE 65536

/* ------------------------------------------------------ DoDaDllInit */

/* Request codes (the fourth argument); other codes do nothing.
   JOL_INIT_HANDSHAKE: handle2 JOL_HANDSHAKE_HANDLE.
   JOL_INIT_CONTEXT: context; number4 the host's module instance.
   JOL_INIT_VARIABLES: window, context; handle2 the variable-table block,
     number4 its capacity in entries (low 16 bits); text5 the settings
     section, text6 the settings INI file name.
   JOL_INIT_HEAP: context; handle2 the string-heap block, number4 its size
     in bytes; text5 a usage tag.
   JOL_INIT_RELEASE: context; text6 the host callback (a JolExtenderEntry)
     that is told of the release. */
#define JOL_INIT_HANDSHAKE 0
#define JOL_INIT_CONTEXT 1
#define JOL_INIT_VARIABLES 2
#define JOL_INIT_HEAP 3
#define JOL_INIT_RELEASE 99

#define JOL_INTERFACE_VERSION 19    /* bits 8 to 15 of handle2 at request 0 */
#define JOL_HANDSHAKE_HANDLE 0x1300 /* handle2 of request 0 */
#define JOL_HANDSHAKE_ANSWER 17840  /* request 0: the versions agree */
#define JOL_CONTEXT_READY 52        /* request 1 */

/* The multi-request entry: answers JOL_HANDSHAKE_ANSWER (request 0),
   JOL_CONTEXT_READY (request 1; 0 for a null context), 1 for requests 2, 3
   and 99 (0 when the context or a block cannot be locked). */
JOL_API int32_t DoDaDllInit(uintptr_t window, uintptr_t context, uintptr_t handle2, short request,
                            uintptr_t number4, const char* text5, const char* text6);

/* ----------------------------------------------------------- keywords */

/* One keyword row: the host's keyword table (ids JOL_HOST_FIRST_ID to
   JOL_HOST_LAST_ID, row r reached as id JOL_HOST_FIRST_ID + r, a row of
   length 0 ends the table) and the rows an extender delivers share it. */
typedef struct JolKeywordEntry {
    uint16_t id;      /* host rows: the id; extender rows: the function number */
    uint16_t kind;    /* JOL_KEYWORD_FUNCTION; JOL_KEYWORD_DISABLED bit */
    uint8_t value[4]; /* functions: [0] argument count (0 to 5), [2] bit set of
                         the arguments converted to text (bit 0 the first),
                         [3] bit set of those converted to float */
    int16_t length;   /* characters of the name */
    char name[14];    /* lower case, zero-padded */
} JolKeywordEntry;

#define JOL_KEYWORD_FUNCTION 2
#define JOL_KEYWORD_DISABLED 0x2000
#define JOL_HOST_FIRST_ID 900
#define JOL_HOST_LAST_ID 1899

/* ------------------------------------------------------- variables */

/* One entry of the host's variable-table block. flags 0: a free entry. */
typedef struct JolVarEntry {
    double f;                        /* the float view */
    int32_t i;                       /* the integer view */
    uint32_t flags;                  /* JOL_VALUE_... bits */
    uint16_t str;                    /* the string view: a handle in the string heap */
    char name[JOL_VAR_NAME_MAX + 1]; /* lower case */
} JolVarEntry;

/* Value flags: which views of a value are valid. */
#define JOL_VALUE_INTEGER 1
#define JOL_VALUE_STRING 2
#define JOL_VALUE_FILE 4    /* with JOL_VALUE_INTEGER: a file handle */
#define JOL_VALUE_UNSET 8   /* a name without a value */
#define JOL_VALUE_OBJECT 16 /* with JOL_VALUE_INTEGER: an automation object */
#define JOL_VALUE_FLOAT 32

/* ------------------------------------------------------------- runs */

/* The library's records, passed through without their insides: the
   context (the locked context block) and a value. A JolValue is storage
   for one value, zero-filled by the caller. */
typedef struct JolScriptContext JolScriptContext;
typedef union JolValue {
    double align_;
    unsigned char bytes_[24];
} JolValue;

/* The entry of an extender, and the host callback: twelve arguments of the
   word size. Arguments: 1 the host window's parent, 2 the library's module
   instance, 3 JOL_EXTENDER_VERSION, 4 the request, 5 the answer callback
   (function calls only), 6 the answer record to hand back to it, 7 the
   extender's data word (0 for the host callback), 8 to 12 the request's
   own: for a function call the texts of its arguments 1 to 5; for
   JOL_EXTENDER_ENUMERATE 8 the row to fill, 9 its index, 10 the context
   handle, 11 DLLServices; for the notifications see JOL_NOTIFY_... The
   host callback receives request (id - JOL_HOST_FIRST_ID) for its own
   functions. */
typedef intptr_t JolArg;
typedef int32_t(JOL_STDCALL* JolExtenderEntry)(JolArg parent, JolArg instance, JolArg version,
                                               JolArg request, JolArg answer_fn,
                                               JolArg answer_record, JolArg data_word, JolArg a8,
                                               JolArg a9, JolArg a10, JolArg a11, JolArg a12);
/* The answer callback (ZezuzAnswer), handed to every function call. */
typedef int32_t(JOL_STDCALL* JolAnswerEntry)(JolArg status, JolArg ignored, JolArg record,
                                             JolArg is_text, JolArg number, JolArg text);
/* The service entry (DLLServices), handed to extenders at enumeration. */
typedef int32_t (*JolServicesEntry)(uintptr_t context, int32_t request, char* text1, char* text2,
                                    intptr_t number, intptr_t number2);

#define JOL_EXTENDER_VERSION 0x30030105
#define JOL_EXTENDER_ENUMERATE 98 /* result 1: a row delivered; -1: refuse to load */
#define JOL_EXTENDER_RELEASE 99

/* Results of a function of an extender or of the host: 0 or more success. */
#define JOL_FAIL_MINOR (-1)
#define JOL_FAIL_MODERATE (-2)
#define JOL_FAIL_SEVERE (-3)
#define JOL_FAIL_NO_ROOM (-4) /* no room for the result */
#define JOL_FAIL_CANCEL (-5)  /* the user cancelled */
#define JOL_FAIL_END (-6)     /* the script ends quietly */

/* Notifications to the host callback (request argument; argument 7 is 0).
   JOL_NOTIFY_POLL: argument 8 the text "1" for a pass of the message pump,
     the text "2" for a line about to run, then 9 the script block, 10 the
     line's offset in it, 11 the index of the variable assigned last
     (0xFFFF: none).
   JOL_NOTIFY_RELEASE: the context ends (DoDaDllInit request 99).
   JOL_NOTIFY_CALL: argument 8 the number 1 when a Call starts; when it
     ends 0, or -1 when the called script stopped on an error. */
#define JOL_NOTIFY_POLL (-1)
#define JOL_NOTIFY_RELEASE (-3)
#define JOL_NOTIFY_CALL (-4)

/* Hook flags (DLLServices JOL_SERVICE_HOOK_FLAGS): the notifications the
   host callback receives. */
#define JOL_HOOK_POLL 1
#define JOL_HOOK_LINES 2
#define JOL_HOOK_CALLS 4

/* Runs the script in the script block (its text and a zero byte: ANSI text
   in lines ended by CR LF, or UTF-16 with a byte-order mark) in the
   context. window owns the run's boxes; callback receives the host's
   functions and the notifications; host_keywords is the host's keyword
   table, or null. Returns 1 when the run took place, whatever its outcome
   (DLLServices requests 4 to 6, JolLastStop), 0 when it could not start. */
JOL_API int32_t ProcessDaBatBuffer(uintptr_t window, uintptr_t context, uintptr_t script,
                                   JolExtenderEntry callback, const JolKeywordEntry* host_keywords);

/* Run results (JOL_SERVICE_LAST_RESULT). */
#define JOL_RUN_ENDED 1       /* the script reached its end */
#define JOL_RUN_STOPPED 0     /* EXIT, Terminate, an error that stopped it, a cancel */
#define JOL_RUN_RETURNED (-1) /* a RETURN without GOSUB ended it */

/* Error codes from JOL_STOP_FIRST up only stop a run; they are never
   reported. A run that stopped with code 0 was cancelled. */
#define JOL_STOP_FIRST 9000
#define JOL_STOP_EXIT 9000      /* EXIT */
#define JOL_STOP_TERMINATE 9012 /* Terminate, after its own message */
#define JOL_STOP_REPORTED                                                                          \
    9013                         /* an error reported already (Call, EXECUTE,                      \
                                    an extender's box) */
#define JOL_STOP_INTCONTROL 9015 /* IntControl 8 */
#define JOL_STOP_CANCEL 9999     /* "User requested Cancel" without a :CANCEL label */

/* ------------------------------------------------------ DLLServices */

/* Runs one service request on the context; also from inside a run (the
   host callback, an extender). A request not offered, or one that fails,
   gives 0. */
JOL_API int32_t DLLServices(uintptr_t context, int32_t request, char* text1, char* text2,
                            intptr_t number, intptr_t number2);

/* Requests (the second argument):
   SET_NAMES: text1 the script's name (shown in error boxes, named in the
     stop report), text2 a second host name.
   SET_VARIABLE: text1 a name, text2 its new text; when the variable holds
     a binary buffer's handle, number2 bytes of text2 go into that buffer.
   GET_VARIABLE: text1 a name, text2 a buffer of number bytes for the
     value as text; 1, or 0 when the name has no value.
   HOOK_FLAGS: number the new JOL_HOOK_... flags; the old ones.
   LAST_ERROR, LAST_RESULT, LAST_LINE: the ErrorCode, the JOL_RUN_...
     result and the offset of the last line of the last run.
   STOP: stops the run; number 1 reports the stop with the cancel box.
   PARAMETERS: text1 a parameter line, split as Call splits its
     parameters (blanks between them, quotes " ' ` around one, a quote
     doubled inside one) into Param1, Param2, ..., their count in Param0;
     the count (0 also when there is no room for them).
   SET_ERROR: number becomes the ErrorCode when the call returns.
   QUIET_MODE: number 1 on, 0 off (boxes are logged, not shown); a
     non-empty text1 names the log file; the old mode.
   VARIABLE_COUNT: number 1: the count of variable-table entries in use. */
#define JOL_SERVICE_SET_NAMES 0
#define JOL_SERVICE_SET_VARIABLE 1
#define JOL_SERVICE_GET_VARIABLE 2
#define JOL_SERVICE_HOOK_FLAGS 3
#define JOL_SERVICE_LAST_ERROR 4
#define JOL_SERVICE_LAST_RESULT 5
#define JOL_SERVICE_LAST_LINE 6
#define JOL_SERVICE_STOP 7
#define JOL_SERVICE_HOST_DIALOG 8
#define JOL_SERVICE_PARAMETERS 11
#define JOL_SERVICE_SET_ERROR 13
#define JOL_SERVICE_TERMINATION 14
#define JOL_SERVICE_SEND_MENU 15
#define JOL_SERVICE_RUN_BY_EXTENSION 16
#define JOL_SERVICE_SAVE_POSITION 17
#define JOL_SERVICE_PLACE_WINDOW 18
#define JOL_SERVICE_ACTIVATE_WINDOW 19
#define JOL_SERVICE_HOST_FLAG_A 20
#define JOL_SERVICE_LIST_DELIMITER 22
#define JOL_SERVICE_QUIET_MODE 23
#define JOL_SERVICE_DISABLE_KEYWORDS 24
#define JOL_SERVICE_LAST_LOGGED_BOX 25
#define JOL_SERVICE_FILL_BUFFER 28
#define JOL_SERVICE_VARIABLE_COUNT 29

/* -------------------------------------------- the stop report */

/* Where the error that stopped the last run was reported: in the script
   the host ran, or in the innermost script started by Call. */
typedef struct JolStopReport {
    int32_t code;                /* the error reported */
    int32_t line;                /* 1-based line of that script (CR LF lines) */
    uint32_t line_start;         /* the line's offset in that script's text */
    char file[JOL_PATH_SIZE];    /* the script's name as the library knows it:
                                    the name the host gave (JOL_SERVICE_SET_NAMES)
                                    or the file Call found */
    char message[JOL_TEXT_SIZE]; /* the error's text */
    char text[JOL_TEXT_SIZE];    /* the line's text */
} JolStopReport;

/* When the last run of the context stopped on an error (not EXIT,
   Terminate, RETURN or a cancel, and not an error the script went on
   past), fills report and returns 1; else returns 0. */
JOL_API int32_t JolLastStop(uintptr_t context, JolStopReport* report);

/* ------------------------------------------------------ menu files */

/* A menu file: indented title lines (no blank: level 1, one to three
   spaces: levels 2 to 4) and the JOL code of each item on the lines after
   its title (indented by a tab or four spaces); code before the first
   title is the start-up code. A title reads [_|]caption[\hotkey][;help]:
   "_" puts a separator before the item, "|" starts a new column, the
   hotkey is written with "!" Alt, "+" Shift, "^" Ctrl and a character or
   a key name in braces ("^S", "!{F5}"), and a caption beginning with "@"
   makes an item reached only by its hotkey. */

/* The host's record of one menu, zero-filled before the first load with
   path the menu file's name; the library keeps the rest. */
#define JOL_MENU_PATH_SIZE 280
typedef struct JolMenuState {
    uint16_t dos_date; /* the file's last-write time when loaded */
    uint16_t dos_time;
    char path[JOL_MENU_PATH_SIZE]; /* found like Call's scripts, then in the
                                      host program's folder; the full name
                                      is stored back */
    int32_t last_command;          /* the last command number given out */
    int32_t index;                 /* 0 for the first menu; its letter is 'A' + index */
} JolMenuState;

/* The hotkeys of a host's menus: up to JOL_MAX_HOTKEYS pairs of a hotkey
   word and the item's command number. Loading the menu of index 0 empties
   it. */
#define JOL_MAX_HOTKEYS 100
typedef struct JolHotkeyPair {
    uint16_t hotkey;
    uint16_t command;
} JolHotkeyPair;
typedef struct JolHotkeyTable {
    uint32_t count;
    JolHotkeyPair pairs[JOL_MAX_HOTKEYS];
} JolHotkeyTable;

/* kind of LoadStandardMenu: a new popup menu, a new menu bar, or else the
   handle of an existing menu the items are added to. */
#define JOL_MENU_POPUP 0
#define JOL_MENU_BAR 1

/* Builds the menu of the menu file named in state, giving its command
   items the numbers first, first + 1, ... (at most last), and returns its
   handle (0 when none could be made). Errors in the file are shown in
   boxes owned by window and titled title; the menu built up to the error is
   returned. For every item a help variable is kept in the variable table
   ("%M" or "%P", the menu's letter, the command number or the popup's
   handle) for MenuSelectProcessing. */
JOL_API uintptr_t LoadStandardMenu(uintptr_t context, uintptr_t window, int32_t first, int32_t last,
                                   JolMenuState* state, const char* title, JolHotkeyTable* hotkeys,
                                   uintptr_t kind);

/* The code of command number command (or, with startup nonzero, the
   start-up code) as a new script block for ProcessDaBatBuffer, which the
   host frees (JolBlockFree). 0 when there is none or on an error (shown),
   -1 when the file changed since it was loaded (after a box): the host
   loads its menus again. */
JOL_API intptr_t ParseStandardMenu(uintptr_t context, uintptr_t window, int32_t command,
                                   int32_t startup, int32_t first, int32_t ignored,
                                   JolMenuState* state, const char* title);

/* Help for the highlighted menu item: item carries its number (low 16
   bits) and the menu-select flags (high 16 bits: JOL_MENU_ITEM_POPUP,
   JOL_MENU_SYSTEM), menu the menu it is in. Writes at most size - 1
   characters into buffer. Results: 1 the item's help, 2 a system-menu
   entry without its own text, 3 a popup without help, 4 a command not of
   this menu, 5 no item; -1 when the context cannot be locked. With
   given_menu the captions are looked for in menu, else in the window's
   menu. */
JOL_API int32_t MenuSelectProcessing(uintptr_t context, uintptr_t window, uintptr_t item,
                                     uintptr_t menu, int32_t first, int32_t last, char* buffer,
                                     int32_t size, JolMenuState* state, int32_t given_menu);
#define JOL_MENU_SYSTEM 0x2000

/* A keystroke message (key-down 256 and 260 with the virtual key,
   character 258 and 262 with the character): 1 when it is a hotkey of the
   table, after posting the command (message 0x0111) of its item to window
   when the window is enabled; else 0. */
JOL_API int32_t HotKeyCheck(uintptr_t context, uintptr_t window, uint32_t message, uintptr_t key,
                            JolHotkeyTable* hotkeys);

/* Reading menus: on Windows the system's menus, on Linux the library's own
   records, which a host presents as it likes. */
#define JOL_MENU_ITEM_POPUP 0x0010
#define JOL_MENU_ITEM_BARBREAK 0x0020
#define JOL_MENU_ITEM_BREAK 0x0040
#define JOL_MENU_ITEM_SEPARATOR 0x0800
typedef struct JolMenuItem {
    uint32_t flags;  /* JOL_MENU_ITEM_... */
    uint32_t id;     /* the command number (0 for popups and separators) */
    uintptr_t popup; /* the submenu of a popup item */
    char text[JOL_TEXT_SIZE];
} JolMenuItem;
/* The number of items of a menu, -1 for no menu. */
JOL_API int32_t JolMenuItemCount(uintptr_t menu);
/* The item at position (0 first): 1, or 0 when there is none. */
JOL_API int32_t JolGetMenuItem(uintptr_t menu, int32_t position, JolMenuItem* item);
/* Destroys a menu and its submenus: 1, or 0 for no menu. */
JOL_API int32_t JolDestroyMenu(uintptr_t menu);

/* --------------------------------------------------------- blocks */

/* Movable memory blocks for hosts that have no GlobalAlloc: allocated
   zero-filled, reached by locking (locks nest), freed when no longer
   needed. On Windows these are GlobalAlloc blocks. A handle of 0 or one
   that was freed fails every call. */
JOL_API uintptr_t JolBlockAlloc(size_t bytes);
JOL_API void* JolBlockLock(uintptr_t block);
JOL_API int32_t JolBlockUnlock(uintptr_t block); /* 1 when it was locked */
JOL_API size_t JolBlockSize(uintptr_t block);    /* 0 for no block */
JOL_API int32_t JolBlockFree(uintptr_t block);   /* 1 when it was freed */

/* ------------------------------------------------------ the console */

/* Makes the console's interrupt (Ctrl+C, and Ctrl+Break on Windows)
   cancel the running script, as Ctrl+Break does, instead of ending the
   process. */
JOL_API void JolWatchInterrupt(void);
/* Asks for that cancel; safe from anywhere: a signal handler, another
   thread, the host callback. The run stops before its next line. */
JOL_API void JolRequestCancel(void);

/* Answers the library's boxes from the file's words (ok, cancel, yes, no,
   abort, retry, ignore or button numbers) instead of asking, and writes
   each box on standard error as "title: text". Call it before the first
   box is shown; returns 1, or 0 for no name. */
JOL_API int32_t JolAnswerBoxesFrom(const char* file);

/* Copies the library's version text into out; returns its length. */
JOL_API int JolLibraryVersion(char* out, int size);

/* ------------------------------------ for extenders and host functions */

/* The answer callback of function calls (its address reaches every call
   as argument 5). */
JOL_API int32_t JOL_STDCALL ZezuzAnswer(JolArg status, JolArg ignored, JolArg record,
                                        JolArg is_text, JolArg number, JolArg text);

/* Work on the running script's own tokens and values, for code called
   from inside a run with the locked context. */
JOL_API void get_token(JolScriptContext* context);
JOL_API int find_var(JolScriptContext* context, const char* name);
JOL_API int ProcessSubExpression(JolScriptContext* context, JolValue* result,
                                 int assignment_allowed);
JOL_API uint16_t VMalloc(char* heap, uint32_t bytes);
JOL_API void VFree(JolScriptContext* context, char* heap, uint16_t handle);

#if defined(_WIN32) && !defined(JOL_NO_DLLMAIN)
/* The library's process attach (Windows only). A host that is itself a
   library with a DllMain of its own defines JOL_NO_DLLMAIN. */
JOL_API int JOL_STDCALL DllMain(void* instance, unsigned long reason, void* reserved);
#endif

#ifdef __cplusplus
}
#endif

#endif /* JOL_H */
