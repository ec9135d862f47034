#pragma once
// What the contact picker offers and what the user ticked: the first-degree contacts in the
// contact list's order (by the first letter of their pinyin key, others after "Z"), less the
// members of the conversation being extended; the search over them; the people ticked, in the
// order they were ticked; and where the strip of ticked people starts. Entries are copied from
// the stores when built, so a paint or a keystroke never goes back to them.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui/contacts/contact_entries.h"

class PickerCandidates {
  public:
    // How many ticked people the strip shows at once.
    static constexpr int kStripShown = 5;

    // Builds the candidates; `conversationId` above 0 leaves out that conversation's members.
    void Build(std::int32_t conversationId);

    // The entries shown: every candidate, or the results of the search in progress.
    int ShownCount() const { return static_cast<int>(Shown().size()); }
    const ContactListEntry* ShownAt(int row) const;
    int CandidateCount() const { return static_cast<int>(entries_.size()); }

    // A non-empty text shows the candidates whose name, career, whole pinyin or initials hold it
    // (Latin letters compared without regard to case); an empty one shows all of them again.
    void Search(std::string_view typed);
    bool Searching() const { return searching_; }
    const std::string& SearchText() const { return searchText_; }

    // Ticks or unticks the candidate with this user qxid. False when there is none.
    bool Toggle(const std::string& qxid);
    bool IsSelected(const std::string& qxid) const;
    // The ticked people's qxids, in the order they were ticked.
    const std::vector<std::string>& Selected() const { return selected_; }
    const ContactListEntry* Find(const std::string& qxid) const;

    // The strip: the index of the first ticked person shown, and the arrows' moves.
    int StripOffset() const { return stripOffset_; }
    bool CanScrollBack() const { return stripOffset_ > 0; }
    bool CanScrollOn() const {
        return stripOffset_ + kStripShown < static_cast<int>(selected_.size());
    }
    void ScrollBack();
    void ScrollOn();

  private:
    const std::vector<int>& Shown() const { return searching_ ? results_ : all_; }

    std::vector<ContactListEntry> entries_;
    std::vector<int> all_;
    std::vector<int> results_;
    std::vector<std::string> selected_;
    std::string searchText_;
    bool searching_ = false;
    int stripOffset_ = 0;
};
