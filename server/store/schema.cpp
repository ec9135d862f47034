#include "server/store/schema.h"

namespace lumeno::server {

void CreateSchema(Database& db) {
    db.Exec(R"SQL(
CREATE TABLE IF NOT EXISTS meta (key TEXT PRIMARY KEY, value INTEGER NOT NULL);

CREATE TABLE IF NOT EXISTS users (
    id INTEGER PRIMARY KEY,
    qxid TEXT NOT NULL UNIQUE,
    tid TEXT NOT NULL DEFAULT '',
    username TEXT UNIQUE,
    mobile TEXT UNIQUE,
    email TEXT NOT NULL DEFAULT '',
    pwd_salt TEXT NOT NULL DEFAULT '',
    pwd_hash TEXT NOT NULL DEFAULT '',
    name TEXT NOT NULL,
    py TEXT NOT NULL DEFAULT '',
    gender INTEGER NOT NULL DEFAULT 0,
    avatar TEXT NOT NULL DEFAULT '',
    anonym INTEGER NOT NULL DEFAULT 0,
    judge INTEGER NOT NULL DEFAULT 0,
    reconly INTEGER NOT NULL DEFAULT 0,
    province TEXT NOT NULL DEFAULT '',
    city TEXT NOT NULL DEFAULT '',
    company TEXT NOT NULL DEFAULT '',
    position TEXT NOT NULL DEFAULT '',
    industry TEXT NOT NULL DEFAULT '',
    birthday TEXT NOT NULL DEFAULT '',
    signature TEXT NOT NULL DEFAULT '',
    school TEXT NOT NULL DEFAULT '',
    major INTEGER NOT NULL DEFAULT 0,
    profession INTEGER NOT NULL DEFAULT 0,
    work_since INTEGER NOT NULL DEFAULT 0,
    education TEXT NOT NULL DEFAULT '',
    salary TEXT NOT NULL DEFAULT '',
    skills TEXT NOT NULL DEFAULT '',
    attitude TEXT NOT NULL DEFAULT '',
    statement TEXT NOT NULL DEFAULT '',
    anon_avatar TEXT NOT NULL DEFAULT '3',
    online INTEGER NOT NULL DEFAULT 0,
    last_seen INTEGER NOT NULL DEFAULT 0,
    tasks_ts INTEGER NOT NULL DEFAULT 0,
    sync_dlg_ts INTEGER NOT NULL DEFAULT 0,
    sync_dlg_id INTEGER NOT NULL DEFAULT 0,
    sync_conv_ts INTEGER NOT NULL DEFAULT 0,
    sync_conv_seq INTEGER NOT NULL DEFAULT 0,
    sync_cursor INTEGER NOT NULL DEFAULT 0,
    synced INTEGER NOT NULL DEFAULT 0
);

CREATE TABLE IF NOT EXISTS tokens (
    token TEXT PRIMARY KEY,
    user_id INTEGER NOT NULL,
    created INTEGER NOT NULL,
    revoked INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX IF NOT EXISTS tokens_by_user ON tokens(user_id);

CREATE TABLE IF NOT EXISTS friends (
    user_id INTEGER NOT NULL,
    friend_id INTEGER NOT NULL,
    level INTEGER NOT NULL DEFAULT 1,
    since INTEGER NOT NULL,
    PRIMARY KEY (user_id, friend_id)
) WITHOUT ROWID;

CREATE TABLE IF NOT EXISTS conversations (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    type INTEGER NOT NULL,
    name TEXT NOT NULL DEFAULT '',
    creator_id INTEGER NOT NULL,
    crtime INTEGER NOT NULL,
    max_cnt INTEGER NOT NULL DEFAULT 2,
    restricted INTEGER NOT NULL DEFAULT 0
);

CREATE TABLE IF NOT EXISTS members (
    mid INTEGER NOT NULL,
    user_id INTEGER NOT NULL,
    position INTEGER NOT NULL,
    joined_did INTEGER NOT NULL DEFAULT 0,
    left_did INTEGER NOT NULL DEFAULT 0,
    deleted INTEGER NOT NULL DEFAULT 0,
    last_read_did INTEGER NOT NULL DEFAULT 0,
    me_is_anony INTEGER NOT NULL DEFAULT 0,
    status_ts INTEGER NOT NULL DEFAULT 0,
    status_seq INTEGER NOT NULL DEFAULT 0,
    read_ts INTEGER NOT NULL DEFAULT 0,
    PRIMARY KEY (mid, user_id)
) WITHOUT ROWID;
CREATE INDEX IF NOT EXISTS members_by_status ON members(user_id, status_ts, status_seq);
CREATE INDEX IF NOT EXISTS members_by_read ON members(user_id, read_ts);

CREATE TABLE IF NOT EXISTS messages (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    mid INTEGER NOT NULL,
    sender_id INTEGER NOT NULL,
    type INTEGER NOT NULL DEFAULT 0,
    text TEXT NOT NULL DEFAULT '',
    msghash TEXT NOT NULL DEFAULT '',
    crtime INTEGER NOT NULL,
    anonym INTEGER NOT NULL DEFAULT 0,
    atuids TEXT NOT NULL DEFAULT '',
    file_type INTEGER NOT NULL DEFAULT 0,
    file_key TEXT NOT NULL DEFAULT '',
    xsize INTEGER NOT NULL DEFAULT 0,
    ysize INTEGER NOT NULL DEFAULT 0,
    duration INTEGER NOT NULL DEFAULT 0,
    ref_user INTEGER NOT NULL DEFAULT 0,
    jid INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX IF NOT EXISTS messages_by_conversation ON messages(mid, id);
CREATE INDEX IF NOT EXISTS messages_by_time ON messages(crtime);
CREATE INDEX IF NOT EXISTS messages_by_hash ON messages(mid, sender_id, msghash) WHERE msghash != '';

CREATE TABLE IF NOT EXISTS audio_played (
    user_id INTEGER NOT NULL,
    did INTEGER NOT NULL,
    PRIMARY KEY (user_id, did)
) WITHOUT ROWID;

CREATE TABLE IF NOT EXISTS jobs (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    poster_id INTEGER NOT NULL,
    position TEXT NOT NULL,
    company TEXT NOT NULL,
    province TEXT NOT NULL DEFAULT '',
    city TEXT NOT NULL DEFAULT '',
    salary INTEGER NOT NULL DEFAULT 0,
    salary_info TEXT NOT NULL DEFAULT '',
    logo_key TEXT NOT NULL DEFAULT '',
    custom_text TEXT NOT NULL DEFAULT '',
    sup_text TEXT NOT NULL DEFAULT '',
    status INTEGER NOT NULL DEFAULT 1,
    views INTEGER NOT NULL DEFAULT 0,
    crtime INTEGER NOT NULL
);

CREATE TABLE IF NOT EXISTS applications (
    user_id INTEGER NOT NULL,
    jid INTEGER NOT NULL,
    crtime INTEGER NOT NULL,
    PRIMARY KEY (user_id, jid)
) WITHOUT ROWID;

CREATE TABLE IF NOT EXISTS tasks (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    owner_id INTEGER NOT NULL,
    type INTEGER NOT NULL,
    from_id INTEGER NOT NULL DEFAULT 0,
    other_id INTEGER NOT NULL DEFAULT 0,
    mid INTEGER NOT NULL DEFAULT 0,
    jid INTEGER NOT NULL DEFAULT 0,
    attach TEXT NOT NULL DEFAULT '',
    level INTEGER NOT NULL DEFAULT 1,
    done INTEGER NOT NULL DEFAULT 0,
    crtime INTEGER NOT NULL,
    updated INTEGER NOT NULL
);
CREATE INDEX IF NOT EXISTS tasks_by_owner ON tasks(owner_id, done, id);

CREATE TABLE IF NOT EXISTS files (
    key TEXT PRIMARY KEY,
    mime TEXT NOT NULL,
    data BLOB NOT NULL
);

-- Conversation id 1 belongs to the clients' pending-items entry; real ids start at 1000.
INSERT INTO sqlite_sequence(name, seq) SELECT 'conversations', 999
    WHERE NOT EXISTS (SELECT 1 FROM sqlite_sequence WHERE name='conversations');
)SQL");
}

}  // namespace lumeno::server
