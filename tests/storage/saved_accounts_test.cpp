// Remembered accounts: the protected stored form and the rules after each sign-in.
#include "storage/saved_accounts.h"

#include <gtest/gtest.h>

#include "config/config.h"
#include "storage/tea_cipher.h"
#include "tests/support/temp_dir.h"
#include "util/base64.h"

namespace {

class SavedAccountsTest : public ::testing::Test {
  protected:
    void SetUp() override { lumeno::test::UseTempDataHome(dir_); }
    static LoginRecord SignedIn(const std::string& qxid, const std::string& token,
                                const std::string& password = "pw") {
        LoginRecord record;
        record.qxid = qxid;
        record.token = token;
        record.password = password;
        record.avatar = "http://h/" + qxid + ".png";
        return record;
    }
    lumeno::test::TempDir dir_;
};

TEST(TeaCipher, RoundTripsEveryLengthAndRejectsTampering) {
    const std::string key = "0123456789abcdef";
    for (std::size_t n = 0; n < 40; ++n) {
        std::string plain(n, static_cast<char>('a' + n % 26));
        std::string cipher = TeaEncrypt(plain, key);
        EXPECT_EQ(cipher.size() % 8, 0u);
        EXPECT_GE(cipher.size(), 16u);
        EXPECT_EQ(TeaDecrypt(cipher, key), plain) << n;
        EXPECT_NE(TeaDecrypt(cipher, "fedcba9876543210"), plain);
    }
    std::string cipher = TeaEncrypt("account,pw,q,t,a,1,0;", key);
    cipher[cipher.size() - 1] ^= 1;
    EXPECT_FALSE(TeaDecrypt(cipher, key)) << "the trailing zero check catches a changed block";
    EXPECT_FALSE(TeaDecrypt("short", key));
    EXPECT_FALSE(TeaDecrypt(std::string(17, 'x'), key));
}

// Computed by hand from the algorithm: "abc" under the key "0123456789abcdef", with every random
// byte of the header zero. A wrong round constant or key byte order decrypts to something else.
TEST(TeaCipher, DecryptsAKnownAnswer) {
    const std::string cipher = {'\x52', '\xcc', '\x5a', '\xc4', '\xde', '\x10', '\xf0', '\x84',
                                '\xa1', '\xdf', '\xe9', '\xd3', '\x0e', '\xc3', '\x7f', '\xc2'};
    EXPECT_EQ(TeaDecrypt(cipher, "0123456789abcdef"), "abc");
}

TEST(Base64, StandardAlphabetAndStrictDecoding) {
    EXPECT_EQ(Base64Encode(""), "");
    EXPECT_EQ(Base64Encode("f"), "Zg==");
    EXPECT_EQ(Base64Encode("foobar"), "Zm9vYmFy");
    EXPECT_EQ(Base64Encode("\xff\xfe"), "//4=");
    EXPECT_EQ(Base64Decode("Zm9vYg=="), "foob");
    EXPECT_FALSE(Base64Decode("Zm9v!"));
    EXPECT_FALSE(Base64Decode("Zg=a"));
    EXPECT_FALSE(Base64Decode("Z==="));
}

TEST_F(SavedAccountsTest, EmptyListIsSixteenCipherBytesAndTheStoredTextDecryptsToTheRecordFormat) {
    EXPECT_EQ(SavedAccounts::Protect("").size(), 24u) << "Base64 of 16 bytes";
    SavedAccounts saved;
    saved.UpdateAfterSignIn(true, "13800000000", true, false, SignedIn("q1", "tok"));
    const std::string stored = ReadConfig(config_keys::kSavedAccounts);
    EXPECT_EQ(SavedAccounts::Unprotect(stored), "13800000000,pw,q1,tok,http://h/q1.png,1,0;");
}

TEST_F(SavedAccountsTest, SignInsOrderTheListWithoutDuplicates) {
    SavedAccounts saved;
    saved.UpdateAfterSignIn(true, "alice", false, false, SignedIn("qa", "ta"));
    saved.UpdateAfterSignIn(true, "bob", true, true, SignedIn("qb", "tb"));
    saved.UpdateAfterSignIn(true, "ALICE", true, true, SignedIn("qa", "ta2"));
    SavedAccounts reloaded;
    reloaded.LoadSaved();
    const auto& list = reloaded.SavedList();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].mobile, "ALICE");
    EXPECT_EQ(list[0].token, "ta2");
    EXPECT_EQ(list[0].auto_sign_in, 1);
    EXPECT_EQ(list[1].mobile, "bob");
    EXPECT_EQ(list[1].auto_sign_in, 0) << "only one account signs in automatically";
    EXPECT_EQ(list[1].remember_password, 1);
    EXPECT_EQ(reloaded.FirstSaved().mobile, "ALICE");
}

TEST_F(SavedAccountsTest, WithoutRememberOnlyTheNameAndAvatarStayAndFailureDropsSecrets) {
    SavedAccounts saved;
    saved.UpdateAfterSignIn(true, "carol", true, false, SignedIn("qc", "tc"));
    ASSERT_EQ(saved.FirstSaved().token, "tc");
    saved.UpdateAfterSignIn(false, "carol", false, false, LoginRecord{});
    LoginRecord entry = saved.FirstSaved();
    EXPECT_EQ(entry.mobile, "carol");
    EXPECT_EQ(entry.avatar, "http://h/qc.png") << "the avatar of the known entry is kept";
    EXPECT_EQ(entry.token, "");
    EXPECT_EQ(entry.password, "");
    EXPECT_EQ(entry.remember_password, 0);
}

TEST_F(SavedAccountsTest, SeparatorsInsideFieldsSurviveTheRoundTrip) {
    SavedAccounts saved;
    saved.UpdateAfterSignIn(true, "dave", true, false, SignedIn("qd", "t,k;n", "p;a,s%s"));
    SavedAccounts reloaded;
    reloaded.LoadSaved();
    ASSERT_EQ(reloaded.SavedList().size(), 1u);
    EXPECT_EQ(reloaded.FirstSaved().password, "p;a,s%s");
    EXPECT_EQ(reloaded.FirstSaved().token, "t,k;n");
}

TEST_F(SavedAccountsTest, SavedIsNeverCutAndKeepsTheTwentyMostRecent) {
    SavedAccounts saved;
    const std::string longToken(200, 't');
    for (int i = 0; i < 25; ++i) {
        saved.UpdateAfterSignIn(true, "user" + std::to_string(i), true, false,
                                SignedIn("q" + std::to_string(i), longToken));
    }
    ASSERT_GT(ReadConfigWhole("account", "saved").size(), kMaxConfigStringLength);
    SavedAccounts reloaded;
    reloaded.LoadSaved();
    const auto& list = reloaded.SavedList();
    ASSERT_EQ(list.size(), SavedAccounts::kMostSavedAccounts);
    EXPECT_EQ(list.front().mobile, "user24");
    EXPECT_EQ(list.back().mobile, "user5");
    EXPECT_EQ(list.back().token, longToken);
}

TEST_F(SavedAccountsTest, TamperedOrForeignValuesLoadNothing) {
    SavedAccounts saved;
    saved.UpdateAfterSignIn(true, "erin", true, false, SignedIn("qe", "te"));
    std::string stored = ReadConfig(config_keys::kSavedAccounts);
    for (std::string bad : {stored.substr(0, stored.size() - 4), std::string("!!!!"),
                            Base64Encode(std::string(32, 'z')), std::string("")}) {
        WriteConfigString("account", "saved", bad);
        SavedAccounts reloaded;
        reloaded.LoadSaved();
        EXPECT_TRUE(reloaded.SavedList().empty()) << bad;
    }
    EXPECT_EQ(SavedAccounts::Parse("a,b,c;x,y,z,t,a,1,1;one,two").size(), 1u);
}

}  // namespace
