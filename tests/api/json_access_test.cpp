// Reading answers: which JSON kinds land where, and getters that never take the wrong kind.
#include "api/json_access.h"

#include <gtest/gtest.h>

#include "api/service_errors.h"

namespace {

FlatObject Flat(const std::string& json, Json::Value& root) {
    EXPECT_TRUE(ParseJson(json, root)) << json;
    FlatObject flat;
    EXPECT_TRUE(FlattenObject(root, flat));
    return flat;
}

TEST(JsonAccess, IntegersOutside32BitsAreNeverReadAsIntegers) {
    Json::Value root;
    FlatObject o = Flat(R"({"small":-2147483648,"big":2147483647,"u31":2147483648,
        "u32":4294967295,"huge":4294967296,"neg":-2147483649,"real":1.5,"exp":1e3})",
                        root);
    std::int32_t value = 7;
    o.GetInt("small", value);
    EXPECT_EQ(value, INT32_MIN);
    o.GetInt("big", value);
    EXPECT_EQ(value, INT32_MAX);
    for (const char* name : {"u31", "u32", "huge", "neg", "real", "exp"}) {
        value = 7;
        o.GetInt(name, value);
        EXPECT_EQ(value, 7) << name;
    }
    double real = 0;
    EXPECT_FALSE(o.GetReal("u31", real)) << "unsigned 32-bit values are left out";
    EXPECT_FALSE(o.GetReal("u32", real));
    EXPECT_TRUE(o.GetReal("huge", real));
    EXPECT_EQ(real, 4294967296.0);
    EXPECT_TRUE(o.GetReal("neg", real));
    EXPECT_TRUE(o.GetReal("exp", real));
    EXPECT_EQ(real, 1000.0);
}

TEST(JsonAccess, GettersLeaveFieldsAloneForOtherKinds) {
    Json::Value root;
    FlatObject o = Flat(R"({"id":"12","name":5,"flag":2,"off":0,"yes":true,"nil":null,
        "list":[1],"obj":{"a":1},"text":"中文"})",
                        root);
    std::int32_t id = 3;
    o.GetInt("id", id);
    EXPECT_EQ(id, 3) << "a string where an integer is asked for";
    std::string name = "kept";
    o.GetText("name", name);
    EXPECT_EQ(name, "kept") << "an integer where a text is asked for";
    std::int32_t flag = 9;
    o.GetFlag("flag", flag);
    EXPECT_EQ(flag, 1);
    o.GetFlag("off", flag);
    EXPECT_EQ(flag, 0);
    flag = 5;
    for (const char* other : {"yes", "nil", "list", "obj", "missing"})
        o.GetFlag(other, flag);
    EXPECT_EQ(flag, 5);
    o.GetText("text", name);
    EXPECT_EQ(name, "中文");
    EXPECT_NE(ArrayMember(root, "list"), nullptr);
    EXPECT_EQ(ArrayMember(root, "obj"), nullptr);
    EXPECT_NE(ObjectMember(root, "obj"), nullptr);
}

TEST(JsonAccess, OnlyObjectsFlattenAndBrokenTextDoesNotParse) {
    Json::Value root;
    FlatObject flat;
    for (const char* text : {"[1,2]", "\"s\"", "12", "null"}) {
        ASSERT_TRUE(ParseJson(text, root)) << text;
        EXPECT_FALSE(FlattenObject(root, flat)) << text;
    }
    for (const char* broken : {"", "{", "{\"a\":", "<html>500</html>", "{\"a\":tru}"}) {
        EXPECT_FALSE(ParseJson(broken, root)) << broken;
    }
    std::string deep(100000, '[');
    EXPECT_FALSE(ParseJson(deep, root)) << "deep nesting is refused, not recursed into";
}

TEST(JsonAccess, FastAndPlainParsersReadTheSameTreesAndRefuseTheSameTexts) {
    // Texts both read: the trees must be equal, kind for kind.
    const char* both[] = {
        R"({"a":1,"a":2,"b":[],"c":{},"d":[1,-1,2147483647,2147483648,-2147483649]})",
        R"({"max":9223372036854775807,"min":-9223372036854775808,"u":18446744073709551615})",
        R"({"r":1.5,"e":1e3,"z":0.0,"neg":-2.25e-3,"t":true,"f":false,"n":null})",
        R"({"s":"\u5f20\u4e09 \ud83d\ude00 \"q\" \\ \/ \n","nul":"a\u0000b","raw":"林晓"})",
        R"([[[[["deep"]]]],{"x":[{"y":[{"z":1}]}]}])",
        R"("just a text")",
        R"(  {"spaces" : [ 1 , 2 ] }  )",
    };
    for (const char* text : both) {
        Json::Value fast, plain;
        ASSERT_TRUE(ParseJson(text, fast)) << text;
        ASSERT_TRUE(ParseJsonPlain(text, plain)) << text;
        EXPECT_EQ(fast, plain) << text;
        EXPECT_EQ(fast.toStyledString(), plain.toStyledString()) << text;
    }
    Json::Value big;
    ASSERT_TRUE(ParseJson(R"({"u":18446744073709551615,"i":-1})", big));
    EXPECT_EQ(big["u"].type(), Json::uintValue);
    EXPECT_EQ(big["i"].type(), Json::intValue);

    // Texts the fast parser refuses go to the plain one: the result is the plain parser's.
    const std::string refusedByTheFastOne[] = {
        "{\"bad utf-8\":\"\xff\xfe\"}",
        "{\"big\":123456789012345678901234567890}",
        "{\"a\":1} trailing text",
        "// a comment\n{\"a\":1}",
        "",
        "{\"cut\":[1,2",
        std::string(300, '[') + std::string(300, ']'),
    };
    for (const std::string& text : refusedByTheFastOne) {
        Json::Value fast, plain;
        const bool plainOk = ParseJsonPlain(text, plain);
        EXPECT_EQ(ParseJson(text, fast), plainOk) << text;
        EXPECT_EQ(fast, plain) << text;
    }
}

TEST(Envelope, PassesOnOkInAnyCaseAndFillsTheRecordOtherwise) {
    EXPECT_TRUE(CheckEnvelope(R"({"result":"OK"})", nullptr));
    EXPECT_TRUE(CheckEnvelope(R"({"result":"ok","x":1})", nullptr));
    ErrorRecord record;
    EXPECT_FALSE(CheckEnvelope(
        R"({"result":"error","error_code":20002,"error_msg":"登录已过期","error":"e","detail":"d"})",
        &record));
    EXPECT_EQ(record.error_code, 20002);
    EXPECT_EQ(record.error_msg, "登录已过期");
    EXPECT_EQ(record.error, "e");
    EXPECT_EQ(record.detail, "d");

    ErrorRecord untouched;
    untouched.error_code = 1;
    EXPECT_FALSE(CheckEnvelope("<html>Internal Server Error</html>", &untouched));
    EXPECT_FALSE(CheckEnvelope("[]", &untouched));
    EXPECT_EQ(untouched.error_code, 1);
    ErrorRecord textCode;
    EXPECT_FALSE(CheckEnvelope(R"({"error_code":"20001"})", &textCode));
    EXPECT_EQ(textCode.error_code, 0);
}

}  // namespace
