#pragma once
// Changes this client made to a conversation's name or people (a rename, members added or
// removed), against synchronisation answers that may have been computed before them.
//
// Answers come one after another from the synchronisation flow, which asks for the next one only
// after the previous one was merged. So an answer whose previous answer was merged before a change
// was asked for after the change and is at least as new; any other answer may be older and must
// not undo the change. Every change asks for one more pass, which brings the service's state
// after it. UI thread.

#include <cstdint>

// Notes that the conversation's name or people were changed here just now.
void NoteConversationChange(std::int32_t id);
// Forgets the noted changes (signing out).
void ForgetConversationChanges();

// The merge of one synchronisation answer, from before its first conversation is stored until
// after its last.
class SyncAnswerMerge {
  public:
    SyncAnswerMerge();
    ~SyncAnswerMerge();
    SyncAnswerMerge(const SyncAnswerMerge&) = delete;
    SyncAnswerMerge& operator=(const SyncAnswerMerge&) = delete;

    // True when the conversation was changed here after the previous merge ended: this answer
    // may have been computed before the change.
    bool MayPredateChange(std::int32_t id) const;

  private:
    std::uint64_t previousEnd_;
};
