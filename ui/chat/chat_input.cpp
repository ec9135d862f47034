#include "ui/chat/chat_input.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QKeyEvent>
#include <QMimeData>
#include <QPointer>
#include <QTextBlock>
#include <QTextDocumentFragment>
#include <QTextImageFormat>
#include <QTextLayout>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>

#include "platform/window.h"
#include "ui/chat/pasted_pictures.h"
#include "ui/common/popup_menu.h"
#include "ui/ui_messages.h"

namespace {

constexpr int kEmoticonPixels = 24;
constexpr int kThumbnailPixels = 96;
// What a copy from this box carries besides its text: the serialized selection.
constexpr char kOwnFormat[] = "application/x-lumeno-input";

// A pasted picture is kept as a private file of its own, so that it can be sent like one from
// disk.
QString SavePastedPicture(const QImage& image) {
    QByteArray encoded;
    QBuffer buffer(&encoded);
    if (image.isNull() || !buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
        return {};
    return QString::fromStdString(PastedPictures::Keep(encoded.toStdString(), "png"));
}

// The input boxes that exist, for the question whether one holds a pasted picture.
std::set<const CChatInput*>& Boxes() {
    static std::set<const CChatInput*> boxes;
    return boxes;
}

// True when an input box, or a copy of one this client put on the clipboard, holds the picture.
// Only a clipboard the client owns is read: asking another program's could wait on it.
bool BoxOrClipboardHolds(const std::string& path) {
    const QString picture = QString::fromStdString(path);
    for (const CChatInput* box : Boxes()) {
        for (const QString& held : box->Pictures())
            if (held == picture) return true;
    }
    const QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* copied =
        clipboard && clipboard->ownsClipboard() ? clipboard->mimeData() : nullptr;
    if (!copied || !copied->hasFormat(QString::fromLatin1(kOwnFormat))) return false;
    for (const InputPiece& piece :
         ReadSerialized(copied->data(QString::fromLatin1(kOwnFormat)).toStdString())) {
        if (piece.kind == InputPiece::Kind::kPicture && piece.text == path) return true;
    }
    return false;
}

bool IsPictureFile(const QString& path) {
    return QFileInfo(path).isFile() && !QImageReader::imageFormat(path).isEmpty();
}

}  // namespace

CChatInput::CChatInput(QWidget* parent, HWND owner) : QTextEdit(parent), owner_(owner) {
    Boxes().insert(this);
    PastedPictures::Instance().SetHeldElsewhere(&BoxOrClipboardHolds);
    setAcceptRichText(false);
    setFrameStyle(QFrame::NoFrame);
    setTabChangesFocus(true);
    connect(this, &QTextEdit::textChanged, this, [this] {
        // The box holds at most so many characters: what goes beyond is taken back.
        if (document()->characterCount() - 1 > kMaxCharacters) {
            QTextCursor cursor(document());
            cursor.setPosition(kMaxCharacters);
            cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
        }
        platform::PostMessage(owner_, UM_CHAT_INPUT_CHANGED, 0, 0);
    });
}

CChatInput::~CChatInput() {
    Boxes().erase(this);
}

std::string CChatInput::Serialized() const {
    return SerializeDocument(*document());
}

std::string SerializeDocument(const QTextDocument& document) {
    std::string out;
    bool firstBlock = true;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (!firstBlock) out += "\n";
        firstBlock = false;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid()) continue;
            if (fragment.charFormat().isImageFormat()) {
                const QString path = fragment.charFormat().toImageFormat().name();
                // One object character per picture.
                for (int i = 0; i < fragment.length(); ++i)
                    out += PictureMarker(path.toStdString());
                continue;
            }
            QString text = fragment.text();
            text.replace(QChar::LineSeparator, QLatin1Char('\n'));
            text.replace(QLatin1Char('/'), QStringLiteral("//"));
            out += text.toStdString();
        }
    }
    return out;
}

void CChatInput::InsertPicture(const QString& path, bool emoticon) {
    QImageReader reader(path);
    const QSize size = reader.size();
    if (!size.isValid()) return;
    QTextImageFormat format;
    format.setName(path);
    const int side = emoticon ? kEmoticonPixels : kThumbnailPixels;
    const QSize shown =
        size.scaled(side, side, Qt::KeepAspectRatio).boundedTo(size.expandedTo({1, 1}));
    format.setWidth(emoticon ? kEmoticonPixels : shown.width());
    format.setHeight(emoticon ? kEmoticonPixels : shown.height());
    format.setVerticalAlignment(QTextCharFormat::AlignBottom);
    if (emoticon) emoticons_.insert(path);
    textCursor().insertImage(format);
    setFocus(Qt::OtherFocusReason);
}

std::vector<QString> CChatInput::Pictures() const {
    std::vector<QString> pictures;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (!it.fragment().charFormat().isImageFormat()) continue;
            // The same picture twice in a row is one fragment of two characters.
            const QString name = it.fragment().charFormat().toImageFormat().name();
            for (int i = 0; i < it.fragment().length(); ++i)
                pictures.push_back(name);
        }
    }
    return pictures;
}

bool CChatInput::HoldsPhoto() const {
    for (const QString& picture : Pictures()) {
        if (!emoticons_.count(picture)) return true;
    }
    return false;
}

int CChatInput::LinesAt(int width) const {
    // Asked at every layout and paint of the window: worked out again only when the text or the
    // width changed.
    if (width == lines_.width && document()->revision() == lines_.revision) return lines_.count;
    // Laid out on a copy, at the width without a scroll bar: what the box shows does not change
    // while the question is asked.
    const std::unique_ptr<QTextDocument> copy(document()->clone());
    copy->setDefaultFont(font());
    copy->setTextWidth(std::max(1, width));
    copy->documentLayout()->documentSize();  // the whole text is laid out
    int lines = 0;
    for (QTextBlock block = copy->begin(); block.isValid(); block = block.next())
        lines += block.layout() ? std::max(1, block.layout()->lineCount()) : 1;
    lines_ = {width, document()->revision(), std::max(1, lines)};
    return lines_.count;
}

bool CChatInput::Blank() const {
    return toPlainText().trimmed().isEmpty() && Pictures().empty();
}

void CChatInput::Restore(const std::string& serialized,
                         const std::function<bool(const std::string&)>& emoticon) {
    if (serialized.empty()) return;
    SetSerialized(Blank() ? serialized : serialized + "\n" + Serialized(), emoticon);
    moveCursor(QTextCursor::End);
}

void CChatInput::SetSerialized(const std::string& serialized,
                               const std::function<bool(const std::string&)>& emoticon) {
    clear();
    InsertSerialized(serialized, emoticon);
}

void CChatInput::InsertSerialized(const std::string& serialized,
                                  const std::function<bool(const std::string&)>& emoticon) {
    for (const InputPiece& piece : ReadSerialized(serialized)) {
        if (piece.kind == InputPiece::Kind::kText) {
            textCursor().insertText(QString::fromStdString(piece.text));
            continue;
        }
        std::error_code error;
        if (std::filesystem::is_regular_file(piece.text, error))
            InsertPicture(QString::fromStdString(piece.text), emoticon && emoticon(piece.text));
    }
}

void CChatInput::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        // The owner decides: in the conversation window it closes the conversation.
        event->accept();
        platform::PostMessage(owner_, UM_CHAT_INPUT_ESCAPE, 0, 0);
        return;
    }
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !(event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier))) {
        event->accept();
        platform::PostMessage(owner_, UM_CHAT_INPUT_SEND, 0, 0);
        return;
    }
    if (enter) {
        textCursor().insertText(QStringLiteral("\n"));
        event->accept();
        return;
    }
    QTextEdit::keyPressEvent(event);
}

void CChatInput::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    const bool selection = textCursor().hasSelection();
    const QPoint at = event->globalPos();
    const QPointer<CChatInput> alive(this);
    const int command = TrackPopup(owner_,
                                   {{kCut, QStringLiteral("剪切(&T)"), selection},
                                    {kCopy, QStringLiteral("复制(&C)"), selection},
                                    {kPaste, QStringLiteral("粘贴(&P)"), canPaste()},
                                    {0, QString(), true},
                                    {kSelectAll, QStringLiteral("全部选择(&A)"), true}},
                                   at.x(), at.y());
    if (!alive) return;  // the window went while the menu was open
    switch (command) {
        case kUndo:
            undo();
            break;
        case kCut:
            cut();
            break;
        case kCopy:
            copy();
            break;
        case kPaste:
            paste();
            break;
        case kClear:
            textCursor().removeSelectedText();
            break;
        case kSelectAll:
            selectAll();
            break;
        default:
            break;
    }
}

bool CChatInput::canInsertFromMimeData(const QMimeData* source) const {
    return source->hasImage() || source->hasUrls() || source->hasText();
}

QMimeData* CChatInput::createMimeDataFromSelection() const {
    auto* copied = new QMimeData;
    // Other programs get the text; this box gets its pictures back too.
    QTextDocument selection;
    QTextCursor(&selection).insertFragment(textCursor().selection());
    copied->setData(QString::fromLatin1(kOwnFormat),
                    QByteArray::fromStdString(SerializeDocument(selection)));
    QString text = selection.toPlainText();
    text.remove(QChar::ObjectReplacementCharacter);
    copied->setText(text);
    return copied;
}

void CChatInput::insertFromMimeData(const QMimeData* source) {
    if (source->hasFormat(QString::fromLatin1(kOwnFormat))) {
        const std::string serialized = source->data(QString::fromLatin1(kOwnFormat)).toStdString();
        InsertSerialized(serialized, [this](const std::string& path) {
            return emoticons_.count(QString::fromStdString(path)) > 0;
        });
        return;
    }
    if (source->hasImage()) {
        const QString path = SavePastedPicture(qvariant_cast<QImage>(source->imageData()));
        if (!path.isEmpty()) InsertPicture(path, false);
        return;
    }
    if (source->hasUrls()) {
        bool any = false;
        for (const QUrl& url : source->urls()) {
            if (url.isLocalFile() && IsPictureFile(url.toLocalFile())) {
                InsertPicture(url.toLocalFile(), false);
                any = true;
            }
        }
        if (any) return;
    }
    // Text is the text it is: it never turns into pictures.
    if (source->hasText()) textCursor().insertText(source->text());
}

SerializedParts SplitSerialized(const std::string& serialized,
                                const std::function<std::string(const std::string&)>& codeFor) {
    SerializedParts parts;
    for (const InputPiece& piece : ReadSerialized(serialized)) {
        if (piece.kind == InputPiece::Kind::kText) {
            parts.text += piece.text;
            continue;
        }
        std::error_code error;
        if (!std::filesystem::is_regular_file(piece.text, error)) continue;
        const std::string code = codeFor ? codeFor(piece.text) : std::string();
        if (!code.empty()) {
            parts.text += code;
        } else {
            parts.pictures.push_back(piece.text);
        }
    }
    return parts;
}
