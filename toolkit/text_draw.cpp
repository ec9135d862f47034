#include "toolkit/text_draw.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>
#include <cmath>

#include "toolkit/win_defs.h"

int TextWidth(const QFont& font, const QString& text) {
    return QFontMetrics(font).horizontalAdvance(text);
}

int TextLineHeight(const QFont& font) {
    return QFontMetrics(font).height();
}

bool TextIsCut(const QFont& font, const QString& text, int width) {
    return TextWidth(font, text) > width;
}

namespace {

void DrawOneLine(QPainter& dc, const QString& text, const QRect& rect, unsigned format,
                 const QFontMetrics& metrics) {
    QString shown = text;
    if ((format & DT_END_ELLIPSIS) && metrics.horizontalAdvance(text) > rect.width()) {
        shown = metrics.elidedText(text, Qt::ElideRight, std::max(0, rect.width()));
    }
    const int width = metrics.horizontalAdvance(shown);
    int x = rect.left();
    if (format & DT_CENTER) {
        x = rect.left() + (rect.width() - width) / 2;
    } else if (format & DT_RIGHT) {
        x = rect.left() + rect.width() - width;
    }
    int top = rect.top();
    if (format & DT_VCENTER) {
        top = rect.top() + (rect.height() - metrics.height()) / 2;
    } else if (format & DT_BOTTOM) {
        top = rect.top() + rect.height() - metrics.height();
    }
    dc.drawText(QPoint(x, top + metrics.ascent()), shown);
}

void DrawWrapped(QPainter& dc, const QString& text, const QRect& rect, unsigned format,
                 const QFont& font) {
    const QFontMetrics metrics(font);
    const int lineHeight = metrics.height();
    const int maxLines = lineHeight > 0 ? std::max(1, rect.height() / lineHeight) : 1;
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    int y = rect.top();
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
        DrawOneLine(dc, piece, QRect(rect.left(), y, rect.width(), lineHeight),
                    format & (DT_CENTER | DT_RIGHT), metrics);
        y += lineHeight;
    }
    layout.endLayout();
}

}  // namespace

void DrawTextInRect(QPainter& dc, const QString& text, const QRect& rect, unsigned format,
                    const QFont& font, const QColor& colour) {
    if (text.isEmpty() || rect.width() <= 0 || rect.height() <= 0) return;
    dc.setFont(font);
    dc.setPen(colour);
    if (format & DT_WORDBREAK) {
        DrawWrapped(dc, text, rect, format, font);
    } else {
        DrawOneLine(dc, text, rect, format, QFontMetrics(font));
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
