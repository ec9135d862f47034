#pragma once
// Text in rectangles with the text formats of the windows (DT_ flags of toolkit/window/win_defs.h):
// one line with an ellipsis at the end, or word-wrapped lines whose last one ends in an ellipsis
// when the text does not fit.

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

class QPainter;

// The width of one line of text.
int TextWidth(const QFont& font, const QString& text);
// The height of one line (ascent plus descent).
int TextLineHeight(const QFont& font);
// True when one line of `text` does not fit in `width` and is drawn with an ellipsis.
bool TextIsCut(const QFont& font, const QString& text, int width);

// Draws `text` in `rect`. Without DT_WORDBREAK the text is one line (as with DT_SINGLELINE),
// aligned by DT_CENTER / DT_RIGHT and DT_VCENTER / DT_BOTTOM, cut with an ellipsis when
// DT_END_ELLIPSIS is set. With DT_WORDBREAK the lines wrap at word (or CJK character) boundaries
// and as many as fit are drawn from the top.
void DrawTextInRect(QPainter& dc, const QString& text, const QRect& rect, unsigned format,
                    const QFont& font, const QColor& colour);

// One line with its top-left corner at `topLeft`, in the pen's colour.
void DrawTextLine(QPainter& dc, const QString& text, QPoint topLeft, const QFont& font);

// Lines of word-wrapped text at `width`, at most `maxLines` (0: all).
int WrappedLineCount(const QFont& font, const QString& text, int width, int maxLines = 0);
