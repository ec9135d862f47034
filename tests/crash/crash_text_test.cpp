// The pieces the crash handler builds its reports from: blanking secrets in log lines, finding
// the log's last lines, the calendar time without the time-zone database, the fixed buffer.
#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <string>

#include "app/crash/crash_text.h"

namespace lumeno::crash {
namespace {

std::string Redacted(const std::string& line, std::size_t capacity = 512) {
    char out[512];
    return std::string(out, RedactLine(line.data(), line.size(), out, capacity));
}

TEST(CrashTextTest, SecretsInLogLinesAreBlankedAndOrdinaryTextIsKept) {
    struct Case {
        const char* line;
        const char* expected;
    };
    const Case cases[] = {
        // Query values in request lines, whatever the key's case and prefix.
        {"GET /lumeno/user/v3/login?account=a&pwd=hunter2&x=1",
         "GET /lumeno/user/v3/login?account=***&pwd=***&x=1"},
        {"url ...&ACCESS_TOKEN=ab12cd&uid=7", "url ...&ACCESS_TOKEN=***&uid=7"},
        // JSON members, quoted keys and values.
        {R"({"password":"p w","text":"hi there","mid":3})",
         R"({"password":"***","text":"***","mid":3})"},
        // "key: value" runs on to the end of the line: a message is a sentence.
        {"draft text: see you at nine tomorrow", "draft text: ***"},
        // Words that merely contain a key, or a key that is no field, stay.
        {"context=chat&subtext=1 textbook", "context=chat&subtext=1 textbook"},
        {"Content-Type: text/html", "Content-Type: text/html"},
        {"open conversation 42", "open conversation 42"},
        {"accounts=3 mobile_ok", "accounts=3 mobile_ok"},
        {"password=", "password="},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Redacted(c.line), c.expected) << c.line;
    // A line longer than the room is cut, never overrun.
    EXPECT_EQ(Redacted("abcdefgh", 5), "abcde");
}

TEST(CrashTextTest, LastLinesOfALogTail) {
    const std::string whole = "one\ntwo\nthree\nfour\n";
    EXPECT_EQ(whole.substr(LastLinesStart(whole.data(), whole.size(), 2, true)), "three\nfour\n");
    EXPECT_EQ(whole.substr(LastLinesStart(whole.data(), whole.size(), 9, true)), whole);
    // A tail read from the middle of the file starts with a cut line, which is left out.
    const std::string tail = "ut line\nfive\nsix";
    EXPECT_EQ(tail.substr(LastLinesStart(tail.data(), tail.size(), 9, false)), "five\nsix");
    EXPECT_EQ(tail.substr(LastLinesStart(tail.data(), tail.size(), 1, false)), "six");
    EXPECT_EQ(LastLinesStart("", 0, 3, false), 0u);
}

TEST(CrashTextTest, CivilTimeMatchesTheCLibraryAndNumbersFormatWithinTheBuffer) {
    for (const std::int64_t seconds : {0LL, 951782400LL /* 2000-02-29 */, 1772528707LL,
                                       4102444799LL /* 2099-12-31 23:59:59 */}) {
        for (const long offset : {0L, 8 * 3600L, -5 * 3600L}) {
            const std::time_t shifted = static_cast<std::time_t>(seconds + offset);
            std::tm expected{};
            ::gmtime_r(&shifted, &expected);
            const CivilTime got = SplitTime(seconds * 1000 + 123, offset);
            EXPECT_EQ(got.year, expected.tm_year + 1900) << seconds << " " << offset;
            EXPECT_EQ(got.month, expected.tm_mon + 1);
            EXPECT_EQ(got.day, expected.tm_mday);
            EXPECT_EQ(got.hour, expected.tm_hour);
            EXPECT_EQ(got.minute, expected.tm_min);
            EXPECT_EQ(got.second, expected.tm_sec);
            EXPECT_EQ(got.millisecond, 123);
        }
    }

    char buffer[64];
    FixedText text(buffer, sizeof buffer);
    text.AddDecimal(std::int64_t{INT64_MIN}).AddChar(' ').AddDecimal(std::uint64_t{7}, 3);
    text.AddChar(' ').AddHex(0x1f, 4).AddChar(' ').AddHex(0);
    EXPECT_EQ(std::string(text.Data(), text.Size()), "-9223372036854775808 007 0x001f 0x0");
    char small[6];
    FixedText cut(small, sizeof small);
    cut.Add("report").AddHex(0xabc);
    EXPECT_EQ(std::string(cut.Data(), cut.Size()), "report");
}

}  // namespace
}  // namespace lumeno::crash
