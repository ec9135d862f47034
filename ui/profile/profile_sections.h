#pragma once
// What the profile window shows of a person, worked out from the stored records: the card's
// contact texts and first button, and the sections of the expandable list below the card (tags,
// work and education, the job-seeker's card, the job-seeking statement).

#include <QString>
#include <QStringList>
#include <string>
#include <utility>
#include <vector>

#include "storage/profile_records.h"
#include "storage/user_store.h"

// The kinds of the list's sections; the card is always the first.
enum class SectionKind : int { Title = 0, Tags = 1, Values = 2, Paragraph = 3, Card = 4 };

struct ProfileChip {
    QString text;
    int count = 0;  // endorsements; 0 shows none
};
// The room a chip's count takes after its text (with the gap before it).
int ChipCountWidth(const ProfileChip& chip);

struct ProfileSection {
    SectionKind kind = SectionKind::Card;
    int height = 0;
    QString title;                                    // Title; the heading of a Values group
    std::vector<ProfileChip> chips;                   // Tags: one row
    std::vector<std::pair<QString, QString>> values;  // Values: label and value
    QStringList lines;                                // Paragraph
};

// The three contact rows of the card.
struct ContactTexts {
    QString mobile;
    QString email;
    QString qq;
    // The rows hold the placeholder "加好友可见" (not a friend yet): there is nothing to copy.
    bool hidden = false;
};

// The friendship degree a user's dist stands for.
enum class FriendDegree : int { Self = 0, First = 1, Second = 2, Third = 3 };

// What the card's first button does.
enum class CardAction : int {
    None,       // not drawn
    EditOwn,    // "更新个人信息": the profile-editing page
    Break,      // "解除好友关系"
    Add,        // "加好友" (or the profile's own caption)
    Accept,     // "通过申请": the pending request is answered
    Requested,  // "已申请": nothing more to do
};

struct CardButton {
    CardAction action = CardAction::None;
    QString caption;
    bool enabled = false;
};

inline constexpr char kContactsHidden[] = "加好友可见";
inline constexpr char kUnfilled[] = "待完善";

FriendDegree DegreeOf(const UserRecord& user);
// A user at the third degree shows no details until a pending request names them (a job
// seeker's anonymous card excepted).
bool DetailsHidden(const UserRecord& user, bool hasPendingRequest);

ContactTexts ContactTextsOf(const UserRecord& user, const ProfileRecord* profile);
CardButton FirstCardButton(const UserRecord& user, const ProfileRecord* profile,
                           bool hasPendingRequest, bool requested);

// The card's line from the person's timeline ("共同好友 3位"): the last item of that kind.
QString ProfileLineOf(const ProfileRecord* profile);
// The text after "求职宣言:" of the person's statement, empty when there is none.
QString StatementOf(const ProfileRecord* profile, const TalentRecord* talent);
// "%d-%d", "%d- 至今" for an open end, "待完善" with no start.
QString PeriodText(int start, int end);

// The sections: the card, then (when expanded) the details the records hold. Paragraph lines
// are broken to the width the list gives them.
std::vector<ProfileSection> BuildSections(const UserRecord& user, const ProfileRecord* profile,
                                          const TalentRecord* talent, bool expanded);
// The height the window grows by when expanded: the sections beyond the card, at most 350.
int ExtraHeightOf(const std::vector<ProfileSection>& sections);
