// Every error code the library raises, named once. A code is also the id
// of its text in the message table (resources/message_table.cpp), which
// stays the catalogue of the texts; the stop codes have no text.
//
// The list is an X-macro, X(name, number, severity), so that code can walk
// it (the message table test does). The severity is fixed by the range the
// number lies in:
//   Run       100 to 999    errors of loading and running a script, which
//                           the loader and the run loop report themselves
//   Minor     1000 to 2000  ignored in the error mode @off
//   Moderate  2001 to 3000  the user may go on after the box
//   Fatal     3001 to 8999  the script stops after the box
//   Stop      9000 and up   end the run without a box
// Every number has one name.
#pragma once

#include <cstdint>

// clang-format off
#define JOL_ERROR_CODES(X)                                                           \
    /* loading and running a script */                                               \
    X(ScriptNotFound, 102, Run)        /* "Specified menu/batch file not found" */   \
    X(ExecutionError, 111, Run)        /* "Execution Error": the loader's title */   \
    X(ScriptNoMemory, 203, Run)                                                      \
    X(ScriptNoLock, 204, Run)                                                        \
    X(ScriptTooLarge, 205, Run)                                                      \
    X(ScriptReadError, 206, Run)                                                     \
    X(LineTooLong, 214, Run)                                                         \
    X(ScriptBadUnicode, 215, Run)                                                    \
    /* minor */                                                                      \
    X(FileListNoMatch, 1002, Minor)    /* a wildcard pattern matches nothing */      \
    X(FileMoveFailed, 1003, Minor)                                                   \
    X(FileMoveFrom, 1004, Minor)                                                     \
    X(FileCopyFailed, 1008, Minor)                                                   \
    X(FileCopyFrom, 1009, Minor)                                                     \
    X(FileAppendFrom, 1012, Minor)                                                   \
    X(FileAppendTo, 1013, Minor)                                                     \
    X(FileAppendIo, 1014, Minor)                                                     \
    X(FileRenameFailed, 1015, Minor)                                                 \
    X(FileDeleteNotFound, 1016, Minor)                                               \
    X(TimeDiffBad, 1017, Minor)                                                      \
    X(TimeDiffRange, 1018, Minor)                                                    \
    X(TimeAddFailed, 1019, Minor)                                                    \
    X(TimeAddBad, 1020, Minor)                                                       \
    X(TimeDelay, 1021, Minor)                                                        \
    X(TimeWaitFormat, 1022, Minor)                                                   \
    X(DirRenameFailed, 1025, Minor)                                                  \
    X(DriveOffline, 1028, Minor)                                                     \
    X(DirMakeFailed, 1029, Minor)                                                    \
    X(DirRemoveFailed, 1030, Minor)                                                  \
    X(DirChangeFailed, 1031, Minor)                                                  \
    X(ClipOpenFailed, 1034, Minor)                                                   \
    X(ClipNoText, 1035, Minor)                                                       \
    X(ClipTooLong, 1036, Minor)                                                      \
    X(ClipMemory, 1037, Minor)                                                       \
    X(WinCloseNotFound, 1039, Minor)                                                 \
    X(WinHideNotFound, 1040, Minor)                                                  \
    X(WinIconizeNotFound, 1041, Minor)                                               \
    X(WinZoomNotFound, 1042, Minor)                                                  \
    X(WinShowNotFound, 1043, Minor)                                                  \
    X(WinPlaceNotFound, 1044, Minor)                                                 \
    X(WinActivateNotFound, 1045, Minor)                                              \
    X(WinNotActivated, 1046, Minor)                                                  \
    X(FileOpenFailed, 1077, Minor)                                                   \
    X(FileAttrGetMissing, 1083, Minor)                                               \
    X(FileAttrSetFailed, 1086, Minor)                                                \
    X(WinPositionNotFound, 1119, Minor)                                              \
    X(WinTitleNotFound, 1121, Minor)                                                 \
    X(FileTimeGetMissing, 1125, Minor)                                               \
    X(BinaryAllocFailed, 1126, Minor)                                                \
    X(FileTimeTouchMissing, 1128, Minor)                                             \
    X(DdeNotOpen, 1144, Minor)                                                       \
    X(RegOpenFailed, 1158, Minor)                                                    \
    X(RegCreateFailed, 1159, Minor)                                                  \
    X(WinExeNameNotFound, 1172, Minor)                                               \
    X(NotSupported, 1193, Minor)                                                     \
    X(SoundFileNotFound, 1194, Minor)                                                \
    X(WinPlacementNotFound, 1200, Minor)                                             \
    X(WinPlacementFailed, 1201, Minor)                                               \
    X(SnapshotMemory, 1207, Minor)                                                   \
    X(SnapshotPalette, 1208, Minor)                                                  \
    X(SnapshotClipboard, 1209, Minor)                                                \
    X(ExtenderMinor, 1213, Minor)      /* an extender's minor failure */             \
    X(WinHelpCommand, 1217, Minor)                                                   \
    X(WinIsDosBad, 1227, Minor)                                                      \
    X(RegDeleteFailed, 1229, Minor)                                                  \
    X(RegCloseFailed, 1231, Minor)                                                   \
    X(RegSetFailed, 1232, Minor)                                                     \
    X(RegQueryFailed, 1233, Minor)                                                   \
    X(ExeInfoMissing, 1240, Minor)                                                   \
    X(ObjectsSystemMissing, 1248, Minor)                                             \
    X(ObjectNameUnknown, 1249, Minor)  /* the object interface library's */          \
    X(ObjectLibraryMissing, 1251, Minor)                                             \
    X(ObjectStartFailed, 1254, Minor)  /* the object interface library's */          \
    X(ObjectNotOpen, 1255, Minor)      /* from here to 1265 */                       \
    X(ObjectMemberUnknown, 1256, Minor)                                              \
    X(ObjectParameterCount, 1257, Minor)                                             \
    X(ObjectParameterType, 1258, Minor)                                              \
    X(ObjectException, 1259, Minor)                                                  \
    X(ObjectCallFailed, 1260, Minor)                                                 \
    X(ObjectResultType, 1261, Minor)                                                 \
    X(ObjectTooMany, 1262, Minor)                                                    \
    X(ObjectsInitFailed, 1263, Minor)                                                \
    X(ObjectMemberTooLong, 1264, Minor)                                              \
    X(ObjectTooManyParameters, 1265, Minor)                                          \
    X(DllNotFound, 1299, Minor)                                                      \
    X(DllNotLoadable, 1300, Minor)                                                   \
    X(DllBadEntry, 1301, Minor)                                                      \
    X(IconExeMissing, 1303, Minor)                                                   \
    X(IconIcoMissing, 1304, Minor)                                                   \
    X(IconIcoOpen, 1305, Minor)                                                      \
    X(IconIcoInvalid, 1306, Minor)                                                   \
    X(IconMemory, 1307, Minor)                                                       \
    X(IconExeOpen, 1308, Minor)                                                      \
    X(IconExeUnrecognised, 1309, Minor)                                              \
    X(IconNotWindows, 1310, Minor)                                                   \
    X(IconNoResources, 1311, Minor)                                                  \
    X(IconLarger, 1312, Minor)                                                       \
    X(IconExeInvalid, 1313, Minor)                                                   \
    X(IconNoIcons, 1314, Minor)                                                      \
    X(MenuNotAccessible, 1315, Minor)                                                \
    X(MenuItemNotFound, 1316, Minor)                                                 \
    X(MenuPostFailed, 1317, Minor)                                                   \
    X(ObjectLibraryLoad, 1318, Minor)                                                \
    X(BinaryFileTooLarge, 1330, Minor)                                               \
    X(WinItemChildNoParent, 1334, Minor)                                             \
    X(IniGuarded, 1335, Minor)                                                       \
    X(TooManySelected, 1336, Minor)                                                  \
    X(AskFileNameFailed, 1337, Minor)                                                \
    X(MathDomain, 1341, Minor)                                                       \
    X(MathOverflow, 1342, Minor)                                                     \
    X(MathPartialLoss, 1343, Minor)                                                  \
    X(MathSingularity, 1344, Minor)                                                  \
    X(MathTotalLoss, 1345, Minor)                                                    \
    X(MathOther, 1347, Minor)                                                        \
    X(MathNegativeRoot, 1349, Minor)                                                 \
    X(MathLogDomain, 1350, Minor)                                                    \
    X(MathFactorial, 1351, Minor)      /* also a negative integer power */           \
    X(ChildNotFound, 1368, Minor)                                                    \
    X(DllCallBadName, 1369, Minor)                                                   \
    X(DllCallBadEntry, 1370, Minor)                                                  \
    X(DllCallPunctuation, 1371, Minor)                                               \
    X(DllCallTooMany, 1372, Minor)                                                   \
    X(DllCallTooFew, 1373, Minor)                                                    \
    X(DllCallNoWord, 1375, Minor)                                                    \
    X(DllCallNoLong, 1376, Minor)                                                    \
    X(DllCallBadReturn, 1377, Minor)                                                 \
    X(DllCallBadType, 1378, Minor)                                                   \
    X(DllCallStack, 1379, Minor)                                                     \
    X(DllCallNoColon, 1380, Minor)                                                   \
    X(DllCallNoText, 1381, Minor)                                                    \
    X(ShutdownPrivilege, 1388, Minor)                                                \
    X(FileCompareFirst, 1389, Minor)                                                 \
    X(FileCompareSecond, 1390, Minor)                                                \
    X(ListTooLong, 1398, Minor)                                                      \
    X(ExtenderRefused, 1399, Minor)                                                  \
    X(CallNotFound, 1400, Minor)                                                     \
    X(RegBadItem, 1402, Minor)                                                       \
    X(FileCopyRoom, 1404, Minor)                                                     \
    X(FileMoveRoom, 1405, Minor)                                                     \
    X(FileAppendRoom, 1406, Minor)                                                   \
    X(ListDelimiterInvalid, 1407, Minor)                                             \
    X(WinIdGetNotFound, 1408, Minor)                                                 \
    X(ShortcutExtension, 1410, Minor)                                                \
    X(ShortcutNotFound, 1411, Minor)                                                 \
    X(ShortcutExists, 1412, Minor)                                                   \
    X(ShortcutShowMode, 1413, Minor)                                                 \
    X(ShortcutHotkey, 1414, Minor)                                                   \
    X(ShortcutComInit, 1415, Minor)                                                  \
    X(ShortcutCreateLink, 1416, Minor)                                               \
    X(ShortcutQueryPersist, 1417, Minor)                                             \
    X(ShortcutLoad, 1418, Minor)                                                     \
    X(ShortcutSave, 1420, Minor)                                                     \
    X(DirAttrGetMissing, 1421, Minor)                                                \
    X(DirAttrSetFailed, 1422, Minor)                                                 \
    X(FileNameLongMissing, 1423, Minor)                                              \
    X(FileNameShortMissing, 1424, Minor)                                             \
    X(InternalError, 1425, Minor)                                                    \
    X(RenameSourceMissing, 1426, Minor)                                              \
    X(RenameBadTarget, 1427, Minor)                                                  \
    X(RenameOtherDrive, 1428, Minor)                                                 \
    X(RegAppNotFound, 1430, Minor)                                                   \
    X(RegAppWrite, 1431, Minor)                                                      \
    X(InstallSource, 1434, Minor)                                                    \
    X(InstallName, 1435, Minor)                                                      \
    X(InstallDirectory, 1436, Minor)                                                 \
    X(MouseClickType, 1439, Minor)                                                   \
    X(MouseNoWindow, 1440, Minor)                                                    \
    X(MouseChildNoParent, 1441, Minor)                                               \
    X(MouseParentNotFound, 1442, Minor)                                              \
    X(MouseChildNotFound, 1443, Minor)                                               \
    X(MouseButtonNotFound, 1444, Minor)                                              \
    X(IconMapping, 1445, Minor)        /* not raised: programs are read */           \
    X(IconMapView, 1446, Minor)        /* not raised either */                       \
    X(IconSmaller, 1447, Minor)                                                      \
    X(DataTypeInvalid, 1448, Minor)                                                  \
    X(ShellExecuteEmpty, 1449, Minor)                                                \
    X(RegItemSubkey, 1451, Minor)                                                    \
    X(RegSubkeyOpen, 1452, Minor)                                                    \
    X(RegValueBinary, 1453, Minor)                                                   \
    X(RegNotBinary, 1454, Minor)                                                     \
    X(RegMemory, 1455, Minor)                                                        \
    X(RegNotDword, 1456, Minor)                                                      \
    X(RegBadBinary, 1457, Minor)                                                     \
    X(RegBadDword, 1459, Minor)                                                      \
    X(RegSubkeyTooLong, 1460, Minor)                                                 \
    X(TimeJulToYmdBad, 1461, Minor)                                                  \
    X(TimeSubtractFailed, 1462, Minor)                                               \
    X(IntControlNoWindow, 1464, Minor)                                               \
    X(NoInputControl, 1465, Minor)                                                   \
    X(IconIndexInvalid, 1466, Minor)                                                 \
    X(DiskInfoBadDrive, 1468, Minor)                                                 \
    X(DiskInfoBadRequest, 1469, Minor)                                               \
    X(DiskInfoFailed, 1470, Minor)                                                   \
    X(ShareModeInvalid, 1471, Minor)                                                 \
    X(BinaryRecordSize, 1474, Minor)                                                 \
    X(BinaryKeyOffset, 1475, Minor)                                                  \
    X(BinaryKeySize, 1476, Minor)                                                    \
    X(BinaryKeyBeyondRecord, 1477, Minor)                                            \
    X(BinaryRecordTooLarge, 1478, Minor)                                             \
    X(BinarySortMemory, 1479, Minor)                                                 \
    X(BinaryNoKey, 1480, Minor)                                                      \
    X(BinaryKeyTooLong, 1481, Minor)                                                 \
    X(BinaryHashFull, 1482, Minor)                                                   \
    X(RegNotExpSz, 1483, Minor)                                                      \
    X(RegNotMulSz, 1484, Minor)                                                      \
    X(RegBadDelimiter, 1487, Minor)                                                  \
    X(RegValueExpSz, 1488, Minor)                                                    \
    X(RegValueMulSz, 1489, Minor)                                                    \
    X(RegValueNotText, 1490, Minor)                                                  \
    X(RegQueryExType, 1492, Minor)                                                   \
    X(RegSetExType, 1493, Minor)                                                     \
    X(RegEntryTypeFailed, 1494, Minor)                                               \
    X(FileVerMissing, 1496, Minor)                                                   \
    X(FileVerMemory, 1498, Minor)                                                    \
    X(RegConnectNoService, 1502, Minor)                                              \
    X(RegConnectBadName, 1503, Minor)                                                \
    X(RegConnectBadHandle, 1504, Minor)                                              \
    X(RegConnectFailed, 1505, Minor)                                                 \
    X(PortFile, 1507, Minor)                                                         \
    X(PortOpen, 1508, Minor)                                                         \
    X(PortRead, 1509, Minor)                                                         \
    X(PortWrite, 1510, Minor)                                                        \
    X(InstallBuffer, 1512, Minor)                                                    \
    X(OleTypeInvalid, 1514, Minor)                                                   \
    X(OleTypeNoData, 1515, Minor)                                                    \
    X(OleTypeNoDirection, 1516, Minor)                                               \
    X(DiskVolBadRoot, 1519, Minor)                                                   \
    X(DiskVolBadRequest, 1520, Minor)                                                \
    X(DiskVolFailed, 1522, Minor)                                                    \
    X(HiveFileNotFound, 1523, Minor)                                                 \
    X(HivePrivilege, 1524, Minor)                                                    \
    X(HiveBadHandle, 1525, Minor)                                                    \
    X(HiveAccessDenied, 1526, Minor)                                                 \
    X(HiveSharing, 1527, Minor)                                                      \
    X(HiveBadSubkey, 1528, Minor)                                                    \
    X(HiveFailed, 1529, Minor)                                                       \
    X(HiveNotHive, 1531, Minor)                                                      \
    X(HiveBadKey, 1532, Minor)                                                       \
    X(HiveUnloadBadKey, 1533, Minor)                                                 \
    X(WinExecOutOfMemory, 1900, Minor)                                               \
    X(WinExecFileNotFound, 1902, Minor)                                              \
    X(WinExecPathNotFound, 1903, Minor)                                              \
    X(WinExecDynlink, 1905, Minor)                                                   \
    X(WinExecDataSegs, 1906, Minor)                                                  \
    X(WinExecMemory, 1908, Minor)                                                    \
    X(WinExecWindowsVersion, 1910, Minor)                                            \
    X(WinExecInvalidExe, 1911, Minor)                                                \
    X(WinExecOtherOs, 1912, Minor)                                                   \
    X(WinExecDos4, 1913, Minor)                                                      \
    X(WinExecUnknownType, 1914, Minor)                                               \
    X(WinExecOldExe, 1915, Minor)                                                    \
    X(WinExecDataSegs2, 1916, Minor)                                                 \
    X(WinExecSharedDlls, 1917, Minor)                                                \
    X(WinExecProtectedOnly, 1918, Minor)                                             \
    X(WinExecCompressed, 1919, Minor)                                                \
    X(WinExecBadDll, 1920, Minor)                                                    \
    X(WinExec32Bit, 1921, Minor)                                                     \
    X(WinExecUndefined, 1932, Minor)                                                 \
    X(WinExecNoApplication, 1933, Minor)                                             \
    /* moderate */                                                                   \
    X(SendKeySyntax, 2001, Moderate)                                                 \
    X(WinCloseNotSyntax, 2038, Moderate)                                             \
    X(StrCatSyntax, 2058, Moderate)                                                  \
    X(AverageSyntax, 2060, Moderate)                                                 \
    X(DirRenameBadFrom, 2203, Moderate)                                              \
    X(DirRenameBadTo, 2204, Moderate)                                                \
    X(ExtenderModerate, 2214, Moderate) /* an extender's moderate failure */         \
    X(BinaryPeekStrRange, 2331, Moderate)                                            \
    X(BinaryPokeStrRange, 2332, Moderate)                                            \
    X(DllLoadTooMany, 2392, Moderate)                                                \
    /* fatal */                                                                      \
    X(BinaryBadHandle, 3023, Fatal)                                                  \
    X(BinaryNoFreeSlot, 3024, Fatal)                                                 \
    X(BadDrive, 3026, Fatal)                                                         \
    X(GotoNoLock, 3032, Fatal)                                                       \
    X(GotoLabelNotFound, 3033, Fatal)                                                \
    X(FunctionNotDefined, 3046, Fatal)                                               \
    X(SubstNameTooLong, 3047, Fatal)                                                 \
    X(SubstNotClosed, 3048, Fatal)                                                   \
    X(NoIfForThenElse, 3050, Fatal)                                                  \
    X(VarUndefined, 3051, Fatal)                                                     \
    X(VarUnset, 3052, Fatal)                                                         \
    X(StringTooLong, 3053, Fatal)                                                    \
    X(Unrecognizable, 3054, Fatal)     /* also a file list entry that is too long */ \
    X(NameTooLong, 3055, Fatal)                                                      \
    X(NoString, 3056, Fatal)                                                         \
    X(NoNumber, 3057, Fatal)                                                         \
    X(Syntax, 3061, Fatal)                                                           \
    X(DivideByZero, 3062, Fatal)                                                     \
    X(BinaryOperatorType, 3063, Fatal)                                               \
    X(UnaryOperatorType, 3064, Fatal)                                                \
    X(Parenthesis, 3065, Fatal)                                                      \
    X(ArgumentCount, 3066, Fatal)                                                    \
    X(OpenParenMissing, 3067, Fatal)                                                 \
    X(ArgumentDelimiter, 3068, Fatal)                                                \
    X(AssignmentNotLegal, 3069, Fatal)                                               \
    X(RowArguments, 3070, Fatal)                                                     \
    X(Incomplete, 3071, Fatal)                                                       \
    X(ThenNotFound, 3072, Fatal)                                                     \
    X(GotoNoLabel, 3073, Fatal)                                                      \
    X(PastEnd, 3074, Fatal)                                                          \
    X(FileOpenBadMode, 3076, Fatal)                                                  \
    X(TooManyFiles, 3078, Fatal)                                                     \
    X(FileCloseBadHandle, 3079, Fatal)                                               \
    X(FileCloseNotOpen, 3080, Fatal)                                                 \
    X(FileReadBadHandle, 3081, Fatal)                                                \
    X(FileReadNotOpen, 3082, Fatal)                                                  \
    X(FileWriteBadHandle, 3084, Fatal)                                               \
    X(FileWriteNotOpen, 3085, Fatal)                                                 \
    X(FileNotForReading, 3087, Fatal)                                                \
    X(FileReadPastEnd, 3088, Fatal)                                                  \
    X(FileNotForWriting, 3089, Fatal)                                                \
    X(DialogBoxFileOpen, 3090, Fatal)                                                \
    X(DialogBoxTooLarge, 3091, Fatal)                                                \
    X(StringMemory, 3096, Fatal)                                                     \
    X(VariableMemory, 3097, Fatal)                                                   \
    X(NullPointer, 3098, Fatal)                                                      \
    X(SubstLineTooLong, 3101, Fatal)                                                 \
    X(DropNotVariable, 3102, Fatal)                                                  \
    X(IsDefinedNotVariable, 3103, Fatal)                                             \
    X(DialogCreateFailed, 3104, Fatal)                                               \
    X(WaitForKeyCodes, 3123, Fatal)                                                  \
    X(WinMetricsCode, 3124, Fatal)                                                   \
    X(BinaryEodRange, 3127, Fatal)                                                   \
    X(ObjectsNotInitialized, 3132, Fatal)                                            \
    X(DdeTooMany, 3138, Fatal)                                                       \
    X(DdeChannelNotOpen, 3139, Fatal)                                                \
    X(DdeInitiateString, 3140, Fatal)                                                \
    X(ObjectsRefused, 3148, Fatal)                                                   \
    X(DdeBadChannel, 3152, Fatal)                                                    \
    X(DdeNoInstance, 3153, Fatal)                                                    \
    X(DdeItemString, 3154, Fatal)                                                    \
    X(DdeDataAccess, 3156, Fatal)                                                    \
    X(IntControlOpcode, 3171, Fatal)                                                 \
    X(WinResourcesRequest, 3197, Fatal)                                              \
    X(WinParmRequest, 3198, Fatal)                                                   \
    X(WinPlaceSizeNumber, 3199, Fatal)                                               \
    X(WinPlaceSetCount, 3202, Fatal)                                                 \
    X(MouseInfoRequest, 3205, Fatal)                                                 \
    X(SnapshotRequest, 3206, Fatal)                                                  \
    X(ExtenderMemory, 3210, Fatal)                                                   \
    X(CallTooDeep, 3211, Fatal)                                                      \
    X(NotifyWindowFailed, 3212, Fatal)                                               \
    X(ExtenderSevere, 3215, Fatal)     /* an extender's severe failure */            \
    X(DialogNameTooLong, 3218, Fatal)                                                \
    X(DialogFormatMissing, 3219, Fatal)                                              \
    X(DialogFormatVersion, 3220, Fatal)                                              \
    X(DialogPlacementBad, 3221, Fatal)                                               \
    X(DialogControlMissing, 3222, Fatal)                                             \
    X(DialogControlType, 3223, Fatal)                                                \
    X(DialogControlValue, 3224, Fatal)                                               \
    X(DialogControlFields, 3225, Fatal)                                              \
    X(RunExitUnsupported, 3252, Fatal)                                               \
    X(NoWildcards, 3322, Fatal)                                                      \
    X(BinaryOffsetRange, 3325, Fatal)                                                \
    X(BinaryPokeValueRange, 3326, Fatal)                                             \
    X(BinaryCopyOffsets, 3327, Fatal)                                                \
    X(BinaryCopyNoRoom, 3328, Fatal)                                                 \
    X(BinaryCopySourceRange, 3329, Fatal)                                            \
    X(BinaryIndexOffset, 3333, Fatal)                                                \
    X(TooManyDots, 3338, Fatal)                                                      \
    X(TooManyEs, 3339, Fatal)                                                        \
    X(NoFloat, 3340, Fatal)                                                          \
    X(StructureUndefined, 3352, Fatal)                                               \
    X(StructureTooDeep, 3353, Fatal)                                                 \
    X(EndNotFound, 3354, Fatal)                                                      \
    X(BreakOutside, 3355, Fatal)                                                     \
    X(ContinueOutside, 3356, Fatal)                                                  \
    X(EndNoMatch, 3357, Fatal)                                                       \
    X(ElseNoIf, 3358, Fatal)                                                         \
    X(BreakNotInLoop, 3359, Fatal)                                                   \
    X(ForSyntax, 3360, Fatal)                                                        \
    X(ForNotNumber, 3361, Fatal)                                                     \
    X(ToWithoutFor, 3362, Fatal)                                                     \
    X(EndUnidentified, 3363, Fatal)                                                  \
    X(SwitchNotInteger, 3364, Fatal)                                                 \
    X(CaseNoSwitch, 3365, Fatal)                                                     \
    X(AskBoxValue, 3367, Fatal)                                                      \
    X(RunWaitBad, 3383, Fatal)                                                       \
    X(RunDisplayBad, 3384, Fatal)                                                    \
    X(BadDiskArgument, 3385, Fatal)                                                  \
    X(IniNullSection, 3386, Fatal)                                                   \
    X(PrintWaitUnsupported, 3387, Fatal)                                             \
    X(DllFreeBadHandle, 3391, Fatal)                                                 \
    X(TooManyExtenders, 3393, Fatal)                                                 \
    X(ExtenderNotFound, 3394, Fatal)                                                 \
    X(ExtenderInvalid, 3395, Fatal)                                                  \
    X(ExtenderTableFull, 3396, Fatal)                                                \
    X(ExtenderLoadFailed, 3437, Fatal)                                               \
    X(FileWriteFailed, 3467, Fatal)                                                  \
    X(FunctionDisabled, 3472, Fatal)                                                 \
    X(WarnInQuiet, 3473, Fatal)                                                      \
    /* stop codes: no box, the run ends */                                           \
    X(StopExit, 9000, Stop)            /* EXIT */                                    \
    X(StopTerminate, 9012, Stop)       /* Terminate, or an extender's request */     \
    X(StopReported, 9013, Stop)        /* an error that was reported already */      \
    X(StopHostCall, 9015, Stop)        /* IntControl 8 */                            \
    X(StopCancel, 9999, Stop)          /* "User requested Cancel" */
// clang-format on

namespace jol {

enum class Err : std::int16_t {
    None = 0,
#define JOL_ERR_ENUMERATOR(name, number, severity) name = number,
    JOL_ERROR_CODES(JOL_ERR_ENUMERATOR)
#undef JOL_ERR_ENUMERATOR
};

// The number of a code, as the context and the message table hold it.
constexpr int ErrNumber(Err code) {
    return static_cast<int>(code);
}

// The ranges of the numbers.
constexpr int kMinorFirst = 1000;
constexpr int kMinorLast = 2000;
constexpr int kModerateLast = 3000;
constexpr int kStopFirst = 9000;

enum class Severity { Run, Minor, Moderate, Fatal, Stop };

// The severity that the range of a number gives (Run below 1000).
constexpr Severity SeverityOfNumber(int number) {
    if (number < kMinorFirst) return Severity::Run;
    if (number <= kMinorLast) return Severity::Minor;
    if (number <= kModerateLast) return Severity::Moderate;
    if (number < kStopFirst) return Severity::Fatal;
    return Severity::Stop;
}

// True for the codes that end a run without a box.
constexpr bool IsStopCode(int number) {
    return number >= kStopFirst;
}

#define JOL_ERR_RANGE_CHECK(name, number, severity)                                                \
    static_assert(SeverityOfNumber(number) == Severity::severity,                                  \
                  #name " lies outside the range of its severity");
JOL_ERROR_CODES(JOL_ERR_RANGE_CHECK)
#undef JOL_ERR_RANGE_CHECK

// One row of the list, for code that walks it.
struct ErrInfo {
    Err code;
    const char* name;
    Severity severity;
};

inline constexpr ErrInfo kErrList[] = {
#define JOL_ERR_ROW(name, number, severity) {Err::name, #name, Severity::severity},
    JOL_ERROR_CODES(JOL_ERR_ROW)
#undef JOL_ERR_ROW
};

// The name of a code ("DivideByZero"); null for a number the list lacks.
constexpr const char* ErrName(Err code) {
    for (const ErrInfo& e : kErrList)
        if (e.code == code) return e.name;
    return nullptr;
}

} // namespace jol
