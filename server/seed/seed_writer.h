#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "server/store/job_repo.h"
#include "server/store/message_repo.h"
#include "server/store/store.h"
#include "server/store/task_repo.h"
#include "server/store/user_repo.h"

namespace lumeno::server {

// Builds seed data through the same tables the service uses. Times are given in minutes before
// the moment the writer was made; messages are queued and stored oldest first by Flush(), so
// that message ids follow their times as they do for live messages. Must be used under the
// store lock, inside a transaction.
class SeedWriter {
  public:
    explicit SeedWriter(Store& store);

    Store& store() { return store_; }
    std::int64_t At(int minutes_ago) const { return start_ - std::int64_t{minutes_ago} * 60; }

    // Stores the person with a generated avatar (anonymous people keep their picture number);
    // a password lets them sign in. `shared_avatar` > 0 reuses one of a small set of pictures.
    std::int64_t Person(UserRow person, const std::string& password = {}, int shared_avatar = 0);
    void Friends(std::int64_t a, std::int64_t b, int level = 1);

    std::int64_t Direct(std::int64_t a, std::int64_t b, int minutes_ago);
    std::int64_t Group(std::int64_t creator, const std::string& name,
                       const std::vector<std::int64_t>& members, int minutes_ago,
                       bool restricted = false);
    // A conversation in which `anonymous` writes under an anonymous identity.
    std::int64_t Anonymous(std::int64_t user, std::int64_t anonymous, int minutes_ago);

    void Text(std::int64_t mid, std::int64_t sender, int minutes_ago, const std::string& text,
              const std::string& atuids = {}, int anonym = 0);
    void Picture(std::int64_t mid, std::int64_t sender, int minutes_ago, std::uint32_t seed);
    void Voice(std::int64_t mid, std::int64_t sender, int minutes_ago, int seconds);
    void Card(std::int64_t mid, std::int64_t sender, int minutes_ago, std::int64_t card_user);
    void JobMessage(std::int64_t mid, std::int64_t sender, int minutes_ago, std::int64_t jid,
                    int type = kJobMessage);
    void Resume(std::int64_t mid, std::int64_t sender, int minutes_ago, std::int64_t owner);
    void Notice(std::int64_t mid, std::int64_t actor, int minutes_ago, const std::string& text);
    // Stores the queued messages, oldest first.
    void Flush();

    // Marks everything but the newest `unread` messages of others as read by the user.
    void LeaveUnread(std::int64_t mid, std::int64_t user, int unread);
    // The user removed the conversation from their list.
    void Delete(std::int64_t mid, std::int64_t user);

    std::int64_t Job(JobRow job);
    std::int64_t Task(TaskRow task, int minutes_ago);

  private:
    std::string PictureFile(std::uint32_t seed);
    std::string VoiceFile(int seconds);
    void Queue(MessageRow row, int minutes_ago);

    Store& store_;
    std::int64_t start_;
    std::vector<MessageRow> queue_;
    int picture_count_ = 0;
    int voice_count_ = 0;
};

}  // namespace lumeno::server
