// The modules' function lists against the keyword table and the checked-in
// list of functions that have no handler yet.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <set>
#include <string>

#include "dispatch/handler.h"
#include "lang/keyword_table.h"

namespace jol {
namespace {

std::string RowName(const KeywordEntry& row) {
    return std::string(row.name, strnlen(row.name, sizeof row.name));
}

// The names of dispatch/pending_functions.txt: one a line, "#" lines and
// blank lines skipped, a CR before the line end ignored; kept sorted.
std::set<std::string> PendingList() {
    std::set<std::string> names;
    std::ifstream in(JOL_PENDING_FUNCTIONS);
    EXPECT_TRUE(in.good()) << "cannot read " << JOL_PENDING_FUNCTIONS;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        EXPECT_TRUE(names.empty() || *names.rbegin() < line) << line << " is out of order";
        EXPECT_TRUE(names.insert(line).second) << line << " is listed twice";
    }
    return names;
}

std::string Lines(const std::set<std::string>& names) {
    std::string out;
    for (const std::string& n : names)
        out += "  " + n + "\n";
    return out;
}

// Every name a module lists is a Function row of the keyword table, and no
// name is listed twice (a second row would silently replace the first).
TEST(Modules, EveryListedNameIsOneFunctionRow) {
    std::size_t count = 0;
    const Module* const* modules = LibraryModules(&count);
    ASSERT_GT(count, 0u);
    std::set<std::string> seen;
    for (std::size_t m = 0; m < count; ++m) {
        const Module& module = *modules[m];
        ASSERT_NE(module.name, nullptr);
        for (std::size_t i = 0; i < module.count; ++i) {
            const ModuleFunction& f = module.functions[i];
            const KeywordEntry* row = FindBuiltinKeyword(f.name);
            EXPECT_TRUE(row && RowKind(*row) == kind::Function)
                << module.name << " lists " << f.name << ", which is no function row";
            EXPECT_NE(f.handler, nullptr) << module.name << ": " << f.name;
            EXPECT_TRUE(seen.insert(f.name).second)
                << f.name << " is listed twice (again by " << module.name << ")";
            if (row) {
                EXPECT_EQ(FindHandler(row->id), f.handler) << f.name;
                EXPECT_EQ(FunctionTraits(row->id), f.traits) << f.name;
            }
        }
    }
}

std::set<std::string> WithTraits(unsigned any) {
    std::set<std::string> names;
    const KeywordEntry* rows = BuiltinKeywords();
    for (int i = 0; i < BuiltinKeywordCount(); ++i)
        if (RowKind(rows[i]) == kind::Function && (FunctionTraits(rows[i].id) & any))
            names.insert(RowName(rows[i]));
    return names;
}

// The sets the traits give, against the name lists they replace.
TEST(Modules, TraitsGiveTheCallableAndDeterministicSets) {
    // The functions an expression program may call.
    const std::set<std::string> callable = {
        "strlen",      "strcharcount", "strsub",     "strindex", "strindexnc", "strscan",
        "strtrim",     "strupper",     "strlower",   "strfill",  "strfix",     "strfixleft",
        "strfixchars", "strfixcharsl", "strreplace", "strcmp",   "stricmp",    "char2num",
        "num2char",    "isnumber",     "isfloat",    "isint",    "itemcount",  "itemextract",
        "iteminsert",  "itemlocate",   "itemremove", "itemsort", "fileread",   "filewrite",
    };
    EXPECT_EQ(WithTraits(trait::ProgramCall), callable);

    // The functions the speed fuzzer keeps (its query).
    std::set<std::string> deterministic = {
        "abs",          "acos",         "asin",          "atan",          "average",
        "binarycopy",   "binaryeodget", "binaryeodset",  "binaryhashrec", "binaryincr",
        "binaryincr2",  "binaryincr4",  "binaryincrflt", "binaryindex",   "binaryindexnc",
        "binarypeek",   "binarypeek2",  "binarypeek4",   "binarypeekflt", "binarypeekstr",
        "binarypoke",   "binarypoke2",  "binarypoke4",   "binarypokeflt", "binarypokestr",
        "binarysort",   "binarystrcnt", "askline",       "askyesno",      "ceiling",
        "char2num",     "cos",          "cosh",          "decimals",      "errormode",
        "exp",          "fabs",         "floor",         "int",           "isfloat",
        "isint",        "isnumber",     "itemcount",     "itemextract",   "iteminsert",
        "itemlocate",   "itemremove",   "itemsort",      "lasterror",     "log10",
        "loge",         "max",          "message",       "min",           "num2char",
        "parsedata",    "sin",          "sinh",          "sqrt",          "strcat",
        "strcharcount", "strcmp",       "strfill",       "strfix",        "strfixchars",
        "strfixcharsl", "strfixleft",   "stricmp",       "strindex",      "strindexnc",
        "strlen",       "strlower",     "strreplace",    "strscan",       "strsub",
        "strtrim",      "strupper",     "tan",           "tanh",          "timeadd",
        "timediffdays", "timediffsecs", "timejulianday", "timejultoymd",  "timesubtract",
    };
    // Where the traits differ from the old list: AskLine waits for a
    // person also in quiet mode (so no traits), ButtonNames changes only
    // the context; Pause shows a box as Message and AskYesNo do, and
    // BinaryOleType changes only a buffer of the context, as the other
    // Binary* functions do.
    deterministic.erase("askline");
    deterministic.insert("buttonnames");
    deterministic.insert("pause");
    deterministic.insert("binaryoletype");
    EXPECT_EQ(WithTraits(trait::Pure | trait::OwnContext | trait::ShowsBox), deterministic);
}

TEST(Modules, PendingListIsExactlyTheFunctionsWithoutHandler) {
    std::set<std::string> missing;
    const KeywordEntry* rows = BuiltinKeywords();
    for (int i = 0; i < BuiltinKeywordCount(); ++i) {
        // The rows named with "?" are the tokenizer's own marks, which no
        // script calls by name: ?deserver never has a handler, and member
        // access (?oleobject) goes to the automation bridge.
        const std::string name = RowName(rows[i]);
        if (RowKind(rows[i]) == kind::Function && name[0] != '?' && !FindHandler(rows[i].id))
            missing.insert(name);
    }

    const std::set<std::string> listed = PendingList();
    std::set<std::string> built, unlisted;
    for (const std::string& n : listed)
        if (!missing.count(n)) built.insert(n);
    for (const std::string& n : missing)
        if (!listed.count(n)) unlisted.insert(n);
    EXPECT_TRUE(built.empty()) << "these functions have a handler now (or are no function "
                                  "row): delete their lines from the pending list\n"
                               << Lines(built);
    EXPECT_TRUE(unlisted.empty()) << "these function rows have no handler and are not in the "
                                     "pending list\n"
                                  << Lines(unlisted);
}

} // namespace
} // namespace jol
