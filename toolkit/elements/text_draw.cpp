#include "toolkit/elements/text_draw.h"

#include <QFontMetrics>
#include <QHash>
#include <QPainter>
#include <QStaticText>
#include <QTextLayout>
#include <cmath>
#include <vector>

#include "toolkit/window/win_defs.h"

namespace {

// Drawing code runs on every paint and lays out the same lines each time; shaped lines, their
// widths and their cut forms are kept. The cache forgets everything when it grows large.
struct ShapedLine {
    QStaticText text;
    int width = 0;
};
constexpr qsizetype kMaxCachedLines = 4096;

// The caches are kept per font. Drawing code hands the same few font objects from the skin's
// tables over and over: the font's key (a string built field by field) is worked out once per
// font object and found again by comparing fonts, which stops at their shared data.
// The lines word-wrapped text breaks into at a size, laid out once and kept.
struct WrappedLines {
    std::vector<QString> pieces;
};
// A line of text already drawn in one colour at one device scale: painting it again is one
// blend of a small picture instead of one per glyph.
struct SpriteKey {
    QString text;
    QRgb colour = 0;
    int scale = 100;  // percent
    bool operator==(const SpriteKey&) const = default;
};
size_t qHash(const SpriteKey& key, size_t seed = 0) {
    return qHashMulti(seed, key.text, key.colour, key.scale);
}
struct FontLines {
    QHash<QString, ShapedLine> shaped;
    QHash<QString, QString> cut;           // text + width
    QHash<QString, WrappedLines> wrapped;  // text + size + format
    int lineHeight = -1;
    QHash<SpriteKey, QImage> sprites;
};
struct KnownFont {
    QFont font;
    FontLines* lines = nullptr;
};

FontLines& LinesOf(const QFont& font) {
    static auto* known = new std::vector<KnownFont>;
    static auto* byKey = new QHash<QString, FontLines*>;
    static std::size_t next = 0;
    constexpr std::size_t kRecentFonts = 16;
    for (KnownFont& entry : *known) {
        if (entry.font == font) return *entry.lines;
    }
    const QString key = font.key();
    FontLines*& lines = (*byKey)[key];
    if (!lines) lines = new FontLines;
    if (known->size() < kRecentFonts) {
        known->push_back({font, lines});
    } else {
        (*known)[next] = {font, lines};
        next = (next + 1) % kRecentFonts;
    }
    return *lines;
}

const ShapedLine& Shaped(const QString& text, const QFont& font, FontLines& fontLines) {
    QHash<QString, ShapedLine>& lines = fontLines.shaped;
    auto found = lines.constFind(text);
    if (found != lines.constEnd()) return *found;
    if (lines.size() >= kMaxCachedLines) lines.clear();
    ShapedLine line;
    line.text.setText(text);
    line.text.setTextFormat(Qt::PlainText);
    line.text.setPerformanceHint(QStaticText::AggressiveCaching);
    line.text.prepare(QTransform(), font);
    line.width = QFontMetrics(font).horizontalAdvance(text);
    return *lines.insert(text, line);
}

const ShapedLine& Shaped(const QString& text, const QFont& font) {
    return Shaped(text, font, LinesOf(font));
}

// The line cut with an ellipsis to fit `width`, or the line itself when it fits.
QString CutToFit(const QString& text, const QFont& font, int width) {
    FontLines& fontLines = LinesOf(font);
    if (Shaped(text, font, fontLines).width <= width) return text;
    QHash<QString, QString>& cuts = fontLines.cut;
    const QString key = text + QChar(0x1F) + QString::number(width);
    auto found = cuts.constFind(key);
    if (found != cuts.constEnd()) return *found;
    if (cuts.size() >= kMaxCachedLines) cuts.clear();
    return *cuts.insert(key,
                        QFontMetrics(font).elidedText(text, Qt::ElideRight, std::max(0, width)));
}

}  // namespace

int TextWidth(const QFont& font, const QString& text) {
    return Shaped(text, font).width;
}

int TextLineHeight(const QFont& font) {
    FontLines& lines = LinesOf(font);
    if (lines.lineHeight < 0) lines.lineHeight = QFontMetrics(font).height();
    return lines.lineHeight;
}

bool TextIsCut(const QFont& font, const QString& text, int width) {
    return TextWidth(font, text) > width;
}

namespace {

// Room around a sprite's line for glyphs that reach past their advance.
constexpr int kSpritePad = 2;
constexpr qsizetype kMaxSprites = 1024;

// Draws a shaped line in `colour`. Where the line lands on whole device pixels with no
// rotation, it is drawn from its sprite (made on first use); elsewhere glyph by glyph.
void DrawShaped(QPainter& dc, QPoint topLeft, const QString& text, const QFont& font,
                FontLines& lines, const QColor& colour) {
    const ShapedLine& shaped = Shaped(text, font, lines);
    const QTransform transform = dc.deviceTransform();
    const QPoint corner = topLeft - QPoint(kSpritePad, kSpritePad);
    const QPointF device = transform.map(QPointF(corner));
    const bool aligned = transform.type() <= QTransform::TxScale &&
                         transform.m11() == transform.m22() && transform.m11() > 0 &&
                         qFuzzyCompare(device.x() + 1, std::round(device.x()) + 1) &&
                         qFuzzyCompare(device.y() + 1, std::round(device.y()) + 1);
    if (!aligned || shaped.width <= 0) {
        dc.setFont(font);
        dc.setPen(colour);
        dc.drawStaticText(topLeft, shaped.text);
        return;
    }
    const qreal scale = transform.m11();
    const SpriteKey key{text, colour.rgba(), qRound(scale * 100)};
    auto found = lines.sprites.constFind(key);
    if (found == lines.sprites.constEnd()) {
        if (lines.sprites.size() >= kMaxSprites) lines.sprites.clear();
        if (lines.lineHeight < 0) lines.lineHeight = QFontMetrics(font).height();
        const QSizeF size(shaped.width + 2 * kSpritePad, lines.lineHeight + 2 * kSpritePad);
        QImage sprite((size * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
        sprite.setDevicePixelRatio(scale);
        sprite.fill(Qt::transparent);
        QPainter painter(&sprite);
        painter.setFont(font);
        painter.setPen(colour);
        painter.drawStaticText(QPoint(kSpritePad, kSpritePad), shaped.text);
        painter.end();
        found = lines.sprites.insert(key, sprite);
    }
    dc.drawImage(corner, *found);
}

}  // namespace

void DrawTextLine(QPainter& dc, const QString& text, QPoint topLeft, const QFont& font) {
    DrawShaped(dc, topLeft, text, font, LinesOf(font), dc.pen().color());
}

namespace {

void DrawOneLine(QPainter& dc, const QString& text, const QRect& rect, unsigned format,
                 const QFont& font, FontLines& lines, const QColor& colour) {
    const QString shown = (format & DT_END_ELLIPSIS) ? CutToFit(text, font, rect.width()) : text;
    const int width = Shaped(shown, font, lines).width;
    if (lines.lineHeight < 0) lines.lineHeight = QFontMetrics(font).height();
    const int lineHeight = lines.lineHeight;
    int x = rect.left();
    if (format & DT_CENTER) {
        x = rect.left() + (rect.width() - width) / 2;
    } else if (format & DT_RIGHT) {
        x = rect.left() + rect.width() - width;
    }
    int top = rect.top();
    if (format & DT_VCENTER) {
        top = rect.top() + (rect.height() - lineHeight) / 2;
    } else if (format & DT_BOTTOM) {
        top = rect.top() + rect.height() - lineHeight;
    }
    DrawShaped(dc, QPoint(x, top), shown, font, lines, colour);
}

const WrappedLines& Wrapped(const QString& text, const QRect& rect, unsigned format,
                            const QFont& font, const QFontMetrics& metrics) {
    QHash<QString, WrappedLines>* cache = &LinesOf(font).wrapped;
    const QString key = QString::number(rect.width()) + QChar(0x1F) +
                        QString::number(rect.height()) + QChar(0x1F) + QString::number(format) +
                        QChar(0x1F) + text;
    auto found = cache->constFind(key);
    if (found != cache->constEnd()) return *found;
    if (cache->size() >= kMaxCachedLines) cache->clear();
    WrappedLines wrapped;
    const int lineHeight = metrics.height();
    const int maxLines = lineHeight > 0 ? std::max(1, rect.height() / lineHeight) : 1;
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (int index = 0; index < maxLines; ++index) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) break;
        line.setLineWidth(rect.width());
        const bool last = index == maxLines - 1;
        QString piece = text.mid(line.textStart(), line.textLength());
        const bool more = line.textStart() + line.textLength() < text.size();
        if (last && more && (format & DT_END_ELLIPSIS)) {
            // The last line that fits carries the rest of the text, cut with an ellipsis.
            piece = metrics.elidedText(text.mid(line.textStart()), Qt::ElideRight, rect.width());
        }
        while (piece.endsWith(u'\n') || piece.endsWith(u'\r'))
            piece.chop(1);
        wrapped.pieces.push_back(piece);
    }
    layout.endLayout();
    return *cache->insert(key, std::move(wrapped));
}

void DrawWrapped(QPainter& dc, const QString& text, const QRect& rect, unsigned format,
                 const QFont& font, FontLines& lines, const QColor& colour) {
    const QFontMetrics metrics(font);
    const int lineHeight = metrics.height();
    int y = rect.top();
    for (const QString& piece : Wrapped(text, rect, format, font, metrics).pieces) {
        DrawOneLine(dc, piece, QRect(rect.left(), y, rect.width(), lineHeight),
                    format & (DT_CENTER | DT_RIGHT), font, lines, colour);
        y += lineHeight;
    }
}

}  // namespace

void DrawTextInRect(QPainter& dc, const QString& text, const QRect& rect, unsigned format,
                    const QFont& font, const QColor& colour) {
    if (text.isEmpty() || rect.width() <= 0 || rect.height() <= 0) return;
    FontLines& lines = LinesOf(font);
    if (format & DT_WORDBREAK) {
        DrawWrapped(dc, text, rect, format, font, lines, colour);
    } else {
        DrawOneLine(dc, text, rect, format, font, lines, colour);
    }
}

int WrappedLineCount(const QFont& font, const QString& text, int width, int maxLines) {
    if (text.isEmpty() || width <= 0) return 0;
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    int count = 0;
    while (maxLines == 0 || count < maxLines) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) break;
        line.setLineWidth(width);
        ++count;
    }
    layout.endLayout();
    return count;
}
