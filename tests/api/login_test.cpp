// The signed-in account: decoding the sign-in answer and the values derived from it.
#include "api/login.h"

#include <gtest/gtest.h>

namespace {

TEST(SignInAnswer, ReadsTokenAndUserObjects) {
    LoginRecord record;
    ASSERT_TRUE(DecodeSignInAnswer(
        R"({"result":"ok","token":"t0k","User":{"qxid":"q1","id":17,"realname":"张三","major":2,
            "anon_avatar":"7"}})",
        record));
    EXPECT_EQ(record.token, "t0k");
    EXPECT_EQ(record.qxid, "q1");
    EXPECT_EQ(record.id, 17);
    EXPECT_EQ(record.realname, "张三");
    EXPECT_EQ(record.major, 2);
    EXPECT_EQ(record.anon_avatar, "7");
    EXPECT_EQ(MyUserId(record), "17");
    EXPECT_EQ(AuthQuery(record), "u=q1&access_token=t0k");
}

TEST(SignInAnswer, IdAsTextFillsTheIdTextAndMyUserIdFallsBack) {
    LoginRecord record;
    ASSERT_TRUE(DecodeSignInAnswer(R"({"token":"t","user":{"id":"u-99","tid":"T5"}})", record));
    EXPECT_EQ(record.id, 0);
    EXPECT_EQ(record.id_text, "u-99");
    EXPECT_EQ(MyUserId(record), "u-99");
    record.id_text.clear();
    EXPECT_EQ(MyUserId(record), "T5");
    record.tid.clear();
    EXPECT_EQ(MyUserId(record), "");
}

TEST(SignInAnswer, IntegerErrorCodeFailsWithoutWritingButTextErrorCodeDoesNot) {
    LoginRecord record;
    record.token = "before";
    EXPECT_FALSE(DecodeSignInAnswer(
        R"({"error_code":10003,"error_msg":"密码错误","token":"x","user":{"qxid":"q"}})", record));
    EXPECT_EQ(record.token, "before");
    EXPECT_EQ(record.qxid, "");
    EXPECT_TRUE(DecodeSignInAnswer(R"({"error_code":"1","user":{"qxid":"q"}})", record));
    EXPECT_FALSE(DecodeSignInAnswer(R"({"token":"t"})", record)) << "no user object";
    EXPECT_FALSE(DecodeSignInAnswer("", record));
    EXPECT_FALSE(DecodeSignInAnswer("[{\"user\":{}}]", record));
}

TEST(LoginRecord, ClearRestoresInitialValuesAndQueriesAreEncoded) {
    LoginRecord record;
    record.anon_avatar = "3";
    record.qxid = "a b&c";
    record.token = "x=y";
    EXPECT_EQ(AuthQuery(record), "u=a+b%26c&access_token=x%3Dy");
    record.Clear();
    EXPECT_EQ(record.anon_avatar, "100");
    EXPECT_EQ(AuthQuery(record), "u=&access_token=");
}

}  // namespace
