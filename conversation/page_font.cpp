#include "conversation/page_font.h"

#include <algorithm>

#include <QFont>
#include <QFontMetrics>
#include <QString>
#include <QStringList>

namespace {

const QFontMetrics& PageMetrics() {
    static const QFontMetrics metrics = [] {
        QFont font;
        font.setFamilies(
            QStringList{QString::fromLatin1(kPageTextFamily), QStringLiteral("DejaVu Sans")});
        font.setPixelSize(kPageTextPixels);
        font.setHintingPreference(QFont::PreferNoHinting);
        return QFontMetrics(font);
    }();
    return metrics;
}

// Texts are measured in pieces of this many UTF-16 units, cut between characters.
constexpr qsizetype kPiece = 4096;

}  // namespace

int PageTextWidth(std::string_view text, int enough) {
    const QString whole = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const QFontMetrics& metrics = PageMetrics();
    int width = 0;
    qsizetype at = 0;
    while (at < whole.size() && width < enough) {
        qsizetype length = std::min(kPiece, whole.size() - at);
        if (at + length < whole.size() && whole.at(at + length - 1).isHighSurrogate()) --length;
        width += metrics.horizontalAdvance(whole.mid(at, length));
        at += length;
    }
    return width;
}

std::string FitJobLine(const std::string& province, const std::string& company,
                       const std::string& salary, int room) {
    const std::string full = province + " " + company + " " + salary;
    if (PageTextWidth(full, room + 1) <= room) return full;
    const std::string tail = " " + salary;
    const int headRoom = room - PageTextWidth(tail, room + 1);
    const QString head = QString::fromStdString(province + " " + company);
    const auto startWidth = [&](qsizetype n) {
        const QString candidate = head.left(n) + QStringLiteral("...");
        return PageTextWidth(candidate.toStdString(), headRoom + 1);
    };
    // Widths grow with the number of characters kept, so the first start that is too wide is
    // found by bisection; a cut never falls inside a surrogate pair.
    if (startWidth(head.size()) <= headRoom) return head.toStdString() + tail;
    qsizetype fits = 0;  // the start of this length was not found too wide
    qsizetype tooWide = head.size();
    while (tooWide - fits > 1) {
        const qsizetype middle = fits + (tooWide - fits) / 2;
        if (startWidth(middle) > headRoom) {
            tooWide = middle;
        } else {
            fits = middle;
        }
    }
    qsizetype kept = tooWide - 1;
    if (kept > 0 && head.at(kept - 1).isHighSurrogate()) --kept;
    return (head.left(kept) + QStringLiteral("...")).toStdString() + tail;
}
