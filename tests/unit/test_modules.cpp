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

TEST(Modules, PendingListIsExactlyTheFunctionsWithoutHandler) {
    std::set<std::string> missing;
    const KeywordEntry* rows = BuiltinKeywords();
    for (int i = 0; i < BuiltinKeywordCount(); ++i)
        if (RowKind(rows[i]) == kind::Function && !FindHandler(rows[i].id))
            missing.insert(RowName(rows[i]));

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
