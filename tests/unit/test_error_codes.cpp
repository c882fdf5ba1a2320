// The error vocabulary against the message table and the severity ranges.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "exec/error_report.h"
#include "resources/error_codes.h"
#include "resources/message_table.h"

namespace jol {
namespace {

TEST(ErrorCodes, EveryNameHasItsTextItsRangeAndItsOwnNumber) {
    std::map<int, std::string> names;
    for (const ErrInfo& e : kErrList) {
        const int n = ErrNumber(e.code);
        SCOPED_TRACE(std::string(e.name) + " " + std::to_string(n));
        // One name per number.
        const auto [at, fresh] = names.emplace(n, e.name);
        EXPECT_TRUE(fresh) << "also named " << at->second;
        EXPECT_STREQ(ErrName(e.code), e.name);

        // The severity written in the list is the one its range gives.
        switch (e.severity) {
        case Severity::Run:
            EXPECT_GE(n, 100);
            EXPECT_LE(n, 999);
            break;
        case Severity::Minor:
            EXPECT_GE(n, 1000);
            EXPECT_LE(n, 2000);
            EXPECT_EQ(ErrorSeverity(n), kSeverityMinor);
            break;
        case Severity::Moderate:
            EXPECT_GE(n, 2001);
            EXPECT_LE(n, 3000);
            EXPECT_EQ(ErrorSeverity(n), kSeverityModerate);
            break;
        case Severity::Fatal:
            EXPECT_GE(n, 3001);
            EXPECT_LE(n, 8999);
            EXPECT_EQ(ErrorSeverity(n), kSeverityFatal);
            break;
        case Severity::Stop:
            EXPECT_GE(n, 9000);
            break;
        }
        EXPECT_EQ(SeverityOfNumber(n), e.severity);
        EXPECT_EQ(IsStopCode(n), e.severity == Severity::Stop);

        // Every code that can be shown has a text.
        if (n < kStopFirst) {
            const char* text = MessageText(n);
            ASSERT_NE(text, nullptr);
            EXPECT_GT(std::strlen(text), 0u);
        }
    }
    EXPECT_GT(names.size(), 150u);

    // Numbers the list lacks have no name.
    EXPECT_EQ(ErrName(static_cast<Err>(4999)), nullptr);
    EXPECT_EQ(ErrName(Err::None), nullptr);
}

} // namespace
} // namespace jol
