// The built-in keyword rows, their first-character index and the keyword
// lookup over the built-in, extender and host rows.
#include "lang/keyword_table.h"

#include "lang/fast/speedups.h"

#include <cstring>

#include "host/context/bounded_text.h"
#include "platform/boxes.h"
#include "platform/text.h"

namespace jol {

namespace {

// Every built-in keyword, sorted by first character, ids ascending. Value
// bytes: functions {argument count, 0, string-argument bits, float-argument
// bits}; constants the 32-bit little-endian value (0xF0F0F0nn float
// constant nn, 0xFFF0F0nn string constant nn, else the integer).
// clang-format off
KeywordEntry g_rows[] = {
    {0, 1, {0x00, 0x00, 0x00, 0x00}, 1, "!"},
    {1, 5, {0x00, 0x00, 0x00, 0x00}, 2, "!="},
    {2, 0, {0x00, 0x00, 0x00, 0x00}, 1, "&"},
    {3, 0, {0x00, 0x00, 0x00, 0x00}, 2, "&&"},
    {4, 0, {0x00, 0x00, 0x00, 0x00}, 1, "("},
    {5, 0, {0x00, 0x00, 0x00, 0x00}, 1, ")"},
    {6, 0, {0x00, 0x00, 0x00, 0x00}, 1, "*"},
    {7, 0, {0x00, 0x00, 0x00, 0x00}, 2, "**"},
    {8, 1, {0x00, 0x00, 0x00, 0x00}, 1, "+"},
    {9, 0, {0x00, 0x00, 0x00, 0x00}, 1, ","},
    {10, 1, {0x00, 0x00, 0x00, 0x00}, 1, "-"},
    {11, 0, {0x00, 0x00, 0x00, 0x00}, 1, "/"},
    {12, 0, {0x00, 0x00, 0x00, 0x00}, 1, ":"},
    {13, 5, {0x00, 0x00, 0x00, 0x00}, 1, "<"},
    {14, 0, {0x00, 0x00, 0x00, 0x00}, 2, "<<"},
    {15, 5, {0x00, 0x00, 0x00, 0x00}, 2, "<="},
    {16, 5, {0x00, 0x00, 0x00, 0x00}, 2, "<>"},
    {17, 0, {0x00, 0x00, 0x00, 0x00}, 1, "="},
    {18, 5, {0x00, 0x00, 0x00, 0x00}, 2, "=="},
    {19, 5, {0x00, 0x00, 0x00, 0x00}, 1, ">"},
    {20, 5, {0x00, 0x00, 0x00, 0x00}, 2, ">="},
    {21, 0, {0x00, 0x00, 0x00, 0x00}, 2, ">>"},
    {22, 2, {0x00, 0x00, 0x00, 0x00}, 9, "?deserver"},
    {23, 2, {0x64, 0x00, 0x00, 0x00}, 10, "?oleobject"},
    {24, 3, {0x01, 0x00, 0x00, 0x00}, 11, "@aboveicons"},
    {25, 3, {0x08, 0xF0, 0xF0, 0xF0}, 4, "@amc"},
    {26, 3, {0x02, 0x00, 0x00, 0x00}, 8, "@arrange"},
    {27, 3, {0x00, 0x00, 0x00, 0x00}, 10, "@ascending"},
    {28, 3, {0x09, 0xF0, 0xF0, 0xF0}, 9, "@avogadro"},
    {29, 3, {0x01, 0x00, 0x00, 0x00}, 9, "@backscan"},
    {30, 3, {0x0A, 0xF0, 0xF0, 0xF0}, 10, "@boltzmann"},
    {31, 3, {0x01, 0x00, 0x00, 0x00}, 7, "@cancel"},
    {32, 3, {0x14, 0x00, 0x00, 0x00}, 9, "@capslock"},
    {33, 3, {0x02, 0x00, 0x00, 0x00}, 6, "@check"},
    {34, 3, {0x04, 0x00, 0x00, 0x00}, 8, "@columns"},
    {35, 3, {0x02, 0xF0, 0xF0, 0xFF}, 3, "@cr"},
    {36, 3, {0x00, 0xF0, 0xF0, 0xFF}, 5, "@crlf"},
    {37, 3, {0x01, 0x00, 0x00, 0x00}, 5, "@ctrl"},
    {38, 3, {0x02, 0xF0, 0xF0, 0xF0}, 8, "@deg2rad"},
    {39, 3, {0x10, 0x00, 0x00, 0x00}, 11, "@descending"},
    {40, 3, {0x04, 0x00, 0x00, 0x00}, 8, "@disable"},
    {41, 3, {0x01, 0xF0, 0xF0, 0xF0}, 2, "@e"},
    {42, 3, {0x0B, 0xF0, 0xF0, 0xF0}, 9, "@electric"},
    {43, 3, {0x08, 0x00, 0x00, 0x00}, 7, "@enable"},
    {44, 3, {0x0C, 0xF0, 0xF0, 0xF0}, 7, "@eulers"},
    {45, 3, {0x00, 0x00, 0x00, 0x00}, 6, "@false"},
    {46, 3, {0x0D, 0xF0, 0xF0, 0xF0}, 8, "@faraday"},
    {47, 3, {0x08, 0x00, 0x00, 0x00}, 7, "@float8"},
    {48, 3, {0x00, 0x00, 0x00, 0x00}, 8, "@fwdscan"},
    {49, 3, {0x06, 0xF0, 0xF0, 0xF0}, 7, "@gftsec"},
    {50, 3, {0x07, 0xF0, 0xF0, 0xF0}, 7, "@gmtsec"},
    {51, 3, {0x0E, 0xF0, 0xF0, 0xF0}, 12, "@goldenratio"},
    {52, 3, {0x0F, 0xF0, 0xF0, 0xF0}, 12, "@gravitation"},
    {53, 3, {0xFF, 0xFF, 0xFF, 0xFF}, 7, "@hidden"},
    {54, 3, {0x01, 0x00, 0x00, 0x00}, 5, "@icon"},
    {55, 3, {0x04, 0x00, 0x00, 0x00}, 8, "@lbutton"},
    {56, 3, {0x01, 0x02, 0x00, 0x00}, 7, "@lclick"},
    {57, 3, {0x03, 0x02, 0x00, 0x00}, 10, "@ldblclick"},
    {58, 3, {0x03, 0xF0, 0xF0, 0xFF}, 3, "@lf"},
    {59, 3, {0x13, 0xF0, 0xF0, 0xF0}, 9, "@lightmps"},
    {60, 3, {0x10, 0xF0, 0xF0, 0xF0}, 10, "@lightmtps"},
    {61, 3, {0x11, 0xF0, 0xF0, 0xF0}, 9, "@magfield"},
    {62, 3, {0x01, 0x00, 0x00, 0x00}, 6, "@major"},
    {63, 3, {0x10, 0x00, 0x00, 0x00}, 8, "@mbutton"},
    {64, 3, {0x07, 0x02, 0x00, 0x00}, 7, "@mclick"},
    {65, 3, {0x09, 0x02, 0x00, 0x00}, 10, "@mdblclick"},
    {66, 3, {0x00, 0x00, 0x00, 0x00}, 6, "@minor"},
    {67, 3, {0x03, 0x00, 0x00, 0x00}, 9, "@multiple"},
    {68, 3, {0x00, 0x00, 0x00, 0x00}, 3, "@no"},
    {69, 3, {0x00, 0x00, 0x00, 0x00}, 9, "@noresize"},
    {70, 3, {0x02, 0x00, 0x00, 0x00}, 7, "@normal"},
    {71, 3, {0x02, 0x00, 0x00, 0x00}, 7, "@notify"},
    {72, 3, {0x21, 0x00, 0x00, 0x00}, 7, "@nowait"},
    {73, 3, {0x90, 0x00, 0x00, 0x00}, 8, "@numlock"},
    {74, 3, {0x00, 0x00, 0x00, 0x00}, 4, "@off"},
    {75, 3, {0x01, 0x00, 0x00, 0x00}, 3, "@on"},
    {76, 3, {0x01, 0x00, 0x00, 0x00}, 5, "@open"},
    {77, 3, {0x12, 0xF0, 0xF0, 0xF0}, 7, "@parsec"},
    {78, 3, {0x02, 0x00, 0x00, 0x00}, 10, "@parseonly"},
    {79, 3, {0x00, 0xF0, 0xF0, 0xF0}, 3, "@pi"},
    {80, 3, {0x05, 0xF0, 0xF0, 0xF0}, 11, "@planckergs"},
    {81, 3, {0x04, 0xF0, 0xF0, 0xF0}, 13, "@planckjoules"},
    {82, 3, {0x03, 0xF0, 0xF0, 0xF0}, 8, "@rad2deg"},
    {83, 3, {0x08, 0x00, 0x00, 0x00}, 8, "@rbutton"},
    {84, 3, {0x04, 0x02, 0x00, 0x00}, 7, "@rclick"},
    {85, 3, {0x06, 0x02, 0x00, 0x00}, 10, "@rdblclick"},
    {86, 3, {0x00, 0x00, 0x00, 0x80}, 11, "@regclasses"},
    {87, 3, {0x01, 0x00, 0x00, 0x80}, 11, "@regcurrent"},
    {88, 3, {0x02, 0x00, 0x00, 0x80}, 11, "@regmachine"},
    {89, 3, {0x01, 0x00, 0x00, 0x00}, 8, "@regroot"},
    {90, 3, {0x03, 0x00, 0x00, 0x80}, 9, "@regusers"},
    {91, 3, {0x03, 0x00, 0x00, 0x00}, 5, "@rows"},
    {92, 3, {0x00, 0x00, 0x00, 0x00}, 5, "@save"},
    {93, 3, {0x91, 0x00, 0x00, 0x00}, 11, "@scrolllock"},
    {94, 3, {0x02, 0x00, 0x00, 0x00}, 6, "@shift"},
    {95, 3, {0x02, 0x00, 0x00, 0x00}, 7, "@single"},
    {96, 3, {0x01, 0x00, 0x00, 0x00}, 7, "@sorted"},
    {97, 3, {0x01, 0x00, 0x00, 0x00}, 6, "@stack"},
    {98, 3, {0x00, 0x00, 0x00, 0x00}, 7, "@string"},
    {99, 3, {0x01, 0xF0, 0xF0, 0xFF}, 4, "@tab"},
    {100, 3, {0x02, 0x00, 0x00, 0x00}, 5, "@tile"},
    {101, 3, {0x01, 0x00, 0x00, 0x00}, 5, "@true"},
    {102, 3, {0x01, 0x00, 0x00, 0x00}, 8, "@uncheck"},
    {103, 3, {0x00, 0x00, 0x00, 0x00}, 9, "@unsorted"},
    {104, 3, {0x22, 0x00, 0x00, 0x00}, 5, "@wait"},
    {105, 3, {0x65, 0x92, 0x0A, 0x00}, 13, "@wholesection"},
    {106, 3, {0x01, 0x00, 0x00, 0x00}, 6, "@word1"},
    {107, 3, {0x02, 0x00, 0x00, 0x00}, 6, "@word2"},
    {108, 3, {0x04, 0x00, 0x00, 0x00}, 6, "@word4"},
    {109, 3, {0x01, 0x00, 0x00, 0x00}, 4, "@yes"},
    {110, 3, {0x03, 0x00, 0x00, 0x00}, 7, "@zoomed"},
    {111, 0, {0x00, 0x00, 0x00, 0x00}, 1, "^"},
    {113, 2, {0x01, 0x00, 0x00, 0x00}, 3, "abs"},
    {114, 2, {0x01, 0x00, 0x00, 0x01}, 4, "acos"},
    {115, 2, {0x01, 0x00, 0x01, 0x00}, 11, "addextender"},
    {116, 2, {0x01, 0x00, 0x01, 0x00}, 8, "appexist"},
    {117, 2, {0x01, 0x00, 0x01, 0x00}, 12, "appwaitclose"},
    {118, 2, {0x01, 0x00, 0x00, 0x01}, 4, "asin"},
    {119, 2, {0x05, 0x00, 0x0F, 0x00}, 11, "askfilename"},
    {120, 2, {0x04, 0x00, 0x03, 0x00}, 11, "askfiletext"},
    {121, 2, {0x05, 0x00, 0x07, 0x00}, 11, "askitemlist"},
    {122, 2, {0x03, 0x00, 0x07, 0x00}, 7, "askline"},
    {123, 2, {0x02, 0x00, 0x03, 0x00}, 11, "askpassword"},
    {124, 2, {0x02, 0x00, 0x03, 0x00}, 8, "askyesno"},
    {125, 2, {0x01, 0x00, 0x00, 0x01}, 4, "atan"},
    {126, 2, {0x64, 0x00, 0x00, 0x00}, 7, "average"},
    {127, 4, {0x00, 0x00, 0x00, 0x00}, 4, "beep"},
    {128, 2, {0x01, 0x00, 0x00, 0x00}, 11, "binaryalloc"},
    {129, 2, {0x05, 0x00, 0x00, 0x00}, 10, "binarycopy"},
    {130, 2, {0x01, 0x00, 0x00, 0x00}, 12, "binaryeodget"},
    {131, 2, {0x02, 0x00, 0x00, 0x00}, 12, "binaryeodset"},
    {132, 2, {0x01, 0x00, 0x00, 0x00}, 10, "binaryfree"},
    {133, 2, {0x05, 0x00, 0x10, 0x00}, 13, "binaryhashrec"},
    {134, 2, {0x02, 0x00, 0x00, 0x00}, 10, "binaryincr"},
    {135, 2, {0x02, 0x00, 0x00, 0x00}, 11, "binaryincr2"},
    {136, 2, {0x02, 0x00, 0x00, 0x00}, 11, "binaryincr4"},
    {137, 2, {0x02, 0x00, 0x00, 0x00}, 13, "binaryincrflt"},
    {138, 2, {0x04, 0x00, 0x04, 0x00}, 11, "binaryindex"},
    {139, 2, {0x04, 0x00, 0x04, 0x00}, 13, "binaryindexnc"},
    {140, 2, {0x05, 0x00, 0x00, 0x00}, 13, "binaryoletype"},
    {141, 2, {0x02, 0x00, 0x00, 0x00}, 10, "binarypeek"},
    {142, 2, {0x02, 0x00, 0x00, 0x00}, 11, "binarypeek2"},
    {143, 2, {0x02, 0x00, 0x00, 0x00}, 11, "binarypeek4"},
    {144, 2, {0x02, 0x00, 0x00, 0x00}, 13, "binarypeekflt"},
    {145, 2, {0x03, 0x00, 0x00, 0x00}, 13, "binarypeekstr"},
    {146, 2, {0x03, 0x00, 0x00, 0x00}, 10, "binarypoke"},
    {147, 2, {0x03, 0x00, 0x00, 0x00}, 11, "binarypoke2"},
    {148, 2, {0x03, 0x00, 0x00, 0x00}, 11, "binarypoke4"},
    {149, 2, {0x03, 0x00, 0x00, 0x04}, 13, "binarypokeflt"},
    {150, 2, {0x03, 0x00, 0x04, 0x00}, 13, "binarypokestr"},
    {151, 2, {0x02, 0x00, 0x02, 0x00}, 10, "binaryread"},
    {152, 2, {0x05, 0x00, 0x00, 0x00}, 10, "binarysort"},
    {153, 2, {0x04, 0x00, 0x08, 0x00}, 12, "binarystrcnt"},
    {154, 2, {0x02, 0x00, 0x02, 0x00}, 11, "binarywrite"},
    {155, 8, {0x00, 0x00, 0x00, 0x00}, 5, "break"},
    {156, 2, {0x02, 0x00, 0x03, 0x00}, 11, "buttonnames"},
    {157, 0, {0x00, 0x00, 0x00, 0x00}, 2, "by"},
    {158, 2, {0x02, 0x00, 0x03, 0x00}, 4, "call"},
    {159, 8, {0x00, 0x00, 0x00, 0x00}, 4, "case"},
    {160, 2, {0x01, 0x00, 0x00, 0x01}, 7, "ceiling"},
    {161, 2, {0x01, 0x00, 0x01, 0x00}, 8, "char2num"},
    {162, 2, {0x01, 0x00, 0x01, 0x00}, 10, "clipappend"},
    {163, 2, {0x00, 0x00, 0x00, 0x00}, 7, "clipget"},
    {164, 2, {0x01, 0x00, 0x01, 0x00}, 7, "clipput"},
    {165, 8, {0x00, 0x00, 0x00, 0x00}, 8, "continue"},
    {166, 2, {0x01, 0x00, 0x00, 0x01}, 3, "cos"},
    {167, 2, {0x01, 0x00, 0x00, 0x01}, 4, "cosh"},
    {168, 2, {0x00, 0x00, 0x00, 0x00}, 8, "datetime"},
    {169, 2, {0x02, 0x00, 0x02, 0x00}, 10, "ddeexecute"},
    {170, 2, {0x02, 0x00, 0x03, 0x00}, 11, "ddeinitiate"},
    {171, 2, {0x03, 0x00, 0x06, 0x00}, 7, "ddepoke"},
    {172, 2, {0x02, 0x00, 0x02, 0x00}, 10, "dderequest"},
    {173, 2, {0x01, 0x00, 0x00, 0x00}, 12, "ddeterminate"},
    {174, 2, {0x01, 0x00, 0x00, 0x00}, 10, "ddetimeout"},
    {175, 2, {0x01, 0x00, 0x00, 0x00}, 5, "debug"},
    {176, 2, {0x02, 0x00, 0x03, 0x00}, 9, "debugdata"},
    {177, 2, {0x01, 0x00, 0x00, 0x00}, 8, "decimals"},
    {178, 2, {0x01, 0x00, 0x00, 0x01}, 5, "delay"},
    {179, 2, {0x01, 0x00, 0x01, 0x00}, 6, "dialog"},
    {180, 2, {0x02, 0x00, 0x03, 0x00}, 9, "dialogbox"},
    {181, 2, {0x01, 0x00, 0x01, 0x00}, 10, "dirattrget"},
    {182, 2, {0x02, 0x00, 0x03, 0x00}, 10, "dirattrset"},
    {183, 2, {0x01, 0x00, 0x01, 0x00}, 9, "dirchange"},
    {184, 2, {0x01, 0x00, 0x01, 0x00}, 8, "direxist"},
    {185, 2, {0x00, 0x00, 0x00, 0x00}, 6, "dirget"},
    {186, 2, {0x00, 0x00, 0x00, 0x00}, 7, "dirhome"},
    {187, 2, {0x01, 0x00, 0x01, 0x00}, 10, "diritemize"},
    {188, 2, {0x01, 0x00, 0x01, 0x00}, 7, "dirmake"},
    {189, 2, {0x01, 0x00, 0x01, 0x00}, 9, "dirremove"},
    {190, 2, {0x02, 0x00, 0x03, 0x00}, 9, "dirrename"},
    {191, 2, {0x01, 0x00, 0x00, 0x00}, 10, "dirwindows"},
    {192, 2, {0x01, 0x00, 0x01, 0x00}, 9, "diskexist"},
    {193, 2, {0x01, 0x00, 0x01, 0x00}, 8, "diskfree"},
    {194, 2, {0x02, 0x00, 0x01, 0x00}, 8, "diskinfo"},
    {195, 2, {0x01, 0x00, 0x00, 0x00}, 8, "diskscan"},
    {196, 2, {0x01, 0x00, 0x01, 0x00}, 8, "disksize"},
    {197, 2, {0x02, 0x00, 0x01, 0x00}, 11, "diskvolinfo"},
    {198, 2, {0x03, 0x00, 0x06, 0x00}, 7, "display"},
    {199, 2, {0x64, 0x00, 0x01, 0x00}, 7, "dllcall"},
    {200, 2, {0x01, 0x00, 0x01, 0x00}, 7, "dllfree"},
    {201, 2, {0x01, 0x00, 0x01, 0x00}, 8, "dllhinst"},
    {202, 2, {0x01, 0x00, 0x01, 0x00}, 7, "dllhwnd"},
    {203, 2, {0x01, 0x00, 0x01, 0x00}, 7, "dllload"},
    {204, 2, {0x01, 0x00, 0x00, 0x00}, 10, "dosversion"},
    {205, 6, {0x00, 0x00, 0x00, 0x00}, 4, "drop"},
    {206, 8, {0x00, 0x00, 0x00, 0x00}, 4, "else"},
    {207, 8, {0x00, 0x00, 0x00, 0x00}, 3, "end"},
    {208, 8, {0x00, 0x00, 0x00, 0x00}, 6, "endfor"},
    {209, 8, {0x00, 0x00, 0x00, 0x00}, 5, "endif"},
    {210, 2, {0x00, 0x00, 0x00, 0x00}, 10, "endsession"},
    {211, 8, {0x00, 0x00, 0x00, 0x00}, 9, "endselect"},
    {212, 8, {0x00, 0x00, 0x00, 0x00}, 9, "endswitch"},
    {213, 8, {0x00, 0x00, 0x00, 0x00}, 8, "endwhile"},
    {214, 2, {0x01, 0x00, 0x01, 0x00}, 11, "environment"},
    {215, 2, {0x02, 0x00, 0x03, 0x00}, 10, "environset"},
    {216, 2, {0x00, 0x00, 0x00, 0x00}, 10, "envitemize"},
    {217, 2, {0x01, 0x00, 0x00, 0x00}, 9, "errormode"},
    {218, 2, {0x01, 0x00, 0x00, 0x00}, 9, "exclusive"},
    {219, 4, {0x00, 0x00, 0x00, 0x00}, 7, "execute"},
    {220, 2, {0x01, 0x00, 0x01, 0x00}, 11, "exetypeinfo"},
    {221, 4, {0x00, 0x00, 0x00, 0x00}, 4, "exit"},
    {222, 2, {0x01, 0x00, 0x00, 0x01}, 3, "exp"},
    {223, 2, {0x01, 0x00, 0x00, 0x01}, 4, "fabs"},
    {224, 2, {0x02, 0x00, 0x03, 0x00}, 10, "fileappend"},
    {225, 2, {0x01, 0x00, 0x01, 0x00}, 11, "fileattrget"},
    {226, 2, {0x02, 0x00, 0x03, 0x00}, 11, "fileattrset"},
    {227, 2, {0x01, 0x00, 0x00, 0x00}, 9, "fileclose"},
    {228, 2, {0x02, 0x00, 0x03, 0x00}, 11, "filecompare"},
    {229, 2, {0x03, 0x00, 0x03, 0x00}, 8, "filecopy"},
    {230, 2, {0x01, 0x00, 0x01, 0x00}, 10, "filedelete"},
    {231, 2, {0x01, 0x00, 0x01, 0x00}, 9, "fileexist"},
    {232, 2, {0x01, 0x00, 0x01, 0x00}, 13, "fileextension"},
    {233, 2, {0x01, 0x00, 0x01, 0x00}, 12, "filefullname"},
    {234, 2, {0x01, 0x00, 0x01, 0x00}, 11, "fileitemize"},
    {235, 2, {0x01, 0x00, 0x01, 0x00}, 10, "filelocate"},
    {236, 2, {0x02, 0x00, 0x03, 0x00}, 11, "filemapname"},
    {237, 2, {0x03, 0x00, 0x03, 0x00}, 8, "filemove"},
    {238, 2, {0x01, 0x00, 0x01, 0x00}, 13, "filenameeval1"},
    {239, 2, {0x02, 0x00, 0x03, 0x00}, 13, "filenameeval2"},
    {240, 2, {0x01, 0x00, 0x01, 0x00}, 12, "filenamelong"},
    {241, 2, {0x01, 0x00, 0x01, 0x00}, 13, "filenameshort"},
    {242, 2, {0x02, 0x00, 0x03, 0x00}, 8, "fileopen"},
    {243, 2, {0x01, 0x00, 0x01, 0x00}, 8, "filepath"},
    {244, 2, {0x01, 0x00, 0x00, 0x00}, 8, "fileread"},
    {245, 2, {0x02, 0x00, 0x03, 0x00}, 10, "filerename"},
    {246, 2, {0x01, 0x00, 0x01, 0x00}, 8, "fileroot"},
    {247, 2, {0x01, 0x00, 0x01, 0x00}, 8, "filesize"},
    {248, 2, {0x01, 0x00, 0x01, 0x00}, 12, "filetimecode"},
    {249, 2, {0x01, 0x00, 0x01, 0x00}, 11, "filetimeget"},
    {250, 2, {0x02, 0x00, 0x03, 0x00}, 11, "filetimeset"},
    {251, 2, {0x01, 0x00, 0x01, 0x00}, 13, "filetimetouch"},
    {252, 2, {0x03, 0x00, 0x07, 0x00}, 11, "fileverinfo"},
    {253, 2, {0x02, 0x00, 0x02, 0x00}, 9, "filewrite"},
    {254, 2, {0x01, 0x00, 0x01, 0x00}, 10, "fileymdhms"},
    {255, 2, {0x01, 0x00, 0x01, 0x00}, 10, "findwindow"},
    {256, 2, {0x01, 0x00, 0x00, 0x01}, 5, "floor"},
    {257, 8, {0x00, 0x00, 0x00, 0x00}, 3, "for"},
    {258, 2, {0x00, 0x00, 0x00, 0x00}, 12, "getexacttime"},
    {259, 2, {0x00, 0x00, 0x00, 0x00}, 12, "gettickcount"},
    {260, 8, {0x00, 0x00, 0x00, 0x00}, 5, "gosub"},
    {261, 4, {0x00, 0x00, 0x00, 0x00}, 4, "goto"},
    {262, 2, {0x00, 0x00, 0x00, 0x00}, 11, "iconarrange"},
    {263, 2, {0x02, 0x00, 0x03, 0x00}, 11, "iconreplace"},
    {264, 8, {0x00, 0x00, 0x00, 0x00}, 2, "if"},
    {265, 2, {0x01, 0x00, 0x00, 0x00}, 11, "ignoreinput"},
    {266, 2, {0x02, 0x00, 0x03, 0x00}, 9, "inidelete"},
    {267, 2, {0x03, 0x00, 0x07, 0x00}, 12, "inideletepvt"},
    {268, 2, {0x01, 0x00, 0x01, 0x00}, 10, "iniitemize"},
    {269, 2, {0x02, 0x00, 0x03, 0x00}, 13, "iniitemizepvt"},
    {270, 2, {0x03, 0x00, 0x07, 0x00}, 7, "iniread"},
    {271, 2, {0x04, 0x00, 0x0F, 0x00}, 10, "inireadpvt"},
    {272, 2, {0x03, 0x00, 0x07, 0x00}, 8, "iniwrite"},
    {273, 2, {0x04, 0x00, 0x0F, 0x00}, 11, "iniwritepvt"},
    {274, 2, {0x05, 0x00, 0x07, 0x00}, 11, "installfile"},
    {275, 2, {0x01, 0x00, 0x00, 0x00}, 3, "int"},
    {276, 2, {0x05, 0x00, 0x1E, 0x00}, 10, "intcontrol"},
    {277, 6, {0x00, 0x00, 0x00, 0x00}, 9, "isdefined"},
    {278, 2, {0x01, 0x00, 0x01, 0x00}, 7, "isfloat"},
    {279, 2, {0x01, 0x00, 0x01, 0x00}, 5, "isint"},
    {280, 2, {0x01, 0x00, 0x00, 0x00}, 9, "iskeydown"},
    {282, 2, {0x01, 0x00, 0x01, 0x00}, 8, "isnumber"},
    {283, 2, {0x02, 0x00, 0x03, 0x00}, 9, "itemcount"},
    {284, 2, {0x03, 0x00, 0x06, 0x00}, 11, "itemextract"},
    {285, 2, {0x04, 0x00, 0x0D, 0x00}, 10, "iteminsert"},
    {286, 2, {0x03, 0x00, 0x07, 0x00}, 10, "itemlocate"},
    {287, 2, {0x03, 0x00, 0x06, 0x00}, 10, "itemremove"},
    {288, 2, {0x03, 0x00, 0x07, 0x00}, 10, "itemselect"},
    {289, 2, {0x02, 0x00, 0x03, 0x00}, 8, "itemsort"},
    {290, 2, {0x01, 0x00, 0x00, 0x00}, 12, "keytoggleget"},
    {291, 2, {0x02, 0x00, 0x00, 0x00}, 12, "keytoggleset"},
    {292, 2, {0x00, 0x00, 0x00, 0x00}, 9, "lasterror"},
    {293, 2, {0x01, 0x00, 0x00, 0x01}, 5, "log10"},
    {294, 2, {0x01, 0x00, 0x01, 0x00}, 7, "logdisk"},
    {295, 2, {0x01, 0x00, 0x00, 0x01}, 4, "loge"},
    {296, 2, {0x64, 0x00, 0x00, 0x00}, 3, "max"},
    {297, 2, {0x02, 0x00, 0x03, 0x00}, 7, "message"},
    {298, 2, {0x64, 0x00, 0x00, 0x00}, 3, "min"},
    {299, 0, {0x00, 0x00, 0x00, 0x00}, 3, "mod"},
    {300, 2, {0x02, 0x00, 0x00, 0x00}, 10, "mouseclick"},
    {301, 2, {0x03, 0x00, 0x07, 0x00}, 13, "mouseclickbtn"},
    {302, 2, {0x05, 0x00, 0x0C, 0x00}, 9, "mousedrag"},
    {303, 2, {0x01, 0x00, 0x00, 0x00}, 9, "mouseinfo"},
    {304, 2, {0x04, 0x00, 0x0C, 0x00}, 9, "mousemove"},
    {305, 2, {0x01, 0x00, 0x01, 0x00}, 10, "msgtextget"},
    {306, 2, {0x01, 0x00, 0x00, 0x00}, 7, "netinfo"},
    {307, 8, {0x00, 0x00, 0x00, 0x00}, 4, "next"},
    {308, 2, {0x01, 0x00, 0x00, 0x00}, 8, "num2char"},
    {309, 2, {0x01, 0x00, 0x00, 0x00}, 11, "objectclose"},
    {310, 2, {0x01, 0x00, 0x01, 0x00}, 10, "objectopen"},
    {311, 2, {0x01, 0x00, 0x01, 0x00}, 9, "parsedata"},
    {312, 2, {0x02, 0x00, 0x03, 0x00}, 5, "pause"},
    {313, 2, {0x01, 0x00, 0x01, 0x00}, 9, "playmedia"},
    {314, 2, {0x02, 0x00, 0x01, 0x00}, 8, "playmidi"},
    {315, 2, {0x02, 0x00, 0x01, 0x00}, 12, "playwaveform"},
    {316, 2, {0x04, 0x00, 0x03, 0x00}, 5, "print"},
    {317, 2, {0x01, 0x00, 0x00, 0x00}, 6, "random"},
    {318, 2, {0x02, 0x00, 0x03, 0x00}, 6, "regapp"},
    {319, 2, {0x01, 0x00, 0x00, 0x00}, 11, "regclosekey"},
    {320, 2, {0x02, 0x00, 0x01, 0x00}, 10, "regconnect"},
    {321, 2, {0x02, 0x00, 0x02, 0x00}, 12, "regcreatekey"},
    {322, 2, {0x02, 0x00, 0x02, 0x00}, 12, "regdeletekey"},
    {323, 2, {0x02, 0x00, 0x02, 0x00}, 11, "regdelvalue"},
    {324, 2, {0x02, 0x00, 0x02, 0x00}, 12, "regentrytype"},
    {325, 2, {0x03, 0x00, 0x06, 0x00}, 11, "regloadhive"},
    {326, 2, {0x02, 0x00, 0x02, 0x00}, 10, "regopenkey"},
    {327, 2, {0x02, 0x00, 0x02, 0x00}, 11, "regquerybin"},
    {328, 2, {0x02, 0x00, 0x02, 0x00}, 13, "regquerydword"},
    {329, 2, {0x04, 0x00, 0x06, 0x00}, 10, "regqueryex"},
    {330, 2, {0x02, 0x00, 0x02, 0x00}, 13, "regqueryexpsz"},
    {331, 2, {0x02, 0x00, 0x02, 0x00}, 12, "regqueryitem"},
    {332, 2, {0x02, 0x00, 0x00, 0x00}, 11, "regquerykey"},
    {333, 2, {0x01, 0x00, 0x00, 0x00}, 12, "regquerykeys"},
    {334, 2, {0x03, 0x00, 0x06, 0x00}, 13, "regquerymulsz"},
    {335, 2, {0x02, 0x00, 0x02, 0x00}, 13, "regqueryvalue"},
    {336, 2, {0x03, 0x00, 0x06, 0x00}, 9, "regsetbin"},
    {337, 2, {0x03, 0x00, 0x06, 0x00}, 11, "regsetdword"},
    {338, 2, {0x05, 0x00, 0x0E, 0x00}, 8, "regsetex"},
    {339, 2, {0x03, 0x00, 0x06, 0x00}, 11, "regsetexpsz"},
    {340, 2, {0x04, 0x00, 0x0E, 0x00}, 11, "regsetmulsz"},
    {341, 2, {0x03, 0x00, 0x06, 0x00}, 11, "regsetvalue"},
    {342, 2, {0x02, 0x00, 0x02, 0x00}, 13, "regunloadhive"},
    {343, 8, {0x00, 0x00, 0x00, 0x00}, 6, "return"},
    {344, 2, {0x02, 0x00, 0x03, 0x00}, 3, "run"},
    {345, 2, {0x04, 0x00, 0x03, 0x00}, 10, "runenviron"},
    {346, 2, {0x02, 0x00, 0x03, 0x00}, 7, "runexit"},
    {347, 2, {0x02, 0x00, 0x03, 0x00}, 7, "runhide"},
    {348, 2, {0x02, 0x00, 0x03, 0x00}, 11, "runhidewait"},
    {349, 2, {0x02, 0x00, 0x03, 0x00}, 7, "runicon"},
    {350, 2, {0x02, 0x00, 0x03, 0x00}, 11, "runiconwait"},
    {351, 2, {0x05, 0x00, 0x07, 0x00}, 8, "runshell"},
    {352, 2, {0x02, 0x00, 0x03, 0x00}, 7, "runwait"},
    {353, 2, {0x02, 0x00, 0x03, 0x00}, 7, "runzoom"},
    {354, 2, {0x02, 0x00, 0x03, 0x00}, 11, "runzoomwait"},
    {355, 8, {0x00, 0x00, 0x00, 0x00}, 6, "select"},
    {356, 2, {0x01, 0x00, 0x01, 0x00}, 7, "sendkey"},
    {357, 2, {0x03, 0x00, 0x07, 0x00}, 13, "sendkeyschild"},
    {358, 2, {0x02, 0x00, 0x03, 0x00}, 10, "sendkeysto"},
    {359, 2, {0x02, 0x00, 0x03, 0x00}, 11, "sendmenusto"},
    {360, 2, {0x05, 0x00, 0x17, 0x00}, 12, "shellexecute"},
    {361, 2, {0x05, 0x00, 0x0F, 0x00}, 12, "shortcutedit"},
    {362, 2, {0x05, 0x00, 0x0F, 0x00}, 13, "shortcutextra"},
    {363, 2, {0x01, 0x00, 0x01, 0x00}, 12, "shortcutinfo"},
    {364, 2, {0x05, 0x00, 0x0F, 0x00}, 12, "shortcutmake"},
    {365, 2, {0x01, 0x00, 0x00, 0x01}, 3, "sin"},
    {366, 2, {0x01, 0x00, 0x00, 0x01}, 4, "sinh"},
    {367, 2, {0x01, 0x00, 0x00, 0x00}, 8, "snapshot"},
    {368, 2, {0x01, 0x00, 0x00, 0x00}, 6, "sounds"},
    {369, 2, {0x01, 0x00, 0x00, 0x01}, 4, "sqrt"},
    {370, 2, {0x64, 0x00, 0x01, 0x00}, 6, "strcat"},
    {371, 2, {0x01, 0x00, 0x01, 0x00}, 12, "strcharcount"},
    {372, 2, {0x02, 0x00, 0x03, 0x00}, 6, "strcmp"},
    {373, 2, {0x02, 0x00, 0x01, 0x00}, 7, "strfill"},
    {374, 2, {0x03, 0x00, 0x03, 0x00}, 6, "strfix"},
    {375, 2, {0x03, 0x00, 0x03, 0x00}, 11, "strfixchars"},
    {376, 2, {0x03, 0x00, 0x03, 0x00}, 12, "strfixcharsl"},
    {377, 2, {0x03, 0x00, 0x03, 0x00}, 10, "strfixleft"},
    {378, 2, {0x02, 0x00, 0x03, 0x00}, 7, "stricmp"},
    {379, 2, {0x04, 0x00, 0x03, 0x00}, 8, "strindex"},
    {380, 2, {0x04, 0x00, 0x03, 0x00}, 10, "strindexnc"},
    {381, 2, {0x01, 0x00, 0x01, 0x00}, 6, "strlen"},
    {382, 2, {0x01, 0x00, 0x01, 0x00}, 8, "strlower"},
    {383, 2, {0x03, 0x00, 0x07, 0x00}, 10, "strreplace"},
    {384, 2, {0x04, 0x00, 0x03, 0x00}, 7, "strscan"},
    {385, 2, {0x03, 0x00, 0x01, 0x00}, 6, "strsub"},
    {386, 2, {0x01, 0x00, 0x01, 0x00}, 7, "strtrim"},
    {387, 2, {0x01, 0x00, 0x01, 0x00}, 8, "strupper"},
    {388, 8, {0x00, 0x00, 0x00, 0x00}, 6, "switch"},
    {389, 2, {0x01, 0x00, 0x00, 0x01}, 3, "tan"},
    {390, 2, {0x01, 0x00, 0x00, 0x01}, 4, "tanh"},
    {391, 2, {0x03, 0x00, 0x06, 0x00}, 9, "terminate"},
    {392, 2, {0x02, 0x00, 0x03, 0x00}, 7, "textbox"},
    {393, 2, {0x02, 0x00, 0x03, 0x00}, 11, "textboxsort"},
    {394, 2, {0x03, 0x00, 0x07, 0x00}, 10, "textselect"},
    {395, 8, {0x00, 0x00, 0x00, 0x00}, 4, "then"},
    {396, 2, {0x02, 0x00, 0x03, 0x00}, 7, "timeadd"},
    {397, 2, {0x00, 0x00, 0x00, 0x00}, 8, "timedate"},
    {398, 2, {0x01, 0x00, 0x00, 0x01}, 9, "timedelay"},
    {399, 2, {0x02, 0x00, 0x03, 0x00}, 12, "timediffdays"},
    {400, 2, {0x02, 0x00, 0x03, 0x00}, 12, "timediffsecs"},
    {401, 2, {0x01, 0x00, 0x01, 0x00}, 13, "timejulianday"},
    {402, 2, {0x01, 0x00, 0x00, 0x00}, 12, "timejultoymd"},
    {403, 2, {0x02, 0x00, 0x03, 0x00}, 12, "timesubtract"},
    {404, 2, {0x01, 0x00, 0x01, 0x00}, 8, "timewait"},
    {405, 2, {0x00, 0x00, 0x00, 0x00}, 10, "timeymdhms"},
    {406, 8, {0x00, 0x00, 0x00, 0x00}, 2, "to"},
    {407, 2, {0x00, 0x00, 0x00, 0x00}, 7, "version"},
    {408, 2, {0x00, 0x00, 0x00, 0x00}, 10, "versiondll"},
    {409, 2, {0x05, 0x00, 0x1F, 0x00}, 10, "waitforkey"},
    {410, 2, {0x02, 0x00, 0x01, 0x00}, 9, "wallpaper"},
    {411, 8, {0x00, 0x00, 0x00, 0x00}, 5, "while"},
    {412, 2, {0x01, 0x00, 0x01, 0x00}, 11, "winactivate"},
    {413, 2, {0x02, 0x00, 0x03, 0x00}, 13, "winactivchild"},
    {414, 2, {0x01, 0x00, 0x01, 0x00}, 10, "winarrange"},
    {415, 2, {0x01, 0x00, 0x01, 0x00}, 8, "winclose"},
    {416, 2, {0x64, 0x00, 0x01, 0x00}, 11, "winclosenot"},
    {417, 2, {0x00, 0x00, 0x00, 0x00}, 9, "winconfig"},
    {418, 2, {0x01, 0x00, 0x01, 0x00}, 10, "winexename"},
    {419, 2, {0x01, 0x00, 0x01, 0x00}, 8, "winexist"},
    {420, 2, {0x02, 0x00, 0x03, 0x00}, 13, "winexistchild"},
    {421, 2, {0x00, 0x00, 0x00, 0x00}, 12, "wingetactive"},
    {422, 2, {0x03, 0x00, 0x07, 0x00}, 7, "winhelp"},
    {423, 2, {0x01, 0x00, 0x01, 0x00}, 7, "winhide"},
    {424, 2, {0x01, 0x00, 0x01, 0x00}, 10, "winiconize"},
    {425, 2, {0x01, 0x00, 0x01, 0x00}, 8, "winidget"},
    {426, 2, {0x01, 0x00, 0x01, 0x00}, 8, "winisdos"},
    {427, 2, {0x01, 0x00, 0x01, 0x00}, 12, "winitemchild"},
    {428, 2, {0x00, 0x00, 0x00, 0x00}, 10, "winitemize"},
    {429, 2, {0x00, 0x00, 0x00, 0x00}, 13, "winitemnameid"},
    {430, 2, {0x01, 0x00, 0x00, 0x00}, 10, "winmetrics"},
    {431, 2, {0x00, 0x00, 0x00, 0x00}, 7, "winname"},
    {432, 2, {0x01, 0x00, 0x00, 0x00}, 10, "winparmget"},
    {433, 2, {0x03, 0x00, 0x02, 0x00}, 10, "winparmset"},
    {434, 2, {0x05, 0x00, 0x10, 0x00}, 8, "winplace"},
    {435, 2, {0x02, 0x00, 0x02, 0x00}, 11, "winplaceget"},
    {436, 2, {0x03, 0x00, 0x06, 0x00}, 11, "winplaceset"},
    {437, 2, {0x01, 0x00, 0x01, 0x00}, 11, "winposition"},
    {438, 2, {0x01, 0x00, 0x00, 0x00}, 12, "winresources"},
    {439, 2, {0x01, 0x00, 0x01, 0x00}, 7, "winshow"},
    {440, 2, {0x01, 0x00, 0x01, 0x00}, 8, "winstate"},
    {441, 2, {0x00, 0x00, 0x00, 0x00}, 10, "winsysinfo"},
    {442, 2, {0x02, 0x00, 0x03, 0x00}, 8, "wintitle"},
    {443, 2, {0x01, 0x00, 0x00, 0x00}, 10, "winversion"},
    {444, 2, {0x01, 0x00, 0x01, 0x00}, 12, "winwaitclose"},
    {445, 2, {0x03, 0x00, 0x03, 0x00}, 12, "winwaitchild"},
    {446, 2, {0x02, 0x00, 0x01, 0x00}, 12, "winwaitexist"},
    {447, 2, {0x01, 0x00, 0x01, 0x00}, 7, "winzoom"},
    {448, 4, {0x00, 0x00, 0x00, 0x00}, 5, "yield"},
    {449, 2, {0x01, 0x00, 0x00, 0x00}, 6, "yields"},
    {450, 0, {0x00, 0x00, 0x00, 0x00}, 1, "|"},
    {451, 0, {0x00, 0x00, 0x00, 0x00}, 2, "||"},
    {452, 1, {0x00, 0x00, 0x00, 0x00}, 1, "~"},
};
// clang-format on

constexpr int kRowCount = static_cast<int>(sizeof(g_rows) / sizeof(g_rows[0]));
constexpr int kIndexSize = 129;
constexpr int kMaxHostRows = kw::HostLast - kw::HostBase + 1;
constexpr int kMaxNameLength = 13;
constexpr int kObjectNameMax = 30;

std::int32_t g_first_char[kIndexSize];
// The built-in names made of name characters only (letters, digits, '@'
// and '_'; every row that starts with a letter or '@' is such a row), in
// an open-addressed hash: in identifier mode such a row matches exactly
// the name at the cursor, so one probe replaces the scan of its letter.
constexpr unsigned kNameSlots = 1024; // a power of two, over twice the rows
std::int16_t g_name_slot[kNameSlots];

bool IsPlainName(const KeywordEntry& row) {
    if (row.length <= 0 || row.length > kMaxNameLength) return false;
    for (int k = 0; k < row.length; ++k) {
        const char c = row.name[k];
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '@' || c == '_'))
            return false;
    }
    return true;
}

unsigned NameHash(const char* name, int length) {
    unsigned h = 2166136261u;
    for (int k = 0; k < length; ++k)
        h = (h ^ static_cast<unsigned char>(name[k])) * 16777619u;
    return h & (kNameSlots - 1);
}

// The row of each built-in id, -1 for the ids no row has.
std::int16_t g_row_of_id[kw::LastBuiltin + 1];

void BuildNameHash() {
    for (std::int16_t& r : g_row_of_id)
        r = -1;
    for (int r = 0; r < kRowCount; ++r)
        if (g_rows[r].id <= kw::LastBuiltin)
            g_row_of_id[g_rows[r].id] = static_cast<std::int16_t>(r);
    for (std::int16_t& slot : g_name_slot)
        slot = -1;
    for (int r = 0; r < kRowCount; ++r) {
        if (!IsPlainName(g_rows[r])) continue;
        unsigned h = NameHash(g_rows[r].name, g_rows[r].length);
        while (g_name_slot[h] >= 0)
            h = (h + 1) & (kNameSlots - 1);
        g_name_slot[h] = static_cast<std::int16_t>(r);
    }
}

// The row of the plain name of exactly length lower-case bytes; -1 none.
int FindPlainName(const char* name, int length) {
    for (unsigned h = NameHash(name, length);; h = (h + 1) & (kNameSlots - 1)) {
        const int r = g_name_slot[h];
        if (r < 0) return -1;
        if (g_rows[r].length == length && std::memcmp(g_rows[r].name, name, length) == 0) return r;
    }
}

// Builds the index once per process; a row out of order or with a wrong
// id is reported and the build goes on.
bool BuildProcessIndex() {
    BuildNameHash();
    int faults = BuildFirstCharIndex(g_rows, kRowCount, g_first_char);
    if (faults & kIndexOrderFault)
        plat::message_box(0, "FSOP782", "JOL", plat::mb::Ok | plat::mb::IconStop);
    if (faults & kIndexIdFault)
        plat::message_box(0, "FNP983", "JOL", plat::mb::Ok | plat::mb::IconStop);
    return true;
}

void EnsureIndex() {
    static const bool built = BuildProcessIndex();
    (void)built;
}

// The line byte as the keyword names hold it: lower case.
inline unsigned char LowerByte(unsigned char c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
    return static_cast<unsigned char>(plat::to_lower_char(static_cast<char>(c)));
}

// A character that continues a name: a letter, a digit, '@', '_' or a
// double-byte character.
inline bool ContinuesName(const char* p) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (c == 0) return false;
    if (c == '@' || c == '_') return true;
    if (c < 0x80) return AsciiAlnum(c);
    if (CharBytes(p) == 2) return true;
    return plat::is_alnum(c);
}

// Length of the row's name when it matches the line at p and is longer
// than best; else 0. Double-byte characters compare as they are.
int MatchRow(const KeywordEntry& row, const char* p, int best, bool identifier_mode) {
    int len = row.length;
    if (len <= best || len > kMaxNameLength) return 0;
    for (int k = 0; k < len;) {
        if (p[k] == 0) return 0;
        if (CharBytes(p + k) == 2) {
            if (k + 1 >= len || p[k] != row.name[k] || p[k + 1] != row.name[k + 1]) return 0;
            k += 2;
            continue;
        }
        if (LowerByte(static_cast<unsigned char>(p[k])) != static_cast<unsigned char>(row.name[k]))
            return 0;
        ++k;
    }
    if (identifier_mode && ContinuesName(p + len)) return 0;
    return len;
}

// Longest match among rows[0..count-1]; the row's position or -1.
int BestRow(const KeywordEntry* rows, int count, const char* p, bool identifier_mode) {
    int best_len = 0;
    int best = -1;
    const auto raw = static_cast<unsigned char>(*p);
    if (SpeedupOn(speedup::Keywords) && raw != 0 && raw < 0x80) {
        // A seven-bit first character is compared lower-cased with the
        // row's first byte before anything else: rows that differ there
        // are passed over as MatchRow would reject them.
        const char first = static_cast<char>(LowerByte(raw));
        for (int r = 0; r < count; ++r) {
            if (rows[r].name[0] != first || rows[r].length <= best_len) continue;
            int len = MatchRow(rows[r], p, best_len, identifier_mode);
            if (len > 0) {
                best_len = len;
                best = r;
            }
        }
        return best;
    }
    for (int r = 0; r < count; ++r) {
        int len = MatchRow(rows[r], p, best_len, identifier_mode);
        if (len > 0) {
            best_len = len;
            best = r;
        }
    }
    return best;
}

// Length of the name at p: name characters as ContinuesName counts them.
int NameRunLength(const char* p) {
    int n = 0;
    while (n <= kMaxNameLength && ContinuesName(p + n))
        n += CharBytes(p + n);
    return n;
}

// The built-in row of the name at p in identifier mode: a name of the
// seven-bit characters that some row holds, exactly; -1 when none.
int BuiltinNameRow(const char* p) {
    const int n = NameRunLength(p);
    if (n <= 0 || n > kMaxNameLength) return -1;
    char lower[kMaxNameLength];
    for (int k = 0; k < n; ++k) {
        const unsigned char c = static_cast<unsigned char>(p[k]);
        if (c >= 0x80) return -1; // no built-in name holds such a byte
        lower[k] = static_cast<char>((c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c);
    }
    return FindPlainName(lower, n);
}

// Rows of the host's table before its end row (length 0); a null table is
// empty.
int HostRowCount(const KeywordEntry* host) {
    if (!host) return 0;
    int n = 0;
    while (n < kMaxHostRows && host[n].length > 0)
        ++n;
    return n;
}

int ExtenderRowCount(const ScriptContext* ctx) {
    int n = ctx->extenders.row_count;
    if (n < 0) return 0;
    return n > kExtenderRows ? kExtenderRows : n;
}

// name.member: letters and digits (an '@' may come first), at most 30 of
// them, then a point.
bool IsObjectReference(const char* p) {
    int n = 0;
    if (*p == '@') ++n;
    for (unsigned char c; (c = static_cast<unsigned char>(p[n])) != 0; ++n)
        if (c < 0x80 ? !AsciiAlnum(c) : !plat::is_alnum(c)) break;
    return n > 0 && n <= kObjectNameMax && p[n] == '.';
}

} // namespace

int BuildFirstCharIndex(const KeywordEntry* rows, int count, std::int32_t* index) {
    int faults = 0;
    int next = 0; // next index entry to fill
    unsigned previous_first = 0;
    int previous_id = -1;
    for (int r = 0; r < count; ++r) {
        unsigned first = static_cast<unsigned char>(rows[r].name[0]);
        if (first < previous_first) faults |= kIndexOrderFault;
        if (static_cast<int>(rows[r].id) <= previous_id || rows[r].id >= kw::HostBase)
            faults |= kIndexIdFault;
        previous_first = first > previous_first ? first : previous_first;
        previous_id = rows[r].id;
        while (next < kIndexSize && static_cast<unsigned>(next) <= first)
            index[next++] = r;
    }
    while (next < kIndexSize)
        index[next++] = count;
    return faults;
}

const KeywordEntry* BuiltinKeywords() {
    return g_rows;
}
int BuiltinKeywordCount() {
    return kRowCount;
}
KeywordEntry* WritableBuiltinKeywords() {
    return g_rows;
}

const char* StringConstantText(int n) {
    switch (n) {
    case 0:
        return "\r\n";
    case 1:
        return "\t";
    case 2:
        return "\r";
    case 3:
        return "\n";
    default:
        return "";
    }
}

const KeywordEntry* KeywordRow(ScriptContext* ctx, int id) {
    if (id >= 0 && id < kw::HostBase) {
        if (id > kw::LastBuiltin) return nullptr;
        EnsureIndex();
        const int r = g_row_of_id[id];
        return r >= 0 ? &g_rows[r] : nullptr;
    }
    if (!ctx) return nullptr;
    if (id >= kw::HostBase && id <= kw::HostLast) {
        int row = id - kw::HostBase;
        return row < HostRowCount(ctx->host_keywords) ? &ctx->host_keywords[row] : nullptr;
    }
    if (id >= kw::ExtenderBase && id <= kw::ExtenderLast) {
        int row = id - kw::ExtenderBase;
        return row < ExtenderRowCount(ctx) ? &ctx->extenders.rows[row] : nullptr;
    }
    return nullptr;
}

const KeywordEntry* FindBuiltinKeyword(const char* lower_name) {
    if (!lower_name) return nullptr;
    unsigned c = static_cast<unsigned char>(lower_name[0]);
    if (c == 0 || c + 1 >= kIndexSize) return nullptr;
    EnsureIndex();
    for (int r = g_first_char[c]; r < g_first_char[c + 1]; ++r) {
        const KeywordEntry& row = g_rows[r];
        int k = 0;
        while (k < row.length && k <= kMaxNameLength && lower_name[k] == row.name[k])
            ++k;
        if (k == row.length && lower_name[k] == 0) return &row;
    }
    return nullptr;
}

int FindHostKeyword(const ScriptContext* ctx, const char* lower_name) {
    const std::size_t length = std::strlen(lower_name);
    const int count = HostRowCount(ctx->host_keywords);
    for (int r = 0; r < count; ++r) {
        const KeywordEntry& row = ctx->host_keywords[r];
        if (static_cast<std::size_t>(row.length) == length &&
            std::memcmp(row.name, lower_name, length) == 0)
            return kw::HostBase + r;
    }
    return -1;
}

int LookupKeyword(ScriptContext* ctx, bool identifier_mode) {
    if (!ctx || !ctx->token.cursor) return 0;
    EnsureIndex();
    const char* p = ctx->token.cursor;
    if (*p == 0) return 0;

    if (identifier_mode && IsObjectReference(p)) {
        ctx->token.id = kw::ObjectRef;
        return 1;
    }

    // Built-in rows: only those that share the first character. Bytes of
    // 0x80 and above start no built-in name.
    unsigned raw = static_cast<unsigned char>(*p);
    unsigned c = LowerByte(static_cast<unsigned char>(raw));
    if (raw < 0x80 && c + 1 < kIndexSize) {
        int from = g_first_char[c];
        int to = g_first_char[c + 1];
        if (identifier_mode) {
            const int r = BuiltinNameRow(p);
            if (r >= 0) {
                ctx->token.id = static_cast<std::int16_t>(g_rows[r].id);
                return 1;
            }
        } else {
            int r = BestRow(g_rows + from, to - from, p, false);
            if (r >= 0) {
                ctx->token.id = static_cast<std::int16_t>(g_rows[from + r].id);
                return 1;
            }
        }
    }

    int r = BestRow(ctx->extenders.rows, ExtenderRowCount(ctx), p, identifier_mode);
    if (r >= 0) {
        ctx->token.id = static_cast<std::int16_t>(kw::ExtenderBase + r);
        return 1;
    }

    if (identifier_mode) {
        r = BestRow(ctx->host_keywords, HostRowCount(ctx->host_keywords), p, true);
        if (r >= 0) {
            ctx->token.id = static_cast<std::int16_t>(kw::HostBase + r);
            return 1;
        }
    }
    return 0;
}

} // namespace jol
