#pragma once
// The service's objects as the client keeps them: users, conversations, messages and what
// messages carry, the top of a synchronisation answer, and an account's sign-in data. Field names
// follow the service's member names. Users are keyed by their text qxid; conversation ids (mid)
// and message ids (did) are 32-bit.

#include <cstdint>
#include <string>
#include <vector>

struct UserRecord {
    std::int32_t anonym = 0;
    std::int32_t is_realname = 1;
    std::int32_t contact = 0;  // a first-degree contact (dist 1 and utype 1)
    std::int32_t utype = 0;
    std::int32_t id = 0;
    std::int32_t dist = 0;
    std::int32_t rank = 0;
    std::int32_t in_app = 0;
    std::int32_t cmf = 0;
    std::int32_t judge = 0;
    std::int32_t gender = 0;
    std::int32_t sr = 0;
    std::string py;
    std::string share_url;
    std::string loc;
    std::string sub;
    std::string line4;
    std::string line3;
    std::string line2;
    std::string line1;
    std::string tid;
    std::string qxid;
    std::string name;
    std::string ustr;
    std::string career;
    std::string wbname;
    std::string avatar;
    std::string job_line;
    std::string jsondata;  // kept with the user in the account database
};

struct ConversationRecord {
    std::int32_t me_is_anony = 0;
    std::int32_t peer_judge = 0;
    std::int32_t notify = 1;
    std::int32_t last_read_did = 0;
    std::int32_t status_timestamp = 0;
    std::int32_t has_reveal = 0;
    std::int32_t id = 0;
    std::int32_t master_uid = 0;
    std::int32_t type = 0;  // 3: a group
    std::int32_t deleted = 0;
    std::int32_t crtimestamp = 0;
    std::int32_t max_cnt = 0;
    std::int32_t last_dialog_timestamp = 0;
    std::int32_t has_reply = 0;
    std::int32_t badge = 0;
    std::int32_t init_by_me = 0;
    std::int32_t last_dialog_id = 0;  // the largest message id merged into the conversation
    std::int32_t last_dialog_src_uid = 0;
    std::string status_time;
    std::string mhash;
    std::string text;  // summary of the newest message
    std::string last_dialog_time;
    std::string crtime;
    std::string name;
    std::string uids;  // member qxids joined with ","
    std::string display_time;
    std::string group_avatar_file;
    std::string peer_avatar;
    std::vector<std::string> member_ids;
};

// The conversation that holds the pending items.
constexpr std::int32_t kPendingItemsConversationId = 1;
constexpr std::int32_t kGroupConversationType = 3;

struct FileRecord {
    std::int32_t xsize = 0;
    std::int32_t ysize = 0;
    std::int32_t tx = 0;
    std::int32_t ty = 0;
    std::int32_t duration = 0;
    std::string url;
    std::string turl;
    std::string local_path;  // the file to upload when sending
};

struct JobRecord {
    std::int32_t id = 0;
    std::int32_t status = 0;
    std::int32_t dist = 0;
    std::int32_t salary = 0;
    std::int32_t views = 0;
    std::int32_t has_viewed = 0;
    std::string province;
    std::string custom_text;
    std::string sup_text;
    std::string city;
    std::string company;
    std::string user_info;
    std::string qxid;
    std::string position;
    std::string salary_info;
    std::string crtime;
    std::string clogo;
    std::string share_url;
    UserRecord poster;
};

struct ResumeRecord {
    std::int32_t dist = 0;
    std::int32_t work_time = 0;
    std::int32_t id = 0;
    std::string province;
    std::string realname;
    std::string wt;
    std::string wbname;
    std::string avatar;
    std::string position;
    std::string line;
    std::string qxid;
    std::string share_url;
};

struct MessageRecord {
    std::int32_t type = 0;  // 100 to 105 are cards
    std::int32_t is_me = 1;
    std::int32_t unread = 0;
    std::int32_t anonym = 0;
    std::int32_t atme = 0;
    std::int32_t old_id = 0;
    std::int32_t mid = 0;
    std::int32_t file_type = 0;
    std::int32_t uptimestamp = 0;
    std::int32_t crtimestamp = 0;
    std::int32_t file_id = 0;
    std::int32_t id = 0;
    std::int32_t reveal_uid = 0;
    std::int32_t jid = 0;
    std::string reveal_tid;
    std::string msghash;
    std::string crtime;
    std::string qxid;  // the sender
    std::string uptime;
    std::string text;
    std::string tid;
    std::vector<std::string> mentioned_ids;  // when sending
    FileRecord file;
    UserRecord reveal_user;
    JobRecord job;
    ResumeRecord resume_user;
};

struct SyncSummary {
    std::int32_t msg_hasmore = 1;
    std::int32_t dlg_hasmore = 1;
    std::int32_t msg_count = 0;
    std::int32_t nowstamp = 0;
    std::int32_t dlg_count = 0;
    std::int32_t error_code = 0;
    std::string result;
    std::string now = "2000-01-01 10:10:10";
    std::string error_msg;
    std::string error;
};

// One account's sign-in data: the signed-in account, or a remembered one.
struct LoginRecord {
    std::int32_t remember_password = 0;
    std::int32_t auto_sign_in = 0;
    std::int32_t major = 0;
    std::int32_t profession = 0;
    std::int32_t id = 0;
    std::string tid;
    std::string token;
    std::string username;
    std::string wbname;
    std::string avatar;
    std::string anon_avatar = "100";
    std::string id_text;
    std::string addv_url;
    std::string birthday;
    std::string city;
    std::string company;
    std::string custom_text;
    std::string email;
    std::string encoded_qxid;
    std::string qxid;
    std::string mobile;  // a remembered account keeps the typed account name here
    std::string name_desc;
    std::string name_pic;
    std::string position;
    std::string province;
    std::string realname;
    std::string share_url;
    std::string password;  // kept only when a remember flag is set

    void Clear() { *this = LoginRecord{}; }
};
