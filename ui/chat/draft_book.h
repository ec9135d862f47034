#pragma once
// What was typed in a conversation and not sent, kept per account: it survives switching tabs,
// closing a conversation and restarting the client. The drafts live in one file of the account's
// own data folder, encrypted with the machine's key, beside (not inside) the account database.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class DraftBook {
  public:
    // The book of an account (read from its file the first time), and of the signed-in one.
    static DraftBook& Of(const std::string& account);
    static DraftBook& Current();
    // Drops every book held in memory; the next use reads the files again (as after a restart).
    static void ForgetLoaded();
    // Every draft of every account of this data folder: the books held in memory (which may be
    // ahead of their files) and those of the other accounts, read from their files.
    static std::vector<std::string> AllDrafts();

    // The serialized input of a conversation, empty when there is none.
    std::string Get(std::int32_t conversationId) const;
    // Keeps it (an empty draft removes the entry) and writes the file when it changed, or when an
    // earlier write failed (a full disk or a read-only folder): the next keep writes it again.
    void Put(std::int32_t conversationId, const std::string& serialized);

    const std::string& FilePath() const { return path_; }

  private:
    explicit DraftBook(std::string path);
    void Load();
    bool Save() const;

    std::string path_;
    std::map<std::int32_t, std::string> drafts_;
    bool unsaved_ = false;  // the file lags behind what is held here
};
