// Contacts and profiles against the local service: the contact list with pinyin, the search,
// profile and talent cards, unknown users, and the friendship operations.
#include <gtest/gtest.h>

#include "api/contact_search.h"
#include "api/contacts.h"
#include "api/login.h"
#include "tests/people/people_steps.h"
#include "tests/support/signed_in_client.h"
#include "util/pinyin/pinyin.h"

namespace {

using lumeno::test::EventRecorder;
using lumeno::test::QxidOf;
using lumeno::test::RunStep;

class ContactsServiceTest : public lumeno::test::SignedInClientTest {
  protected:
    // Signs in and waits for the contact list that sign-in asks for.
    void SignInWithContacts(const std::string& account) {
        EventRecorder events(db_event::kContacts);
        SignInOnly(account);
        // The synchronisation started with the sign-in brings member records too: it must have
        // landed before a test changes users, or it would undo the change.
        ASSERT_TRUE(PumpUntil([&] {
            return events.Count(db_event::kContacts, db_event::kStarted) == 1 &&
                   !CApiController::Instance().contactRefresh.Busy() &&
                   !CApiController::Instance().conversationSync.Busy();
        }));
        ASSERT_TRUE(events.Saw(db_event::kContacts, db_event::kDone));
    }
    static std::vector<std::string> Names(const std::vector<UserRecord*>& users) {
        std::vector<std::string> names;
        for (const UserRecord* user : users)
            names.push_back(user->name);
        return names;
    }
};

bool AllChinese(const std::string& name) {
    for (unsigned char c : name) {
        if (c < 0x80) return false;
    }
    return !name.empty();
}

TEST_F(ContactsServiceTest, DemoContactsArriveWithPinyinAndInitials) {
    SignInWithContacts("demo");
    const auto& index = CDBUser::Instance().ContactIndex();
    std::vector<std::string> names;
    std::string previousPy;
    for (const auto& [py, users] : index) {
        EXPECT_LE(previousPy, py) << "the contact list is ordered by pinyin";
        previousPy = py;
        for (const UserRecord* user : users) {
            names.push_back(user->name);
            EXPECT_EQ(user->dist, 1);
            EXPECT_NE(user->qxid, kFeedbackQxid);
            if (AllChinese(user->name)) {
                EXPECT_EQ(ToPinyin(user->name, kPinyinWhole), user->py) << user->name;
            }
        }
    }
    EXPECT_EQ(names.size(), 13u) << "the demo account's friends apart from the feedback account";
    const UserRecord* zhang = FindUser(QxidOf("张伟"));
    ASSERT_NE(zhang, nullptr);
    EXPECT_EQ(ToPinyin(zhang->name, kPinyinInitials), "zw");

    // Searching by initials, spelling and characters, in contact-list order.
    UserRecord zhangSan;
    zhangSan.qxid = "q-zhangsan";
    zhangSan.name = "张三";
    zhangSan.py = "zhangsan";
    zhangSan.dist = 1;
    zhangSan.utype = 1;
    CDBUser::Instance().Users()[zhangSan.qxid] = zhangSan;
    CDBUser::Instance().RebuildContactIndex();
    EXPECT_EQ(Names(SearchContacts("zs")), std::vector<std::string>{"张三"});
    EXPECT_EQ(Names(SearchContacts("zhang")), (std::vector<std::string>{"张三", "张伟"}));
    EXPECT_EQ(Names(SearchContacts("张")), (std::vector<std::string>{"张三", "张伟"}));
    EXPECT_EQ(Names(SearchContacts("ZW")), std::vector<std::string>{"张伟"});
    EXPECT_EQ(Names(SearchContacts("martin")), std::vector<std::string>{"Alice Martin"});
    EXPECT_TRUE(SearchContacts("xiaomishu").empty()) << "the feedback account is no contact";
    EXPECT_EQ(SearchContacts("").size(), 14u);
}

TEST_F(ContactsServiceTest, SearchFollowsRenamesAndForgetsTheAccountAtSignOut) {
    SignInWithContacts("demo");
    const std::string zhang = QxidOf("张伟");
    EXPECT_EQ(Names(SearchContacts("zw")), std::vector<std::string>{"张伟"});

    // A synchronisation brings the same person under a new name.
    UserMap renamed;
    renamed[zhang] = *FindUser(zhang);
    renamed[zhang].name = "王磊";
    renamed[zhang].py = "wanglei";
    ASSERT_TRUE(RunStep([&](CAsyncWorkFlow& flow) { MergeUsers(renamed, false, flow); }));
    ASSERT_EQ(FindUser(zhang)->name, "王磊");
    EXPECT_EQ(Names(SearchContacts("wl")), std::vector<std::string>{"王磊"});
    EXPECT_EQ(Names(SearchContacts("wanglei")), std::vector<std::string>{"王磊"});
    EXPECT_TRUE(SearchContacts("zw").empty()) << "the old name is forgotten";

    const std::size_t contacts = SearchContacts("").size();
    EXPECT_EQ(ContactSearchCacheSize(), contacts);
    SignOut();
    EXPECT_EQ(ContactSearchCacheSize(), 0u);
    SignInWithContacts("zhangwei");
    const std::size_t theirs = SearchContacts("").size();
    EXPECT_GT(theirs, 0u);
    EXPECT_EQ(ContactSearchCacheSize(), theirs) << "the names of this account only";
}

TEST_F(ContactsServiceTest, ContactNoLongerListedDropsToTheSecondDegree) {
    SignInWithContacts("demo");
    // A first-degree user the list does not deliver, flagged by an earlier answer.
    UserRecord ghost;
    ghost.qxid = "q-ghost";
    ghost.name = "旧同事";
    ghost.dist = 1;
    ghost.utype = 1;
    ghost.contact = 1;
    CDBUser::Instance().Users()[ghost.qxid] = ghost;
    RefreshContactList();
    ASSERT_TRUE(CApiController::Instance().contactRefresh.Busy());
    ASSERT_TRUE(PumpUntil([&] { return !CApiController::Instance().contactRefresh.Busy(); }));
    EXPECT_EQ(FindUser("q-ghost")->dist, 2);
    EXPECT_EQ(FindUser(kFeedbackQxid)->dist, 1) << "the feedback account keeps its degree";
    EXPECT_EQ(FindUser(QxidOf("张伟"))->dist, 1);
}

TEST_F(ContactsServiceTest, ProfileAndTalentCards) {
    SignInWithContacts("demo");
    const std::string zhang = QxidOf("张伟");
    ProfileRecord* profile = nullptr;
    ErrorRecord error;
    ASSERT_TRUE(
        RunStep([&](CAsyncWorkFlow& flow) { profile = FetchUserDetail(&error, zhang, flow); }));
    ASSERT_NE(profile, nullptr);
    EXPECT_EQ(error.error_code, 0);
    ASSERT_NE(profile->user, nullptr);
    EXPECT_EQ(profile->user, FindUser(zhang)) << "the card is the stored user";
    EXPECT_EQ(profile->user->name, "张伟");
    EXPECT_FALSE(profile->tags.empty());
    EXPECT_FALSE(profile->background.empty());
    bool mobile = false, email = false;
    for (const ContactEntry& entry : profile->contacts) {
        mobile |= entry.type == kContactMobile;
        email |= entry.type == kContactEmail;
    }
    EXPECT_TRUE(mobile);
    EXPECT_TRUE(email);
    EXPECT_FALSE(profile->button_text.empty());

    const std::string seeker = "10015";
    TalentRecord* talent = nullptr;
    ASSERT_TRUE(
        RunStep([&](CAsyncWorkFlow& flow) { talent = FetchTalentDetail(&error, seeker, flow); }));
    ASSERT_NE(talent, nullptr);
    EXPECT_FALSE(talent->salary.empty());
    EXPECT_FALSE(talent->attitude.empty() && talent->career.empty() && talent->personal.empty());

    ErrorRecord missing;
    ASSERT_TRUE(
        RunStep([&](CAsyncWorkFlow& flow) { FetchUserDetail(&missing, "no-such-user", flow); }));
    EXPECT_GT(missing.error_code, 0);
    EXPECT_FALSE(missing.error_msg.empty());
}

TEST_F(ContactsServiceTest, UnknownUsersAreFetchedOnceAsked) {
    SignInWithContacts("demo");
    CApiController& api = CApiController::Instance();
    EXPECT_EQ(GetUser("0"), nullptr);
    EXPECT_EQ(GetUser(""), nullptr);
    EXPECT_FALSE(api.unknownUserFetch.Busy()) << "no fetch for 0 or an empty qxid";
    const std::string unknown = "10013";  // Émilie Dubois and 马超: never met
    const std::string other = "10016";
    ASSERT_EQ(FindUser(unknown), nullptr);
    ASSERT_EQ(FindUser(other), nullptr);
    EXPECT_EQ(GetUser(unknown), nullptr);
    EXPECT_TRUE(api.unknownUserFetch.Busy());
    EXPECT_EQ(GetUser(other), nullptr) << "asked while a fetch runs: dropped";
    ASSERT_TRUE(PumpUntil([&] { return !api.unknownUserFetch.Busy(); }));
    ASSERT_NE(GetUser(unknown), nullptr);
    EXPECT_EQ(FindUser(unknown)->name, "Émilie Dubois");
    EXPECT_EQ(FindUser(other), nullptr);
    EXPECT_FALSE(AvatarAddressOf(unknown).empty());
    EXPECT_EQ(AvatarAddressOf(CDBLogin::Instance().Record().qxid).empty(),
              CDBLogin::Instance().Record().avatar.empty());
    // Signed out, a row painted late asks in vain: no fetch outlives the account.
    SignOut();
    EXPECT_EQ(GetUser(other), nullptr);
    EXPECT_FALSE(api.unknownUserFetch.Busy());
}

TEST_F(ContactsServiceTest, TryAddTellsWhoCanBeAdded) {
    SignInWithContacts("demo");
    TryAddResult open, recommendationOnly, friendAlready;
    bool openOk = false, recOk = false, friendOk = true;
    ErrorRecord error;
    ASSERT_TRUE(RunStep([&](CAsyncWorkFlow& flow) {
        openOk = TryAdd(nullptr, "10013", open, flow);
        recOk = TryAdd(nullptr, "10011", recommendationOnly, flow);
        friendOk = TryAdd(&error, QxidOf("张伟"), friendAlready, flow);
    }));
    EXPECT_TRUE(openOk);
    EXPECT_EQ(open.reconly, 0);
    EXPECT_TRUE(recOk);
    EXPECT_NE(recommendationOnly.reconly, 0);
    EXPECT_FALSE(friendOk);
    EXPECT_GT(error.error_code, 0);
}

TEST_F(ContactsServiceTest, EndingAFriendshipMovesTheContactOut) {
    SignInWithContacts("demo");
    const std::string lina = QxidOf("李娜");
    ProfileRecord* profile = nullptr;
    EventRecorder events(db_event::kContacts);
    ASSERT_TRUE(
        RunStep([&](CAsyncWorkFlow& flow) { profile = BreakFriendship(lina, nullptr, flow); }));
    ASSERT_NE(profile, nullptr);
    EXPECT_NE(FindUser(lina)->dist, 1);
    // The event is posted: it comes with the next turn of the loop.
    EXPECT_TRUE(PumpUntil([&] { return events.Saw(db_event::kContacts, db_event::kDone); }));
    EXPECT_TRUE(SearchContacts("lina").empty());
    ErrorRecord error;
    ASSERT_TRUE(
        RunStep([&](CAsyncWorkFlow& flow) { profile = BreakFriendship(lina, &error, flow); }));
    EXPECT_EQ(profile, nullptr) << "no friends any more";
    EXPECT_GT(error.error_code, 0);
}

}  // namespace
