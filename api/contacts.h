#pragma once
// People: the contact list, the user store kept up to date, profiles and job-seeker cards, and
// the friendship operations of the profile window. UI thread; operations that talk to the service
// take the caller's work flow.

#include <string>
#include <vector>

#include "api/service_errors.h"
#include "storage/profile_records.h"
#include "storage/user_store.h"

class CAsyncWorkFlow;

struct MutualContact {
    std::int32_t cmf = 0;
    std::string qxid;
    std::string career;
    std::string name;
    std::string attach;
    std::string avatar;
    std::string desc;
};

struct TryAddResult {
    std::int32_t midcnt = 0;
    std::int32_t dist = 0;
    std::int32_t reconly = 0;  // not 0: only through a recommendation
    std::string attach;
    std::string result;
    std::string hint;
    std::string hint1;
    std::string hint2;
    std::string hint3;
    std::vector<MutualContact> mutual;
};

// Starts the contact-list refresh unless it runs.
void RefreshContactList();

// Merges decoded users into the user store (the map is left empty). With the contact pass, stored
// first-degree users that this map did not deliver as contacts drop to the second degree. Writes
// the users to the account database.
void MergeUsers(UserMap& users, bool contactPass, CAsyncWorkFlow& flow);

// The stored user; when there is none (and the qxid is not empty or "0") a fetch of the person's
// profile starts unless one runs, so that a later call finds the user.
UserRecord* GetUser(const std::string& qxid);
// The person's avatar address, the signed-in account's own when that is who is asked for.
std::string AvatarAddressOf(const std::string& qxid);

ProfileRecord* FetchUserDetail(ErrorRecord* error, const std::string& qxid, CAsyncWorkFlow& flow);
TalentRecord* FetchTalentDetail(ErrorRecord* error, const std::string& qxid, CAsyncWorkFlow& flow);
ProfileRecord* FindProfile(const std::string& qxid);
TalentRecord* FindTalent(const std::string& qxid);
UserRecord* FindUser(const std::string& qxid);

bool TryAdd(ErrorRecord* error, const std::string& qxid, TryAddResult& result,
            CAsyncWorkFlow& flow);
bool SendFriendRequest(ErrorRecord* error, const std::string& qxid, const std::string& attach,
                       int level, CAsyncWorkFlow& flow);
ProfileRecord* BreakFriendship(const std::string& qxid, ErrorRecord* error, CAsyncWorkFlow& flow);

// Writes one user to the account database and rebuilds the contact index.
void SaveUser(const std::string& qxid);

// Reads a profile answer (card, tags, areas, button) into the person's profile. False when the
// answer is not an object.
bool DecodeProfileAnswer(const std::string& answer, const std::string& qxid);
// Reads a talent answer (card, areas) into the person's talent record, replacing it. False, and
// the stored record left as it was, when the answer is not an object or its result is not "ok".
bool DecodeTalentAnswer(const std::string& answer, const std::string& qxid);
// Reads an accepted try_add answer (its envelope checked) into `result`: the hints and the
// mutual contacts.
void DecodeTryAddAnswer(const Json::Value& root, TryAddResult& result);
