// Pending items against the local service: the demo account's list, a friend request from one
// account completed by another, ignoring an item.
#include <gtest/gtest.h>

#include "api/contact_search.h"
#include "api/contacts.h"
#include "api/login.h"
#include "api/pending_items.h"
#include "tests/people/people_steps.h"
#include "tests/support/signed_in_client.h"

namespace {

using lumeno::test::EventRecorder;
using lumeno::test::RunStep;

class PendingItemsServiceTest : public lumeno::test::SignedInClientTest {
  protected:
    bool Refresh() {
        EventRecorder events(db_event::kPendingItems);
        RefreshPendingItems();
        return PumpUntil([&] {
                   return events.Saw(db_event::kPendingItems, db_event::kDone) ||
                          events.Saw(db_event::kPendingItems, db_event::kFailed);
               }) &&
               events.Saw(db_event::kPendingItems, db_event::kStarted) &&
               events.Saw(db_event::kPendingItems, db_event::kDone);
    }
    const PendingItem* ItemOfType(std::int32_t type) {
        for (std::int32_t id : PendingItemIds()) {
            const PendingItem* item = FindPendingItem(id);
            if (item && item->type == type) return item;
        }
        return nullptr;
    }
    bool ContactListed(const std::string& qxid) {
        EventRecorder events(db_event::kContacts);
        RefreshContactList();
        PumpUntil([&] { return !CApiController::Instance().contactRefresh.Busy(); });
        for (const auto& [py, users] : CDBUser::Instance().ContactIndex()) {
            for (const UserRecord* user : users) {
                if (user->qxid == qxid) return true;
            }
        }
        return false;
    }
};

TEST_F(PendingItemsServiceTest, DemoListDecodesEveryShownKind) {
    SignInOnly("demo");
    ASSERT_TRUE(Refresh());
    const std::vector<std::int32_t> ids = PendingItemIds();
    ASSERT_GE(ids.size(), 5u);
    for (std::int32_t id : ids) {
        const PendingItem* item = FindPendingItem(id);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->id, id);
        EXPECT_TRUE(item->type == 1 || item->type == 3 || item->type == 4 || item->type == 5 ||
                    item->type == 6 || item->type == 10000)
            << item->type;
        EXPECT_FALSE(item->title.empty());
        EXPECT_EQ(item->date.size(), 10u) << item->uptime;
    }
    const PendingItem* request = ItemOfType(pending_type::kFriendRequest);
    ASSERT_NE(request, nullptr);
    EXPECT_EQ(request->icon_qxid, "10009");
    ASSERT_EQ(request->link_pieces.size(), 4u) << request->rtext;
    EXPECT_EQ(request->link_pieces[1], "赵磊");
    EXPECT_EQ(request->link_value, "10009");
    EXPECT_EQ(request->action.shown, 1);
    const PendingItem* offer = ItemOfType(pending_type::kJobOffer);
    ASSERT_NE(offer, nullptr);
    EXPECT_EQ(offer->action.text, "投递简历");
    EXPECT_EQ(offer->action.done_text, "已投递");
    const PendingItem* level = ItemOfType(pending_type::kLevelRequest);
    ASSERT_NE(level, nullptr);
    EXPECT_EQ(level->confirm_post, 1);
    EXPECT_EQ(level->confirm_action.text, "同意");
}

TEST_F(PendingItemsServiceTest, FriendRequestCompletedMakesFriendsOnBothSides) {
    SignInOnly("alice");
    const std::string alice = CDBLogin::Instance().Record().qxid;
    const std::string zhang = "10002";
    bool sent = false;
    ErrorRecord error;
    ASSERT_TRUE(RunStep([&](CAsyncWorkFlow& flow) {
        sent = SendFriendRequest(&error, zhang, "你好 & hello，我是Alice", 2, flow);
    }));
    ASSERT_TRUE(sent) << error.error_msg;
    SignOut();

    SignInOnly("zhangwei");
    ASSERT_TRUE(Refresh());
    const PendingItem* request = nullptr;
    for (std::int32_t id : PendingItemIds()) {
        const PendingItem* item = FindPendingItem(id);
        if (item->type == pending_type::kFriendRequest && item->icon_qxid == alice) request = item;
    }
    ASSERT_NE(request, nullptr) << "Alice's request waits for Zhang Wei";
    EXPECT_EQ(request->attach, "你好 & hello，我是Alice");
    const std::int32_t id = request->id;
    EXPECT_FALSE(ContactListed(alice));
    EventRecorder events(db_event::kPendingCompleted | db_event::kPendingCardDelivered);
    bool completed = false;
    ASSERT_TRUE(RunStep([&](CAsyncWorkFlow& flow) {
        completed = CompleteItem(&error, pending_type::kFriendRequest, id, 0, "", flow);
    }));
    ASSERT_TRUE(completed) << error.error_msg;
    ASSERT_TRUE(PumpUntil([&] { return events.events.size() == 2; }));
    EXPECT_EQ(events.events[0].kind, db_event::kPendingCompleted);
    EXPECT_EQ(events.events[0].first, id);
    EXPECT_EQ(events.events[1].kind, db_event::kPendingCardDelivered);
    EXPECT_EQ(events.events[1].first, 10004);
    ASSERT_NE(FindUser(alice), nullptr);
    EXPECT_EQ(FindUser(alice)->dist, 1);
    EXPECT_FALSE(SearchContacts("alice").empty()) << "in the contact list at once";
    EXPECT_TRUE(ContactListed(alice));

    ErrorRecord again;
    ASSERT_TRUE(RunStep([&](CAsyncWorkFlow& flow) {
        completed = CompleteItem(&again, pending_type::kFriendRequest, id, 0, "", flow);
    }));
    EXPECT_FALSE(completed) << "an item is completed once";
    EXPECT_GT(again.error_code, 0);
    SignOut();

    SignInOnly("alice");
    EXPECT_TRUE(ContactListed(zhang));
}

TEST_F(PendingItemsServiceTest, IgnoredItemLeavesTheList) {
    SignInOnly("demo");
    ASSERT_TRUE(Refresh());
    const PendingItem* invitation = ItemOfType(pending_type::kGroupInvitation);
    ASSERT_NE(invitation, nullptr);
    const std::int32_t id = invitation->id;
    const std::size_t before = PendingItemIds().size();
    EventRecorder events(db_event::kPendingIgnored);
    bool ignored = false;
    ASSERT_TRUE(RunStep([&](CAsyncWorkFlow& flow) {
        ignored = IgnoreItem(nullptr, pending_type::kGroupInvitation, id, flow);
    }));
    EXPECT_TRUE(ignored);
    ASSERT_TRUE(PumpUntil([&] { return !events.events.empty(); }));
    EXPECT_EQ(events.events[0].first, id);
    EXPECT_NE(FindPendingItem(id), nullptr) << "the store changes with the next refresh";
    ASSERT_TRUE(Refresh());
    EXPECT_EQ(FindPendingItem(id), nullptr);
    EXPECT_EQ(PendingItemIds().size(), before - 1);

    ErrorRecord error;
    ASSERT_TRUE(RunStep([&](CAsyncWorkFlow& flow) {
        ignored = IgnoreItem(&error, pending_type::kGroupInvitation, id, flow);
    }));
    EXPECT_FALSE(ignored);
    EXPECT_GT(error.error_code, 0);
}

TEST_F(PendingItemsServiceTest, CompletingFromAProfileRunsAsItsOwnJob) {
    // The contact list and the synchronisation asked for at sign-in predate the new friendship:
    // both carry the requester as a stranger, so let them land first.
    SignInAndSync("demo");
    ASSERT_TRUE(PumpUntil([] { return !CApiController::Instance().contactRefresh.Busy(); }));
    ASSERT_TRUE(Refresh());
    const PendingItem* request = ItemOfType(pending_type::kFriendRequest);
    ASSERT_NE(request, nullptr);
    EventRecorder events(db_event::kPendingCompleted);
    CompleteItemInBackground(request->type, request->id, 2, "很高兴认识你");
    EXPECT_TRUE(CApiController::Instance().pendingItemFromProfile.Busy());
    ASSERT_TRUE(
        PumpUntil([&] { return events.Saw(db_event::kPendingCompleted, db_event::kDone); }));
    EXPECT_EQ(FindUser("10009")->dist, 1);

    CompleteItemInBackground(pending_type::kFriendRequest, 999999, 0, "");
    ASSERT_TRUE(PumpUntil([&] {
        return events.Saw(db_event::kPendingCompleted, db_event::kFailed);
    })) << "the window that asked hears of the failure";
    EXPECT_FALSE(CApiController::Instance().pendingItemFromProfile.Busy());
    const ErrorRecord* error = CApiController::Instance().LastErrorOf(db_event::kPendingCompleted);
    ASSERT_NE(error, nullptr);
    EXPECT_GT(error->error_code, 0);
}

}  // namespace
