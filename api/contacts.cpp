#include "api/contacts.h"

#include <strings.h>

#include "api/api_controller.h"
#include "api/decoders.h"
#include "api/login.h"
#include "api/sign_in.h"
#include "flow/async_work_flow.h"
#include "net/http_request.h"
#include "net/url_encode.h"
#include "storage/msg_dlg_store.h"
#include "storage/sqlite_helper.h"

namespace {

std::string PersonUrl(const char* area, const char* operation, const std::string& qxid) {
    return ApiUrl(area, operation) + "?u2=" + UrlEncode(qxid) + "&" + AuthQuery();
}

void ReadItems(const Json::Value& items, std::vector<KeyValueItem>& out) {
    FlatObject o;
    for (const Json::Value& item : items) {
        if (!FlattenObject(item, o)) continue;
        KeyValueItem entry;
        o.GetInt("type", entry.type);
        if (entry.type < 0) entry.type = 0;
        o.GetText("k", entry.k);
        o.GetText("v", entry.v);
        out.push_back(std::move(entry));
    }
}

void ReadBackground(const Json::Value& items, std::vector<BackgroundEntry>& out) {
    FlatObject o;
    for (const Json::Value& item : items) {
        if (!FlattenObject(item, o)) continue;
        BackgroundEntry e;
        o.GetInt("type", e.type);
        o.GetInt("start", e.start);
        o.GetInt("end", e.end);
        o.GetInt("degree", e.degree);
        o.GetText("k", e.k);
        o.GetText("v", e.v);
        o.GetText("description", e.description);
        o.GetText("company", e.company);
        o.GetText("position", e.position);
        o.GetText("school", e.school);
        o.GetText("department", e.department);
        out.push_back(std::move(e));
    }
}

void ReadContacts(const Json::Value& items, std::vector<ContactEntry>& out) {
    FlatObject o;
    for (const Json::Value& item : items) {
        if (!FlattenObject(item, o)) continue;
        ContactEntry e;
        o.GetInt("type", e.type);
        o.GetText("k", e.k);
        o.GetText("v", e.v);
        o.GetText("mobile", e.mobile);
        o.GetText("email", e.email);
        if (e.type == -1 && e.k == "手机号") e.type = kContactMobile;
        if (e.type == -1 && e.k == "邮箱") e.type = kContactEmail;
        out.push_back(std::move(e));
    }
}

// Calls `visit(title, items)` for each element of "areas".
template <typename Visit>
void ForEachArea(const Json::Value& root, Visit visit) {
    const Json::Value* areas = ArrayMember(root, "areas");
    if (!areas) return;
    FlatObject o;
    for (const Json::Value& area : *areas) {
        if (!FlattenObject(area, o)) continue;
        std::string title;
        o.GetText("l", title);
        const Json::Value* items = ArrayMember(area, "d");
        if (items) visit(title, *items);
    }
}

bool SameQxid(const std::string& a, const std::string& b) {
    return strcasecmp(a.c_str(), b.c_str()) == 0;
}

}  // namespace

void RefreshContactList() {
    CApiController& controller = CApiController::Instance();
    controller.StartJob(controller.contactRefresh, [](CAsyncWorkFlow& flow) {
        CApiController& api = CApiController::Instance();
        api.PostEvent(db_event::kContacts, 0, db_event::kStarted);
        const std::string url = ApiUrl("contact", "d1") + "?" + AuthQuery();
        struct Result {
            bool found = false;
            UserMap users;
        };
        Result result = PoolScope::Run(flow, [&] {
            Result out;
            Json::Value root;
            const std::string answer = HttpGetText(url);
            if (ParseJson(answer, root)) {
                if (const Json::Value* contacts = ArrayMember(root, "contacts")) {
                    std::vector<std::string> qxids;
                    DecodeUsers(*contacts, out.users, qxids);
                    out.found = true;
                }
            }
            return out;
        });
        if (result.found && !result.users.empty()) MergeUsers(result.users, true, flow);
        api.PostEvent(db_event::kContacts, 0, result.found ? db_event::kDone : db_event::kFailed);
    });
}

void MergeUsers(UserMap& users, bool contactPass, CAsyncWorkFlow& flow) {
    if (users.empty()) return;
    CDBUser& store = CDBUser::Instance();
    if (contactPass) {
        // The flag means "delivered by this contact list": a flag left by an earlier answer (a
        // synchronisation's member list) must not keep a former contact at the first degree.
        for (auto& [qxid, user] : store.Users())
            user.contact = 0;
    }
    // Without the contact pass only the users of this answer change, and only they are written.
    UserMap written;
    for (auto& [qxid, user] : users) {
        if (!contactPass) written.emplace(qxid, user);
        if (UserRecord* stored = store.Find(qxid)) {
            *stored = std::move(user);
        } else {
            store.Users().emplace(qxid, std::move(user));
        }
    }
    users.clear();
    if (contactPass) {
        for (auto& [qxid, user] : store.Users()) {
            if (user.contact == 0 && user.dist == 1 && user.utype == 1 && qxid != kFeedbackQxid) {
                user.dist = 2;
            }
        }
    }
    store.RebuildContactIndex();
    CSQLiteHelper::Instance().SaveUsers(contactPass ? store.Users() : written, flow);
}

UserRecord* FindUser(const std::string& qxid) {
    return CDBUser::Instance().Find(qxid);
}

ProfileRecord* FindProfile(const std::string& qxid) {
    auto& profiles = CDBUser::Instance().Profiles();
    auto found = profiles.find(qxid);
    return found == profiles.end() ? nullptr : &found->second;
}

TalentRecord* FindTalent(const std::string& qxid) {
    auto& talents = CDBUser::Instance().Talents();
    auto found = talents.find(qxid);
    return found == talents.end() ? nullptr : &found->second;
}

UserRecord* GetUser(const std::string& qxid) {
    if (UserRecord* user = FindUser(qxid)) return user;
    if (qxid.empty() || qxid == "0") return nullptr;
    // Signed out (or the account is closing): nobody to ask on whose behalf. A window painted
    // during the sign-out would otherwise start a fetch that outlives the account.
    if (CDBLogin::Instance().Record().token.empty()) return nullptr;
    CApiController& controller = CApiController::Instance();
    controller.StartJob(controller.unknownUserFetch,
                        [qxid](CAsyncWorkFlow& flow) { FetchUserDetail(nullptr, qxid, flow); });
    return FindUser(qxid);
}

std::string AvatarAddressOf(const std::string& qxid) {
    if (UserRecord* user = GetUser(qxid)) return user->avatar;
    const LoginRecord& me = CDBLogin::Instance().Record();
    if (!qxid.empty() && SameQxid(qxid, me.qxid)) return me.avatar;
    return {};
}

bool DecodeProfileAnswer(const std::string& answer, const std::string& qxid) {
    Json::Value root;
    if (!ParseJson(answer, root) || !root.isObject()) return false;
    ProfileRecord& profile = CDBUser::Instance().Profiles()[qxid];
    profile = ProfileRecord{};
    FlatObject o;
    if (const Json::Value* card = ObjectMember(root, "card"); card && FlattenObject(*card, o)) {
        std::string cardQxid;
        o.GetText("qxid", cardQxid);
        // A card without its own qxid is the person asked for.
        if (cardQxid.empty()) cardQxid = qxid;
        UserMap& users = CDBUser::Instance().Users();
        auto [it, added] = users.try_emplace(cardQxid);
        DecodeUserFields(o, it->second);
        profile.user = &it->second;
    }
    if (const Json::Value* tags = ArrayMember(root, "tags")) {
        for (const Json::Value& tag : *tags) {
            if (!FlattenObject(tag, o)) continue;
            TagItem item;
            o.GetFlag("me", item.me);
            o.GetInt("n", item.n);
            o.GetText("text", item.text);
            profile.tags.push_back(std::move(item));
        }
    }
    ForEachArea(root, [&](const std::string& title, const Json::Value& items) {
        if (title == "人脉动态" || title == "实名动态") {
            ReadItems(items, profile.timeline);
        } else if (title == "背景") {
            ReadBackground(items, profile.background);
        } else if (title == "联系方式") {
            ReadContacts(items, profile.contacts);
        }
    });
    if (const Json::Value* button = ObjectMember(root, "button");
        button && FlattenObject(*button, o)) {
        o.GetText("t", profile.button_text);
    }
    return true;
}

void SaveUser(const std::string& qxid) {
    CDBUser& store = CDBUser::Instance();
    UserRecord* user = store.Find(qxid);
    store.RebuildContactIndex();
    if (!user) return;
    UserMap one{{qxid, *user}};
    RunFlow(nullptr,
            [one](CAsyncWorkFlow& flow) { CSQLiteHelper::Instance().SaveUsers(one, flow); });
}

ProfileRecord* FetchUserDetail(ErrorRecord* error, const std::string& qxid, CAsyncWorkFlow& flow) {
    const std::string url = PersonUrl("contact", "detail", qxid);
    const std::string answer = PoolScope::Run(flow, [&] { return HttpGetText(url); });
    CheckEnvelope(answer, error);
    const UserRecord* before = FindUser(qxid);
    const std::int32_t oldDist = before ? before->dist : 0;
    const std::string oldAvatar = before ? before->avatar : std::string();
    DecodeProfileAnswer(answer, qxid);
    const UserRecord* after = FindUser(qxid);
    const std::int32_t newDist = after ? after->dist : 0;
    const std::string newAvatar = after ? after->avatar : std::string();
    if (newDist != oldDist || newAvatar != oldAvatar) {
        LoginRecord& me = CDBLogin::Instance().Record();
        if (SameQxid(qxid, me.qxid)) me.avatar = newAvatar;
        SaveUser(qxid);
        CApiController::Instance().PostEvent(db_event::kContacts, 0, db_event::kDone);
    }
    if (newAvatar != oldAvatar) {
        std::vector<ConversationRecord*> peers;
        for (const auto& [id, conversation] : CDBMsgDlg::Instance().Conversations()) {
            if (conversation->member_ids.size() == 1 && conversation->member_ids[0] == qxid &&
                conversation->deleted == 0 && conversation->type != kGroupConversationType) {
                peers.push_back(conversation.get());
            }
        }
        for (ConversationRecord* conversation : peers) {
            conversation->peer_avatar = newAvatar;
            CApiController::Instance().PostEvent(db_event::kConversationChanged, conversation->id,
                                                 db_event::kDone);
        }
    }
    return FindProfile(qxid);
}

bool DecodeTalentAnswer(const std::string& answer, const std::string& qxid) {
    Json::Value root;
    FlatObject o;
    if (!ParseJson(answer, root) || !FlattenObject(root, o)) return false;
    const Json::Value& result = root["result"];
    if (result.isString() && strcasecmp(result.asCString(), "ok") != 0) return false;
    TalentRecord& talent = CDBUser::Instance().Talents()[qxid];
    talent = TalentRecord{};
    if (const Json::Value* card = ObjectMember(root, "card"); card && FlattenObject(*card, o)) {
        o.GetText("salary", talent.salary);
        o.GetText("feed", talent.feed);
        o.GetText("qxid", talent.qxid);
        o.GetText("line3", talent.line3);
        o.GetText("line2", talent.line2);
        o.GetText("line1", talent.line1);
        o.GetText("beats", talent.beats);
        o.GetText("avatar", talent.avatar);
        o.GetText("tid", talent.tid);
        o.GetText("rankstr", talent.rankstr);
        o.GetInt("major", talent.major);
        o.GetInt("dist", talent.dist);
        o.GetInt("profession", talent.profession);
        o.GetInt("has_viewed", talent.has_viewed);
        o.GetInt("id", talent.id);
    }
    ForEachArea(root, [&](const std::string& title, const Json::Value& items) {
        if (title == "求职心态") ReadItems(items, talent.attitude);
        if (title == "职场信息") ReadItems(items, talent.career);
        if (title == "个人信息") ReadItems(items, talent.personal);
    });
    return true;
}

TalentRecord* FetchTalentDetail(ErrorRecord* error, const std::string& qxid, CAsyncWorkFlow& flow) {
    const std::string url = PersonUrl("talent", "detail", qxid);
    const std::string answer = PoolScope::Run(flow, [&] { return HttpGetText(url); });
    CheckEnvelope(answer, error);
    DecodeTalentAnswer(answer, qxid);
    return FindTalent(qxid);
}

void DecodeTryAddAnswer(const Json::Value& root, TryAddResult& result) {
    FlatObject o;
    FlattenObject(root, o);
    o.GetInt("midcnt", result.midcnt);
    o.GetInt("dist", result.dist);
    o.GetInt("reconly", result.reconly);
    o.GetText("attach", result.attach);
    o.GetText("result", result.result);
    o.GetText("hint", result.hint);
    o.GetText("hint1", result.hint1);
    o.GetText("hint2", result.hint2);
    o.GetText("hint3", result.hint3);
    // An answer without mutual contacts simply has none.
    if (const Json::Value* mutual = ArrayMember(root, "midus")) {
        for (const Json::Value& element : *mutual) {
            if (!FlattenObject(element, o)) continue;
            MutualContact contact;
            o.GetInt("cmf", contact.cmf);
            o.GetText("qxid", contact.qxid);
            o.GetText("career", contact.career);
            o.GetText("name", contact.name);
            o.GetText("attach", contact.attach);
            o.GetText("avatar", contact.avatar);
            o.GetText("desc", contact.desc);
            result.mutual.push_back(std::move(contact));
        }
    }
}

bool TryAdd(ErrorRecord* error, const std::string& qxid, TryAddResult& result,
            CAsyncWorkFlow& flow) {
    const std::string url = PersonUrl("contact", "try_add", qxid);
    const std::string answer = PoolScope::Run(flow, [&] { return HttpGetText(url); });
    Json::Value root;
    if (!ParseJson(answer, root) || !CheckParsedEnvelope(root, error)) return false;
    DecodeTryAddAnswer(root, result);
    return true;
}

bool SendFriendRequest(ErrorRecord* error, const std::string& qxid, const std::string& attach,
                       int level, CAsyncWorkFlow& flow) {
    const std::string url = ApiUrl("contact", "init_req") + "?u2=" + UrlEncode(qxid) +
                            "&lv=" + std::to_string(level) + "&" + AuthQuery();
    const std::string answer = PoolScope::Run(flow, [&] {
        return attach.empty() ? HttpGetText(url) : HttpPostFields(url, {{"attach", attach}});
    });
    return CheckEnvelope(answer, error);
}

ProfileRecord* BreakFriendship(const std::string& qxid, ErrorRecord* error, CAsyncWorkFlow& flow) {
    const std::string url = PersonUrl("contact", "break", qxid);
    const std::string answer = PoolScope::Run(flow, [&] { return HttpGetText(url); });
    if (!CheckEnvelope(answer, error)) return nullptr;
    const bool decoded = DecodeProfileAnswer(answer, qxid);
    SaveUser(qxid);
    CApiController::Instance().PostEvent(db_event::kContacts, 0, db_event::kDone);
    return decoded ? FindProfile(qxid) : nullptr;
}
