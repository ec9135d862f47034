#include "ui/profile/profile_sections.h"

#include <QFontMetrics>
#include <algorithm>

#include "toolkit/elements/text_draw.h"
#include "toolkit/skin/skin_fonts.h"
#include "ui/profile/profile_style.h"

namespace ps = profile_style;

namespace {

constexpr std::int32_t kTimelineProfileLine = 300001;
constexpr char kStatementPrefix[] = "求职宣言:";
constexpr std::int32_t kBackgroundWork = 1;
constexpr std::int32_t kBackgroundStudy = 2;

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

QString OrUnfilled(const std::string& text) {
    return text.empty() ? QString::fromUtf8(kUnfilled) : Text(text);
}

ProfileSection TitleSection(const char* title) {
    ProfileSection section;
    section.kind = SectionKind::Title;
    section.height = ps::kTitleSectionHeight;
    section.title = QString::fromUtf8(title);
    return section;
}

int ChipWidth(const ProfileChip& chip) {
    const int text =
        std::min(TextWidth(TextFont(ps::kChipTextPixels), chip.text), ps::kChipMostText);
    return text + ChipCountWidth(chip) + 2 * ps::kChipPadding;
}

// Rows of chips, each as wide as the row allows, at most three rows.
void AddChipRows(std::vector<ProfileSection>& out, const std::vector<ProfileChip>& chips) {
    ProfileSection row;
    row.kind = SectionKind::Tags;
    row.height = ps::kTagRowHeight;
    int width = 0;
    int rows = 0;
    for (const ProfileChip& chip : chips) {
        const int chipWidth = ChipWidth(chip);
        const int wanted = row.chips.empty() ? chipWidth : width + ps::kChipGap + chipWidth;
        if (!row.chips.empty() && wanted > ps::kChipRowWidth) {
            out.push_back(row);
            if (++rows == ps::kMostChipRows) return;
            row.chips.clear();
            width = chipWidth;
        } else {
            width = wanted;
        }
        row.chips.push_back(chip);
    }
    if (!row.chips.empty()) out.push_back(row);
}

ProfileSection ValuesSection(QString heading, std::vector<std::pair<QString, QString>> values) {
    ProfileSection section;
    section.kind = SectionKind::Values;
    section.title = std::move(heading);
    section.values = std::move(values);
    const int count = static_cast<int>(section.values.size());
    section.height =
        count < 2 ? ps::kSmallGroupHeight : ps::kLineStep * count + ps::kGroupBaseHeight;
    return section;
}

ProfileSection ParagraphSection(const QString& text) {
    ProfileSection section;
    section.kind = SectionKind::Paragraph;
    const QFontMetrics metrics(TextFont(ps::kValuePixels));
    QString line;
    for (const QChar ch : text) {
        if (ch == QLatin1Char('\n')) {
            section.lines << line;
            line.clear();
            continue;
        }
        if (!line.isEmpty() && metrics.horizontalAdvance(line + ch) > ps::kParagraphWidth) {
            section.lines << line;
            line.clear();
        }
        line += ch;
    }
    if (!line.isEmpty() || section.lines.isEmpty()) section.lines << line;
    section.height =
        ps::kLineStep * static_cast<int>(section.lines.size()) + ps::kParagraphBaseHeight;
    return section;
}

const KeyValueItem* FindItem(const std::vector<KeyValueItem>& items, const char* key) {
    for (const KeyValueItem& item : items)
        if (item.k == key) return &item;
    return nullptr;
}

std::string ValueOf(const TalentRecord& talent, const char* key) {
    for (const auto* area : {&talent.attitude, &talent.career, &talent.personal}) {
        if (const KeyValueItem* item = FindItem(*area, key)) return item->v;
    }
    return std::string();
}

void AddBackground(std::vector<ProfileSection>& out, const ProfileRecord& profile) {
    if (profile.background.empty()) return;
    out.push_back(TitleSection("背景"));
    for (const BackgroundEntry& entry : profile.background) {
        std::vector<std::pair<QString, QString>> values;
        const QString period = PeriodText(entry.start, entry.end);
        if (entry.type == kBackgroundStudy) {
            values.emplace_back(QStringLiteral("学校"), OrUnfilled(entry.school));
            values.emplace_back(QStringLiteral("专业"), OrUnfilled(entry.department));
            values.emplace_back(QStringLiteral("时间"), period);
        } else {
            values.emplace_back(QStringLiteral("公司"), OrUnfilled(entry.company));
            values.emplace_back(QStringLiteral("职位"), OrUnfilled(entry.position));
            values.emplace_back(QStringLiteral("时间"), period);
            if (!entry.description.empty())
                values.emplace_back(QStringLiteral("描述"), Text(entry.description));
        }
        const QString heading = entry.k.empty()
                                    ? (entry.type == kBackgroundWork ? QStringLiteral("工作经历")
                                                                     : QStringLiteral("教育经历"))
                                    : Text(entry.k);
        out.push_back(ValuesSection(heading, std::move(values)));
    }
}

void AddTalent(std::vector<ProfileSection>& out, const TalentRecord& talent) {
    std::vector<ProfileChip> chips;
    for (const QString& skill :
         Text(ValueOf(talent, "技能")).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        chips.push_back(ProfileChip{skill.trimmed(), 0});
    }
    if (!chips.empty()) {
        out.push_back(TitleSection("技能标签"));
        AddChipRows(out, chips);
    }
    std::vector<std::pair<QString, QString>> values;
    values.emplace_back(QStringLiteral("公司"), OrUnfilled(ValueOf(talent, "所属公司")));
    for (const char* key : {"工作地点", "工作经验", "技能", "学历", "求职心态"})
        values.emplace_back(QString::fromUtf8(key), OrUnfilled(ValueOf(talent, key)));
    out.push_back(ValuesSection(QStringLiteral("求职信息"), std::move(values)));
}

}  // namespace

FriendDegree DegreeOf(const UserRecord& user) {
    return static_cast<FriendDegree>(std::clamp(user.dist, 0, 3));
}

bool DetailsHidden(const UserRecord& user, bool hasPendingRequest) {
    // A job seeker's card is there to be read by people who do not know them.
    return DegreeOf(user) == FriendDegree::Third && !hasPendingRequest && !user.anonym;
}

ContactTexts ContactTextsOf(const UserRecord& user, const ProfileRecord* profile) {
    ContactTexts texts;
    if (DegreeOf(user) > FriendDegree::First) {
        texts.mobile = texts.email = texts.qq = QString::fromUtf8(kContactsHidden);
        texts.hidden = true;
        return texts;
    }
    if (!profile) return texts;
    for (const ContactEntry& entry : profile->contacts) {
        const QString label = Text(entry.k);
        if (label.startsWith(QStringLiteral("手机"))) {
            texts.mobile = Text(entry.v);
        } else if (label.compare(QStringLiteral("邮箱"), Qt::CaseInsensitive) == 0) {
            texts.email = Text(entry.v);
        } else if (label.compare(QStringLiteral("QQ"), Qt::CaseInsensitive) == 0) {
            texts.qq = Text(entry.v);
        }
    }
    return texts;
}

CardButton FirstCardButton(const UserRecord& user, const ProfileRecord* profile,
                           bool hasPendingRequest, bool requested) {
    const bool feedback = user.qxid == kFeedbackQxid;
    switch (DegreeOf(user)) {
        case FriendDegree::Self:
            return CardButton{CardAction::EditOwn, QStringLiteral("更新个人信息"), true};
        case FriendDegree::First:
            return CardButton{CardAction::Break, QStringLiteral("解除好友关系"), !feedback};
        case FriendDegree::Second:
        case FriendDegree::Third:
            break;
    }
    if (requested) return CardButton{CardAction::Requested, QStringLiteral("已申请"), false};
    const QString add = QStringLiteral("加好友");
    const bool ownCaption =
        profile && !profile->button_text.empty() && !DetailsHidden(user, hasPendingRequest);
    QString caption = ownCaption ? Text(profile->button_text) : add;
    if (caption == add && hasPendingRequest)
        return CardButton{CardAction::Accept, QStringLiteral("通过申请"), !feedback};
    if (caption == QStringLiteral("已申请"))
        return CardButton{CardAction::Requested, caption, false};
    return CardButton{CardAction::Add, caption, !feedback};
}

QString StatementOf(const ProfileRecord* profile, const TalentRecord* talent) {
    const std::string prefix = kStatementPrefix;
    if (profile) {
        for (const KeyValueItem& item : profile->timeline) {
            if (item.v.rfind(prefix, 0) == 0) return Text(item.v.substr(prefix.size())).trimmed();
        }
    }
    if (talent) return Text(ValueOf(*talent, "求职宣言")).trimmed();
    return QString();
}

QString PeriodText(int start, int end) {
    if (start <= 0) return QString::fromUtf8(kUnfilled);
    if (end <= 0) return QStringLiteral("%1- 至今").arg(start);
    return QStringLiteral("%1-%2").arg(start).arg(end);
}

std::vector<ProfileSection> BuildSections(const UserRecord& user, const ProfileRecord* profile,
                                          const TalentRecord* talent, bool expanded) {
    std::vector<ProfileSection> out;
    ProfileSection card;
    card.kind = SectionKind::Card;
    card.height = ps::kCardHeight;
    out.push_back(card);
    if (!expanded) return out;
    if (user.anonym && talent) {
        AddTalent(out, *talent);
    } else if (profile && !profile->tags.empty()) {
        out.push_back(TitleSection("个人标签"));
        std::vector<ProfileChip> chips;
        for (const TagItem& tag : profile->tags)
            chips.push_back(ProfileChip{Text(tag.text), tag.n});
        AddChipRows(out, chips);
    }
    const QString statement = StatementOf(profile, talent);
    if (!statement.isEmpty()) {
        out.push_back(TitleSection("求职宣言"));
        out.push_back(ParagraphSection(statement));
    }
    if (profile && !user.anonym) AddBackground(out, *profile);
    return out;
}

int ExtraHeightOf(const std::vector<ProfileSection>& sections) {
    int total = 0;
    for (const ProfileSection& section : sections)
        total += section.height;
    return std::clamp(total - ps::kCardHeight, 0, ps::kMostExtraHeight);
}

int ChipCountWidth(const ProfileChip& chip) {
    if (chip.count <= 0) return 0;
    return ps::kChipCountGap +
           TextWidth(TextFont(ps::kChipCountPixels), QString::number(chip.count));
}

QString ProfileLineOf(const ProfileRecord* profile) {
    if (!profile) return QString();
    QString line;
    for (const KeyValueItem& item : profile->timeline) {
        if (item.type == kTimelineProfileLine)
            line = Text(item.k) + QLatin1Char(' ') + Text(item.v);
    }
    return line;
}
