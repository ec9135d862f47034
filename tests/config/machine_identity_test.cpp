// Machine identity and unique tokens.
#include "config/machine_identity.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>

namespace {

TEST(MachineIdentity, IsStableLowerCaseHex) {
    const std::string first = MachineId();
    EXPECT_TRUE(std::regex_match(first, std::regex("[0-9a-f]{32}"))) << first;
    EXPECT_EQ(MachineId(), first);
}

TEST(MachineIdentity, Md5MatchesKnownDigests) {
    EXPECT_EQ(Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(Md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
}

TEST(UniqueToken, DiffersOnEveryCallAndNeverCarriesTheMachineIdentity) {
    std::set<std::string> seen;
    std::string prefix;
    for (int i = 0; i < 1000; ++i) {
        std::string token = UniqueToken();
        ASSERT_TRUE(std::regex_match(token, std::regex("[0-9a-f]{32}[0-9]+"))) << token;
        EXPECT_TRUE(seen.insert(token).second) << "repeated: " << token;
        if (prefix.empty()) prefix = token.substr(0, 32);
        EXPECT_EQ(token.substr(0, 32), prefix) << "one identifier per process";
        EXPECT_EQ(token.find(MachineId()), std::string::npos);
    }
}

TEST(UniqueToken, EndsWithTheTimeAndASequenceStartingAtOne) {
    const std::string first = UniqueToken();
    const std::string seconds = std::to_string(static_cast<long long>(std::time(nullptr)));
    // Time and sequence follow the identifier directly: "<id><seconds>1" for the first token,
    // unless the second turned over in between.
    std::string tail = first.substr(32);
    ASSERT_GE(tail.size(), 2u);
    EXPECT_EQ(tail.back(), '1');
    EXPECT_LE(std::abs(std::stoll(tail.substr(0, tail.size() - 1)) - std::stoll(seconds)), 2);
    const std::string second = UniqueToken();
    EXPECT_EQ(second.back(), '2');
}

}  // namespace
