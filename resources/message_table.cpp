#include "resources/message_table.h"

#include <cstdio>
#include <cstring>
#include <mutex>

#include "host/context/bounded_text.h"
#include "host/context/process_state.h"
#include "host/context/script_context.h"
#include "host/context/settings.h"
#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/modules.h"
#include "platform/profiles.h"

namespace jol {
namespace {

// Sorted by id.
constexpr MessageRow kMessages[] = {
    {99, "2.3nbp"},
    {102, "Specified menu/batch file not found"},
    {111, "Execution Error"},
    {120, "&Ok"},
    {121, "&Cancel"},
    {122, "Replace file:"},
    {123, "O&verwrite"},
    {124, "Overwrite &All"},
    {125, "&Skip"},
    {126, "&Next"},
    {127, "&Run"},
    {128, "&Show Var"},
    {133, "Next Statement..."},
    {134, "Confirm File Replace"},
    {135, "with file:"},
    {136, "Use &Newer"},
    {137, "Use Ne&wer All"},
    {138, "Use O&lder"},
    {139, "Use Ol&der All"},
    {192, "Execution ended"},
    {193, "Execution terminated by user request or error"},
    {203, "Unable to allocate memory for menu/batch file"},
    {204, "Unable to lock memory for menu/batch file"},
    {205, "Batch file >64K.  Too Large."},
    {206, "File I/O error reading batch file"},
    {207, "SunMonTueWedThuFriSat"},
    {214, "Line too long (>256 characters)"},
    {215, "Error converting Unicode batch/menu file"},
    {502, "Unexpected menu line.  Check for proper indentation."},
    {504, "Menu file file open error. Maybe it does not exist?\??"},
    {505, "Could not allocate menu build workarea"},
    {506, "Could not lock menu build workarea"},
    {507, "File I/O error reading menu file"},
    {512, "Need First level menu title.  Not found."},
    {513, "Could not create menu bar"},
    {514, "Need batch code or second level menu title. Not found."},
    {515, "Need batch code or top level menu title. Not found."},
    {516, "First level popup menu creation failed."},
    {517, "Second level popup menu creation failed."},
    {518, "Third level popup menu creation failed."},
    {519, "Need batch code or third level menu title. Not found."},
    {520, "Need batch code or 1st or 2nd level menu title. Not found."},
    {521, "Need batch code or fourth level menu title. Not found."},
    {522, "Menu file re-open error"},
    {523, "Could not allocate menu scan workarea -- Low on memory?"},
    {524, "Could not lock menu scan workarea"},
    {525, "File I/O error scanning menu file"},
    {527, "Menu file ended unexpectedly, or menu is invalid."},
    {528, "JOL Processor menu(s) will reloaded\nto reflect recent changes.\nReselect menu option "
          "when reload complete."},
    {530, "Menu/Batch file too big  >>64K"},
    {579, "Need batch code, 1st, 2nd or 3rd level menutitle. Not found"},
    {580, "Need batch code after fourth level menutitle.  Not found"},
    {581, "Need batch code or 1st, 2nd, 3rd or 4th level menutitle. Not found"},
    {599, "Too many menu items defined for current application."},
    {700, "Resize window on screen"},
    {701, "Move window on screen"},
    {702, "Reduce window to an icon"},
    {703, "Zoom window to maximum size"},
    {704, "Switch to the next child window"},
    {705, "Switch to the previous child window"},
    {706, "Close down application"},
    {707, "Scroll child windows vertically"},
    {708, "Scroll child windows horizontally"},
    {717, "Arrange Windows"},
    {718, "Restore window to previous state"},
    {719, "Get Task Manager"},
    {730, " popup menu"},
    {731, " menu item"},
    {801, "NT DLLCall: Bad Parameter List"},
    {802, "Old SP"},
    {803, "New SP"},
    {805, "END OF JOB"},
    {806, "= ?\?? Unknown Variable"},
    {807, "*** Debug Initialized ***"},
    {808, "VALUE=>"},
    {809, "==>TRUE=>"},
    {810, "==>FALSE=> (skipped)"},
    {811, "STATEMENT SKIPPED"},
    {812, "WHILE==>TRUE"},
    {813, "WHILE==>FALSE"},
    {814, "END OPERATOR"},
    {815, "SWITCH==>"},
    {816, "BREAKING"},
    {817, "BREAK IGNORED"},
    {818, "CONTINUING"},
    {819, "CONTINUE IGNORED"},
    {820, "FOR TRUE==>"},
    {821, "FOR FALSE==>"},
    {822, "GOSUB"},
    {823, "RETURN"},
    {824, "IF DO==>TRUE"},
    {825, "IF DO==>FALSE"},
    {826, "ELSE DO==>TRUE"},
    {827, "ELSE DO==>FALSE"},
    {828, "CASE TRUE==>"},
    {829, "CASE FALSE==>"},
    {830, "TERMINAL EXTENDER ERROR=>"},
    {831, "EXTENDER ERROR SUPPRESSED =>"},
    {832, "TERMINAL JOL ERROR=>"},
    {833, "JOL ERROR SUPPRESSED =>"},
    {836, "DebugData:"},
    {837, "Internal Error"},
    {839, "(File not found)"},
    {845, "INTERNAL DYNALLOC ERROR"},
    {846, "Tag Overwrite 1"},
    {847, "Tag Overwrite 2"},
    {848, "Valid but unrecognised EXE"},
    {849, "JOL Version:"},
    {850, "JOL Extender load error"},
    {851, "Extender DLL could not be loaded.  It may have been designed for a different Windows "
          "platform.  Or, you may not have the appropriate network client software installed."},
    {852, "Extender DLL is invalid.  You may be trying to load a 16-bit DLL from a 32-bit "
          "application, or a DLL designed for Windows NT from Windows 95 (or vice versa)."},
    {853, "Extender DLL is invalid.  You may be trying to load a DLL designed for Windows 95 from "
          "Windows NT (or vice versa).  Or, you may not have the appropriate network client "
          "software installed."},
    {854,
     "Extender DLL is invalid.  You may be trying to load a 16-bit DLL from a 32-bit application."},
    {855, "Unable to initialize the extender DLL.  If you are loading CRN3Z32I.DLL, make sure that "
          "CRN3Z16I.DLL is available as well, and that NWCALLS.DLL is valid."},
    {862, "Error code"},
    {863, "Could not access Extender Entry 0x02"},
    {864, "Could not access Extender Entry 0x03"},
    {865, "JOL Extender Error:"},
    {1002, "File List Processing - No Match"},
    {1003, "FileMove: Failed"},
    {1004, "FileMove: FROM file open failed"},
    {1008, "FileCopy: Failed"},
    {1009, "FileCopy: FROM file open failed"},
    {1012, "FileAppend: FROM file open failed"},
    {1013, "FileAppend: TO file open failed"},
    {1014, "FileAppend: I/O error"},
    {1015, "FileRename: Failed"},
    {1016, "FileDelete: File not found"},
    {1017, "TimeDiff: Time parameter error - bad value"},
    {1018, "TimeDiff: Out of Range (over 60 years)"},
    {1019, "TimeAdd: Cannot add supplied times"},
    {1020, "TimeAdd: Time parameter error - bad value"},
    {1021, "WaitLong: Could not properly compute time for delay"},
    {1022, "WaitUntil: Passed time not in proper format"},
    {1025, "File Rename: Rename failed"},
    {1028, "LogDisk: Requested drive not online"},
    {1029, "DirMake: Dir not created"},
    {1030, "DirRemove: Dir not removed"},
    {1031, "DirChange: Dir not found/changed"},
    {1034, "Clipboard owned by another app.  Cannot open."},
    {1035, "Clipboard does not contain text for CLIPAPPEND."},
    {1036, "Clipboard cannot hold that much text (>64000 bytes)"},
    {1037, "Unable to get memory for clipboard.  Close some apps"},
    {1039, "WinClose: Window not found"},
    {1040, "WinHide: Window not found"},
    {1041, "WinIconize: Window not found"},
    {1042, "WinZoom: Window not found"},
    {1043, "WinShow: Window not found"},
    {1044, "WinPlace: Window not found"},
    {1045, "WinActivate: Window not found"},
    {1046, "WinActivate: Window could not be brought to the front"},
    {1077, "FileOpen: Open failed"},
    {1083, "FileAttrGet: File not found"},
    {1086, "FileAttrSet: File not found or access denied"},
    {1119, "WinPosition: Window not found"},
    {1121, "WinTitle: Window not found"},
    {1125, "FileTimeGet: File not found"},
    {1126, "BinaryAlloc: Could not allocate binary buffer"},
    {1128, "FileTimeTouch: File not found"},
    {1144, "DDETerminate: Channel not open"},
    {1158, "RegOpenKey: Function Failed"},
    {1159, "RegCreateKey: Function Failed"},
    {1172, "WinExeName: Window not found"},
    {1193, "Function not supported in this version of Windows"},
    {1194, "PlaySounds: File not found"},
    {1200, "WinPlaceGet/Set: Window not found"},
    {1201, "WinPlaceGet/Set: Function failed"},
    {1207, "SnapShot: Out of memory"},
    {1208, "SnapShot: Palette Creation Error"},
    {1209, "SnapShot: Cannot open clipboard"},
    {1213, "Cmd Extender: Minor error occurred"},
    {1217, "WinHelp: Invalid SubCommand Requested"},
    {1227, "WinIsDos: Window not found or bad window"},
    {1229, "RegDeleteKey: Function Failed"},
    {1231, "RegCloseKey: Function Failed"},
    {1232, "RegSetValue: Function Failed"},
    {1233, "RegQueryValue: Function Failed"},
    {1240, "ExeTypeInfo/RunEnviron: Cannot Locate File"},
    {1248, "Ole:System Ole Dll's not found (not installed?)"},
    {1249, "Ole: Object name not known to the system"},
    {1251, "Ole: JOL Ole interface Dll not found (JOOxxyyy.DLL)"},
    {1254, "Ole: Object could not be started"},
    {1255, "Ole Object: Not an open object"},
    {1256, "Ole Object: Unknown member name"},
    {1257, "Ole Object: Wrong number of parameters"},
    {1258, "Ole Object: Parameter type mismatch"},
    {1259, "Ole Object: The object reported an error"},
    {1260, "Ole Object: Member access failed"},
    {1261, "Ole Object: Result type not supported"},
    {1262, "Ole Object: Too many objects open"},
    {1263, "Ole: Ole initialization failed"},
    {1264, "Ole Object: Member name too long"},
    {1265, "Ole Object: Too many parameters"},
    {1299, "Dll: DLL file not found"},
    {1300, "Dll: File not loadable"},
    {1301, "DllCall: Bad Entrypoint name"},
    {1303, "IconReplace: EXE file not found"},
    {1304, "IconReplace: ICO file not found"},
    {1305, "IconReplace: ICO file open failed"},
    {1306, "IconReplace: Invalid ICO file"},
    {1307, "IconReplace: Memory Alloc Error"},
    {1308, "IconReplace: EXE file open failed (in use?)"},
    {1309, "IconReplace: Unrecognised EXE file"},
    {1310, "IconReplace: Not a Windows EXE file"},
    {1311, "IconReplace: No resources in EXE file"},
    {1312, "IconReplace: New Icon is larger than old icon"},
    {1313, "IconReplace: Invalid EXE file"},
    {1314, "IconReplace: No icons found in EXE file"},
    {1315, "SendMenusTo: Window menu not accessable"},
    {1316, "SendMenusTo: MenuItem name not found"},
    {1317, "SendMenusTo: PostMessage Failed"},
    {1318, "Ole: JOOxxyyy.DLL LoadLibrary failure"},
    {1330, "BinaryRead: File size larger than binary buffer size"},
    {1334, "WinItemChild: Parent Window cannot be found"},
    {1335, "IniPrivate functions:  Illegal to access [386Enh] Device= keywords"},
    {1336, "Ask Multiple:  More than 99 items selected.  Too Many."},
    {1337, "AskFileName: Dialog Box creation error"},
    {1341, "FP Math: Argument to function outside domain of function"},
    {1342, "FP Math: Result is too large to be represented"},
    {1343, "FP Math: Partial loss of significance occurred"},
    {1344, "FP Math: Illegal value passed to function. (Singularity)"},
    {1345, "FP Math: Total loss of significance occurred"},
    {1347, "FP Math: Undocumented library error passed to matherr"},
    {1349, "FP Math: Square Root of a Negative Number"},
    {1350, "FP Math: Cannot Take Log of Zero or a Negative Number"},
    {1351, "FP Math: Fact args must be positive whole numbers <=170"},
    {1368, "ActivateChild: Child windows does not exist"},
    {1369, "DllCall: Invalid DllName as Param1"},
    {1370, "DllCall: Invalid DllEntryPoint"},
    {1371, "DllCall: Bad punctuation found"},
    {1372, "DllCall: Too many parameters (max 2 + 15 args)"},
    {1373, "DllCall: Must have at least 3 parameters"},
    {1375, "DllCall: Parameter cannot be forced to 'SHORT'"},
    {1376, "DllCall: Parameter cannot be forced to 'LONG'"},
    {1377, "DllCall: Return type invalid - WORD LONG or LPSTR"},
    {1378, "DllCall: Bad parm code.  Only WORD, LONG, LPSTR, LPBINARY or LPNULL"},
    {1379, "DllCall: Bad type list caused stack problems.  Check types carefully."},
    {1380, "DllCall: Missing ':' after type code"},
    {1381, "DllCall: Param cannot be converted to string for LPSTR"},
    {1388, "Request Ignored:  NT Security violation"},
    {1389, "FileCompare: FileOpen failure - First File"},
    {1390, "FileCompare: FileOpen failure - Second File"},
    {1398, "List Allocation: Could not itemize all items"},
    {1399, "AddExtender:  Extender detects error, will not load"},
    {1400, "Call:  File not found"},
    {1402, "REG Functions: Bad Data Item [name]"},
    {1404, "FileCopy: Insufficient free space on target drive"},
    {1405, "FileMove: Insufficient free space on target drive"},
    {1406, "FileAppend: Insufficient free space on target drive"},
    {1407, "IntControl 29: Invalid delimiter character"},
    {1408, "WinIdGet: Window not found"},
    {1409, "Shortcut functions require Windows 95 or Windows NT 4.0+"},
    {1410, "Shortcut functions: Shortcut files must have an extension of '.LNK'"},
    {1411, "Shortcut functions: Shortcut file not found"},
    {1412, "ShortcutMake: Shortcut file already exists"},
    {1413, "Shortcut Make/Edit: Invalid show mode"},
    {1414, "ShortcutExtra: Invalid hotkey"},
    {1415, "Shortcut functions: CoInitialize failed"},
    {1416, "Shortcut functions: CoCreateInstance failed"},
    {1417, "Shortcut functions: QueryInterface failed"},
    {1418, "Shortcut functions: Error loading shortcut file"},
    {1420, "Shortcut functions: Error saving shortcut file"},
    {1421, "DirAttrGet: Directory not found"},
    {1422, "DirAttrSet: Directory not found or access denied"},
    {1423, "FileNameLong: File not found"},
    {1424, "FileNameShort: File not found"},
    {1425, "JOL Internal Error"},
    {1426, "IntControl 30: Source file not found"},
    {1427, "IntControl 30: Error parsing target spec"},
    {1428, "IntControl 30: Cannot move file to a different drive"},
    {1430, "RegApp: File not found"},
    {1431, "RegApp: Error writing to registry"},
    {1434, "InstallFile: Source file not found (or not specified)"},
    {1435, "InstallFile: Target file name cannot contain a path"},
    {1436, "InstallFile: Target directory not found (or not specified)"},
    {1439, "Mouse Functions: Invalid click-type"},
    {1440, "Mouse Functions: Unable to determine window containing mouse"},
    {1441, "Mouse Functions: Child window specified with no parent"},
    {1442, "Mouse Functions: Parent window not found"},
    {1443, "Mouse Functions: Child window not found"},
    {1444, "MouseClickBtn: Button not found"},
    {1445, "IconReplace: Unable to create file mapping"},
    {1446, "IconReplace: Unable to map view of file"},
    {1447, "IconReplace: New icon is smaller than old icon"},
    {1448, "IntControl 32: Invalid data type"},
    {1449, "ShellExecute: Error launching specified file"},
    {1451, "RegQueryItem: Unable to open specified subkey"},
    {1452, "REG Functions: Unable to open (or create) specified subkey"},
    {1453, "RegQueryValue: Registry value is binary.  Use RegQueryBin instead."},
    {1454, "RegQueryBin: Registry value is not binary"},
    {1455, "REG Functions: Unable to allocate or lock memory"},
    {1456, "RegQueryDword: Registry value is not a DWORD"},
    {1457, "RegSetBin: Invalid binary value string"},
    {1459, "RegSetDword: Invalid DWORD value"},
    {1460, "REG functions: Subkey string too long"},
    {1461, "TimeJulToYmd: Invalid Julian date"},
    {1462, "TimeSubtract: Cannot subtract supplied times"},
    {1464, "IntControl: Window not found"},
    {1465, "IgnoreInput: Function not supported in 32-bit version"},
    {1466, "IconReplace: Invalid icon index"},
    {1468, "DiskInfo: Invalid drive letter"},
    {1469, "DiskInfo: Invalid request number"},
    {1470, "DiskInfo: Function failed"},
    {1471, "IntControl 39/40: Invalid share mode"},
    {1474, "BinaryHash/Sort: Invalid record size"},
    {1475, "BinaryHash/Sort: Invalid key offset"},
    {1476, "BinaryHash/Sort: Invalid key size"},
    {1477, "BinaryHash/Sort: Specified key extends beyond end of specified record"},
    {1478, "BinaryHash/Sort: Specified record size is larger than binary buffer"},
    {1479, "BinaryHash/Sort: Unable to allocate (or lock) memory"},
    {1480, "BinaryHash: Key value must be specified"},
    {1481, "BinaryHash: Specified key value is larger than specified key size"},
    {1482, "BinaryHash: No available space in binary buffer"},
    {1483, "RegQueryExpSz: Registry value is not a REG_EXPAND_SZ"},
    {1484, "RegQueryMulSz: Registry value is not a REG_MULTI_SZ"},
    {1487, "RegQueryMulSz/RegSetMulSz: Invalid delimiter"},
    {1488, "RegQueryValue: Registry value is a REG_EXPAND_SZ.  Use RegQueryExpSz instead."},
    {1489, "RegQueryValue: Registry value is a REG_MULTI_SZ.  Use RegQueryMulSz instead."},
    {1490, "RegQueryValue: Registry value could not be converted to a string"},
    {1492, "RegQueryEx: Invalid 'type'"},
    {1493, "RegSetEx: Invalid 'type'"},
    {1494, "RegEntryType: Unable to access registry value"},
    {1496, "FileVerInfo: File not found"},
    {1498, "FileVerInfo: Unable to allocate (or lock) memory"},
    {1502, "RegConnect: Remote registry service not installed"},
    {1503, "RegConnect: Invalid computer name"},
    {1504, "RegConnect: Invalid handle"},
    {1505, "RegConnect: Function failed"},
    {1507, "FileCopyPort: Error accessing file"},
    {1508, "FileCopyPort: Error accessing port"},
    {1509, "FileCopyPort: Error reading file"},
    {1510, "FileCopyPort: Error writing to port"},
    {1512, "InstallFile: Buffer too small (JOL internal error)"},
    {1514, "BinaryOleType: Invalid 'type'"},
    {1515, "BinaryOleType: 'type' does not include a data type"},
    {1516, "BinaryOleType: 'type' does not include a direction"},
    {1519, "DiskVolInfo: Invalid root path"},
    {1520, "DiskVolInfo: Invalid request number"},
    {1522, "DiskVolInfo: Function failed"},
    {1523, "RegLoadHive: Specified file not found"},
    {1524, "RegLoad/UnloadHive: Unable to set NT security privilege for operation"},
    {1525, "RegLoad/UnloadHive: Invalid key handle"},
    {1526, "RegLoad/UnloadHive: Access denied"},
    {1527, "RegLoadHive: Sharing violation (specified file is in use)"},
    {1528, "RegUnloadHive: Invalid subkey"},
    {1529, "RegLoad/UnloadHive: Function failed"},
    {1531, "RegLoadHive: Specified file is not a valid hive"},
    {1532, "RegLoadHive: Bad key, or duplicate subkey"},
    {1533, "RegUnloadHive: Bad key or subkey"},
    {1900, "WinExec 0: Out of Memory or Bad EXE"},
    {1902, "WinExec 2: File Not Found"},
    {1903, "WinExec 3: Path Not Found"},
    {1905, "WinExec 5: Attempt to dynlink to a task"},
    {1906, "WinExec 6: Lib requires data segs for each task"},
    {1908, "WinExec 8: Insufficient contiguous memory for application"},
    {1910, "WinExec 10: Incorrect Windows Version"},
    {1911, "WinExec 11: Invalid EXE file"},
    {1912, "WinExec 12: Cannot run app for different OS"},
    {1913, "WinExec 13: Cannot run DOS4.0 application"},
    {1914, "WinExec 14: Unknown EXE type"},
    {1915, "WinExec 15: Attempt to run old EXE in protect mode"},
    {1916, "WinExec 16: Attempted 2nd EXE with multiple writeable datasegs"},
    {1917, "WinExec 17: Nonshareable DLLs already in use"},
    {1918, "WinExec 18: App marked for protected mode only"},
    {1919, "WinExec 19: EXE is is compressed.  Cannot run"},
    {1920, "WinExec 20: DLL invalid or corrupt"},
    {1921, "WinExec 21: EXE requires 32-bit Windows"},
    {1932, "WinExec: Undefined Error"},
    {1933, "WinExec: No application defined for data file"},
    {2001, "SendKey: Illegal Parameters"},
    {2038, "WinCloseNot Function Syntax error"},
    {2058, "StrCat: Function syntax error"},
    {2060, "AVERAGE function syntax error"},
    {2203, "Dir Rename: 'From' file illegal"},
    {2204, "Dir Rename: 'To' file illegal"},
    {2214, "Cmd Extender: Moderate Error Occurred"},
    {2331, "BinaryPeekStr: Data request extends beyond end of binary buffer"},
    {2332, "BinaryPokeStr: Data to store would overrun binary buffer"},
    {2392, "DllLoad: Too many open DllLoads."},
    {3023, "BinaryData: Invalid Binary Data handle passed"},
    {3024, "BinaryData: Too many open Binary Data Handles"},
    {3026, "LogDisk: Illegal disk drive"},
    {3032, "GoTo unable to lock memory for batch file"},
    {3033, "GoTo label not found"},
    {3046, "Internal Error 3046. Function not defined"},
    {3047, "Variable name over 30 chars. Too Long"},
    {3048, "Substitution %Variable% not followed by a % (Use %% for %)"},
    {3049, "No variables exist?\?!!"},
    {3050, "No IF to relate to THEN or ELSE is currently valid"},
    {3051, "Undefined variable or function"},
    {3052, "Uninitialized variable or undefined function"},
    {3053, "Character string too long (>256 chars?\?)"},
    {3054, "Unrecognizable item found on line"},
    {3055, "Variable name over 30 chars. Too Long"},
    {3056, "Variable could not be converted to string"},
    {3057, "Variable could not be converted to a valid number"},
    {3061, "Illegal Syntax"},
    {3062, "Attempt to divide by zero"},
    {3063, "Binary operation not legal for type of number"},
    {3064, "Unary operation not legal for type of number"},
    {3065, "Unbalanced Parenthesis"},
    {3066, "Wrong Number of Arguments in Function"},
    {3067, "Function Syntax. Opening parenthesis missing."},
    {3068, "Function Syntax. Illegal delimiter found."},
    {3069, "Assignment not legal here. (Use == for equality testing)"},
    {3070, "Internal error 3070.  Too many arguments defined."},
    {3071, "Missing or incomplete statement"},
    {3072, "THEN not found in IF statement"},
    {3073, "Goto Label not specified"},
    {3074, "Expression continues past expected end."},
    {3075, "Call: Parse of file/parameter line failed"},
    {3076, "FileOpen: READ or WRITE not properly specified"},
    {3078, "FileOpen: Too many (>5) files open"},
    {3079, "FileClose: Invalid file handle"},
    {3080, "FileClose: File not currently open"},
    {3081, "FileRead: Invalid file handle"},
    {3082, "FileRead: File not currently open"},
    {3084, "FileWrite: Invalid file handle"},
    {3085, "FileWrite: File not currently open"},
    {3087, "FileRead:  File not open for reading"},
    {3088, "FileRead: Attempt to read past end of file"},
    {3089, "FileWrite: File not open for writing"},
    {3090, "Dialog Box: File open error"},
    {3091, "Dialog Box: Box too large (20x60 max)"},
    {3092, "Dialog Box: Non-text control used w/filebox."},
    {3094, "Dialog Box: Window Registration Failed"},
    {3095, "Compare: Not an integer or string compare"},
    {3096, "Memory allocation failure.  Out of memory for strings"},
    {3097, "Memory allocation failure.  Out of memory for variables"},
    {3098, "IntErr: NULL pointer passed to xstrxxx subroutines"},
    {3101, "Substituted line too long. (> 256 characters)"},
    {3102, "Drop: Can only drop variables"},
    {3103, "IsDefined: Attempting to test non-variable item"},
    {3104, "Dialog Box: Window Creation Failed"},
    {3123, "WaitForKey: Invalid key codes specified"},
    {3124, "WinMetrics: Invalid code"},
    {3127, "BinaryEODSet: Set value beyond end of buffer"},
    {3132, "Ole: Ole has not been initialized (or string is missing its quotes)"},
    {3138, "DDEInitiate: Too many DDE conversations"},
    {3139, "DDEInitiate: Bad Channel Number"},
    {3140, "DDEInitiate: Create String Failure"},
    {3148, "OleInitiate: Application does not support Ole"},
    {3152, "DDEReq: Bad channel number"},
    {3153, "DDEReq: Null handle returned"},
    {3154, "DDEReq: Create String Failed"},
    {3156, "DDEReq: GlobalLock failed"},
    {3171, "IntControl: Invalid IntControl opcode"},
    {3197, "WinResources: Invalid request number"},
    {3198, "WinParmGet/Set: Invalid request number"},
    {3199, "WinPlaceGet/Set: Invalid window-size number"},
    {3202, "WinPlaceSet: Wrong number of window co-ordinates"},
    {3205, "MouseInfo: Invalid request number"},
    {3206, "SnapShot: Invalid request number"},
    {3210, "Cmd Extender: Out of memory to save result"},
    {3211, "Call:  More than 6 levels of Calls"},
    {3212, "PlayMedia: Notify Window creation failed"},
    {3215, "Cmd Extender: Severe error occurred"},
    {3218, "Dialog: Dialog name too long (>16 chars)"},
    {3219, "Dialog: Format variable missing"},
    {3220, "Dialog: Format version not supported"},
    {3221, "Dialog: x, y, width or height variables bad"},
    {3222, "Dialog: Control definition variable missing"},
    {3223, "Dialog: Bad Control type in definition variable"},
    {3224, "Dialog: Bad or missing Value for Radio/Checkbox button"},
    {3225, "Dialog: Too many items in definition variable"},
    {3228, "Function not available in 32-bit version"},
    {3252, "RunExit: Not supported in 32-bit version"},
    {3322, "File Name Parsing:  Function does not allow wildcards"},
    {3325, "BinaryPeek/Poke/Incr: Offset is beyond end of binary buffer"},
    {3326, "BinaryPoke: Value to poke is outside the allowable range"},
    {3327, "BinaryCopy: Offset(s) beyond end of binary buffer(s)"},
    {3328, "BinaryCopy: Data to be copied will not fit in buffer"},
    {3329, "BinaryCopy: Data to copy extends beyond end of buffer"},
    {3333, "BinaryIndex: Offset is beyond end of binary buffer"},
    {3338, "FP Math: Illegal floating point number.  Too many dots."},
    {3339, "FP Math: Illegal floating point number.  Too many E's."},
    {3340, "FP Math: Variable could not be converted to floating point"},
    {3352, "Internal Error: Command or Structop not defined"},
    {3353, "Struct Error:  Nesting of structures is too complex"},
    {3354, "END Error:  No matching End found"},
    {3355, "STRUCT Error:  'Break' not in a Structure"},
    {3356, "STRUCT Error:  'Continue' not in a Structure"},
    {3357, "End Error: No match  found"},
    {3358, "Else Error: No matching If found"},
    {3359, "Break/Continue:  Not in a While, Switch, or For structure"},
    {3360, "For Error:  Bad Syntax.  e.g. 'For x = 1 to 10'"},
    {3361, "For Error:  For counters must be numbers, not strings"},
    {3362, "Misplaced 'TO' found without a DoFor"},
    {3363, "Unidentified 'END': Must be followed by If, While, Switch or For"},
    {3364, "SWITCH/CASE Error: Switch/Case can only accept integers"},
    {3365, "CASE Error:  No matching Switch found"},
    {3367, "AskBox Error: Sorted/Unsorted value incorrect"},
    {3383, "Execute function error: 'Wait' parameter bad"},
    {3384, "Execute function error: 'Display type' parameter bad"},
    {3385, "DiskExist: Invalid Disk Argument.  Try a single letter"},
    {3386, "IniItemize: Null section name not valid for mapped INI files"},
    {3387, "ShellPrint: @WAIT not supported in 32-bit version"},
    {3391, "DllFree: Bad Dll handle passed.  Must use handle returned by DllLoad"},
    {3393, "AddExtender: Too many extenders added"},
    {3394, "AddExtender: Extender DLL not found"},
    {3395, "AddExtender: Not a valid extender"},
    {3396, "AddExtender: Extender table full"},
    {3397, "List Itemization: Could not allocate global buffer"},
    {3437, "AddExtender: Extender DLL load failed (make sure 16/32-bit type matches JOL)"},
    {3467, "FileWrite: Write failed"},
    {3472, "Function not available in this product"},
    {3473, "FileCopy/Move: Cannot specify warning=@TRUE in background mode"},
    {9002, "Previously reported error"},
    {9999, "User requested Cancel"},
};

constexpr std::size_t kMessageCount = sizeof kMessages / sizeof kMessages[0];

constexpr char kTranslationBase[] = "CRVDLANG";
constexpr char kNoText[] = "XXX"; // the default that marks a missing key

// The message language, determined once per process.
struct Language {
    std::mutex lock;
    int state = kLanguageUnknown;
    char file[kLanguageFileSize] = {};
};

Language& language() {
    static Language l;
    return l;
}

// True for a path from a root: "/...", "\\..." or a drive letter and ":".
bool IsFullPath(const char* path) {
    if (path[0] == '/' || path[0] == '\\') return true;
    return path[0] && path[1] == ':';
}

// Finds the translation file: CRVDLANG.<code> beside the library, else a
// CRVDLANG without extension in the current directory or along the PATH.
// Called with the lock held.
void DetermineLanguage(Language& l) {
    l.state = kLanguageBuiltIn;
    l.file[0] = 0;
    char code[20];
    plat::read_profile_string(kLibraryIni, "MAIN", "Language", kNoText, code, sizeof code);
    if (std::strcmp(code, kNoText) == 0)
        plat::read_win_profile_string("INTL", "sLanguage", "enu", code, sizeof code);

    char path[kPathSize];
    std::size_t n = plat::module_file_name(LibraryInstance(), path, sizeof path);
    std::size_t dir = 0;
    for (std::size_t i = 0; i < n; ++i)
        if (path[i] == '\\' || path[i] == '/') dir = i + 1;
    path[dir] = 0;
    AppendBounded(nullptr, path, kTranslationBase, sizeof path);
    AppendBounded(nullptr, path, ".", sizeof path);
    AppendBounded(nullptr, path, code, sizeof path);
    if (std::strlen(path) < kLanguageFileSize && plat::file_exists(path)) {
        CopyBounded(nullptr, l.file, path, sizeof l.file);
        l.state = kLanguageFile;
        return;
    }
    char found[kPathSize];
    if (!plat::search_path(kTranslationBase, found, sizeof found)) return;
    // The file is kept by its full name, so that a later change of the
    // current directory does not lose it.
    if (!IsFullPath(found)) {
        const char* rest = found;
        if (rest[0] == '.' && (rest[1] == '/' || rest[1] == '\\')) rest += 2;
        char full[kPathSize];
        std::size_t n = plat::get_current_directory(full, sizeof full);
        if (n == 0) return;
        if (full[n - 1] != '/' && full[n - 1] != '\\')
            AppendBounded(nullptr, full, full[0] == '/' ? "/" : "\\", sizeof full);
        AppendBounded(nullptr, full, rest, sizeof full);
        CopyBounded(nullptr, found, full, sizeof found);
    }
    if (std::strlen(found) < kLanguageFileSize) {
        CopyBounded(nullptr, l.file, found, sizeof l.file);
        l.state = kLanguageFile;
    }
}

// Looks the id up in the translation file; true with the text in out.
bool Translate(char* key, std::size_t key_size, int id, char* out, std::size_t out_size) {
    Language& l = language();
    char file[kLanguageFileSize];
    {
        std::lock_guard<std::mutex> hold(l.lock);
        if (l.state == kLanguageUnknown) DetermineLanguage(l);
        if (l.state != kLanguageFile) return false;
        std::memcpy(file, l.file, sizeof file);
    }
    std::snprintf(key, key_size, "X%d", id);
    // The value is read whole, so that the marker of a missing key is
    // recognised whatever the size of the caller's buffer.
    char text[kPathSize];
    plat::read_profile_string(file, "MAIN", key, kNoText, text, sizeof text);
    if (std::strcmp(text, kNoText) == 0) return false;
    CopyBounded(nullptr, out, text, out_size);
    return true;
}

} // namespace

const MessageRow* MessageRows(std::size_t* count) {
    if (count) *count = kMessageCount;
    return kMessages;
}

const char* MessageText(int id) {
    std::size_t lo = 0, hi = kMessageCount;
    while (lo < hi) {
        std::size_t mid = (lo + hi) / 2;
        if (kMessages[mid].id == id) return kMessages[mid].text;
        if (kMessages[mid].id < id)
            lo = mid + 1;
        else
            hi = mid;
    }
    return nullptr;
}

void ConvertMessageMarks(char* text) {
    if (!text) return;
    for (char* p = text; *p;) {
        int step = CharBytes(p);
        if (step == 1) {
            if (*p == '~')
                *p = '\n';
            else if (*p == '|')
                *p = '\t';
        }
        p += step;
    }
}

std::size_t LoadMessage(ScriptContext* ctx, int id, char* out, std::size_t out_size) {
    if (!out || out_size == 0) return 0;
    *out = 0;
    if (id == 0) {
        RereadMessageLanguage();
        return 0;
    }
    char local_key[32];
    char* key = ctx ? ctx->message_key : local_key;
    std::size_t key_size = ctx ? sizeof ctx->message_key : sizeof local_key;
    if (id < 100 || !Translate(key, key_size, id, out, out_size)) {
        const char* text = MessageText(id);
        if (!text) return 0;
        CopyBounded(nullptr, out, text, out_size);
    }
    ConvertMessageMarks(out);
    return std::strlen(out);
}

std::size_t LoadMessage(int id, char* out, std::size_t out_size) {
    return LoadMessage(nullptr, id, out, out_size);
}

int MessageLanguageState() {
    Language& l = language();
    std::lock_guard<std::mutex> hold(l.lock);
    return l.state;
}

const char* MessageLanguageFile() {
    Language& l = language();
    std::lock_guard<std::mutex> hold(l.lock);
    return l.file;
}

void RereadMessageLanguage() {
    Language& l = language();
    std::lock_guard<std::mutex> hold(l.lock);
    DetermineLanguage(l);
}

} // namespace jol
