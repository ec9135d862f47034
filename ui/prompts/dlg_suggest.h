#pragma once
// The mention picker: a popup list of group members under the caret while the user types "@".
// One hidden window for the life of the main window, shown and hidden as the typing goes. It
// never takes the keyboard: while it is visible it filters the keys typed into its owner, so Up,
// Down, Enter and Escape typed in the input box move and pick in the list. The offer ends (the
// popup hides and stops taking keys) when the keyboard leaves the box it was shown for, when the
// client loses the keyboard to another program, and at a press of a mouse button anywhere but on
// the popup.
//
// It answers its owner with UM_MENTION_CHOSEN: a pick sends wParam kMentionPicked (the owner
// reads ChosenName() and ChosenId() during that call), then posts wParam kMentionDone; Escape, or
// a pick of a user the account no longer knows, only posts kMentionDone.

#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/message_loop.h"
#include "toolkit/lists/list_box.h"
#include "toolkit/lists/scroll_bar.h"
#include "toolkit/window/window_impl.h"
#include "ui/chat/mention_match.h"
#include "ui/common/cached_pictures.h"

inline constexpr WPARAM kMentionDone = 0;
inline constexpr WPARAM kMentionPicked = 1;

class CDlgSuggest : public VWindowImpl<CDlgSuggest, WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                                       WS_EX_TOPMOST | WS_EX_TOOLWINDOW>,
                    public IListBoxOwner,
                    public platform::CMessageFilter {
  public:
    static std::string_view WindowClassName() { return "QXDialogMsgSuggestClass"; }

    // The one picker; the main window creates its window, and ends it with DestroyInstance.
    static CDlgSuggest& Instance();
    static void DestroyInstance();

    CDlgSuggest();
    ~CDlgSuggest() override;

    // The hidden popup, owned by `mainWindow`.
    HWND Create(HWND mainWindow);
    // Offers `memberIds` (qxids) to `owner`, 20 px below `screenPoint`, with the first row
    // selected, for the box that holds the keyboard now. Nothing to offer hides the popup.
    void Show(HWND owner, const std::vector<std::string>& memberIds, QPoint screenPoint);
    void Hide();

    // Where the users are looked up (the account's user store unless replaced).
    void SetFinder(MemberFinder find) { find_ = std::move(find); }

    int Selection() const { return selection_; }
    int RowCount() const { return static_cast<int>(ids_.size()); }
    HWND Owner() const { return owner_; }
    const std::string& ChosenId() const { return chosenId_; }
    const QString& ChosenName() const { return chosenName_; }
    CVirtualListBox& List() { return list_; }
    const CVirtualScrollBar& ScrollBar() const { return bar_; }

    // Picks the row: the owner hears of it as described above, and the popup hides.
    void Pick(int index);

    void DoUI(UiContext& ctx) override;
    bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    void DrawRow(UiContext& ctx, int index, const UiRect& rect) override;
    QString RowName(int index) override;
    bool PreTranslateMessage(MSG& msg) override;

  private:
    const UserRecord* FindMember(int index) const;
    void Select(int index);
    void Cancel();
    void StartFiltering();
    void StopFiltering();
    // Whether the widget belongs to the popup, and to the window the offer was made to.
    bool OnPopup(const QWidget* widget) const;
    bool InOwner(const QWidget* widget) const;
    // The keyboard moved from `old` to `now`: the offer ends when it left the box.
    void FocusMoved(const QWidget* old, const QWidget* now);

    CVirtualListBox list_{this};
    CVirtualScrollBar bar_;
    CCachedPictures pictures_{list_};
    MemberFinder find_;
    HWND owner_ = nullptr;
    std::vector<std::string> ids_;
    int selection_ = -1;
    std::string chosenId_;
    QString chosenName_;
    platform::CMessageLoop* filtering_ = nullptr;
    // The box the offer was made for (the keyboard's widget when shown).
    QPointer<QWidget> box_;
    // Sees the application's mouse presses and keyboard moves while the popup shows.
    std::unique_ptr<QObject> watcher_;
};
