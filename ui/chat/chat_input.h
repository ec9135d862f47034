#pragma once
// The input box of a chat window: text with pictures and emoticon pictures in it, as a person
// writes a message. Enter asks the owner to send, Ctrl+Enter starts a new line; the right button
// offers the edit menu. Pasted text goes
// in as the text it is (never read as markers); pasted or dropped pictures go in as pictures, a
// pasted one kept as a private file (see pasted_pictures.h).
// The owner hears of Enter and of every change by message; no message carries an address.

#include <QTextEdit>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/win_types.h"
#include "ui/chat/input_markers.h"

class CChatInput final : public QTextEdit {
  public:
    static constexpr int kMaxCharacters = 5000;

    CChatInput(QWidget* parent, HWND owner);
    ~CChatInput() override;

    // The content as the send path reads it: characters stand for themselves with "/" written
    // "//", and a picture is written /c["path"].
    std::string Serialized() const;
    // Inserts a picture at the caret (an emoticon is drawn small, a photo as a thumbnail).
    void InsertPicture(const QString& path, bool emoticon);
    // The pictures in the box, in order.
    std::vector<QString> Pictures() const;
    // A picture other than an emoticon is in the box (it stands several lines high).
    bool HoldsPhoto() const;
    // How many lines the text takes in a box `width` pixels wide, as a person sees them: a
    // paragraph wider than the box counts each of its wrapped lines.
    int LinesAt(int width) const;
    // Nothing typed and no picture.
    bool Blank() const;
    // Puts a serialized message that did not go back into the box, before what is there now.
    void Restore(const std::string& serialized,
                 const std::function<bool(const std::string& path)>& emoticon);
    // Replaces the content by a serialized one (a draft): its pictures go back as pictures
    // where their files still exist; `emoticon` tells which paths are emoticons.
    void SetSerialized(const std::string& serialized,
                       const std::function<bool(const std::string& path)>& emoticon);
    // Inserts a serialized content at the caret.
    void InsertSerialized(const std::string& serialized,
                          const std::function<bool(const std::string& path)>& emoticon);

    // The edit menu's commands.
    enum Command : int {
        kUndo = 40050,
        kCut = 40051,
        kCopy = 40052,
        kPaste = 40053,
        kClear = 40054,
        kSelectAll = 40055,
    };

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    QMimeData* createMimeDataFromSelection() const override;
    void insertFromMimeData(const QMimeData* source) override;

  private:
    HWND owner_;
    std::set<QString> emoticons_;  // the pictures inserted as emoticons
    // The last answer of LinesAt: for which width and revision of the text.
    struct CountedLines {
        int width = -1;
        int revision = -1;
        int count = 1;
    };
    mutable CountedLines lines_;
};

// Splits a serialized input into the text to send (emoticon pictures become their codes through
// `codeFor`) and the pictures to send as pictures. Markers of files that no longer exist are left
// out; "//" gives "/".
struct SerializedParts {
    std::string text;
    std::vector<std::string> pictures;
};
class QTextDocument;
// A document's content in the serialized form.
std::string SerializeDocument(const QTextDocument& document);

SerializedParts SplitSerialized(const std::string& serialized,
                                const std::function<std::string(const std::string& path)>& codeFor);
