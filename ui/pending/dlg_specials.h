#pragma once
// The pending-items window ("待处理事项"): the service's list of what waits for the user's
// answer (friend requests, level requests, recommendations, job offers, group invitations, the
// profile to complete) as cards under date headers, each with an action and an ignore button.
//
// The main window makes it once and afterwards only shows it (Present) and hides it (Dismiss:
// the close button, Escape, the desktop's close command and a return to the login page). Hiding
// forgets the fetched items, so every showing fetches the list again.
//
// Answers run one at a time in the window's own flow. A card changes only when the service
// accepted the answer (the operation marks the store's items, the event bus tells the window);
// accepting a person's request also shows that person's other requests answered; a failure leaves
// the card as it was and is told in a box over this window, also when the service gave no
// usable answer at all.

#include <QString>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "api/service_errors.h"
#include "flow/async_work_flow.h"
#include "storage/event_bus.h"
#include "toolkit/lists/list_box.h"
#include "toolkit/lists/scroll_bar.h"
#include "toolkit/window/window_impl.h"
#include "toolkit/window/wnd_shadow.h"
#include "ui/pending/specials_rows.h"

class CCachedPictures;
struct PendingItem;

// The two answers a card offers.
enum class ItemAction { Complete, Ignore };

class CDlgSpecials final : public VWindowImpl<CDlgSpecials>,
                           public CMoveable<CDlgSpecials>,
                           public IListBoxOwner,
                           private IDBEventListener {
  public:
    static std::string_view WindowClassName() { return "QXDialogGenerateSessionClass"; }
    static constexpr std::uint32_t kEventMask =
        db_event::kPendingItems | db_event::kPendingIgnored | db_event::kPendingCompleted;
    static constexpr char kTitle[] = "待处理事项";
    static constexpr char kLoadingText[] = "正在加载待处理事项...";
    static constexpr char kEmptyText[] = "没有待处理事项";
    static constexpr char kLoadFailedText[] = "待处理事项没有加载成功";
    static constexpr char kRetryText[] = "重新加载";
    // Shown for a failure the service gave no account of (no answer, an unreadable one).
    static constexpr char kNoAnswerText[] = "操作没有完成：服务器没有给出有效的回答，请稍后重试。";
    static constexpr char kListFailedText[] = "待处理事项没有刷新成功，请稍后重试。";

    // Asks for a friend level (1 to 3) over `owner`; 0 when none was chosen.
    using LevelChooser = std::function<int(HWND owner)>;

    CDlgSpecials();
    ~CDlgSpecials() override;

    // The hidden top-level window.
    HWND Create();
    // Shows the window (fetching the list when it was hidden), or raises it when it shows.
    void Present();
    // Hides the window, stops its answer and the list fetch, and forgets the items.
    void Dismiss();

    bool Loading() const { return loading_; }
    bool LoadFailed() const { return loadFailed_; }
    bool AnswerRunning() const { return actionFlow_.Busy(); }
    const std::vector<SpecialRow>& Rows() const { return rows_; }
    CListBoxWindow& List() { return list_; }
    // The list row of an item, -1 when it has none.
    int RowOf(std::int32_t itemId) const;
    // Where a friend level is asked for (the main window's chooser unless replaced).
    void SetLevelChooser(LevelChooser chooser) { chooseLevel_ = std::move(chooser); }

    // What a click on a card's buttons does.
    void RunItemAnswer(std::int32_t itemId);
    void RunItemAction(ItemAction action, std::int32_t type, std::int32_t itemId, bool groupChat,
                       const std::string& text, std::int32_t level);

    void DoUI(UiContext& ctx) override;
    bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnLayout(int width, int height) override;

    void DrawRow(UiContext& ctx, int index, const UiRect& rect) override;
    void DrawEmpty(UiContext& ctx) override;
    void DrawBackground(UiContext& ctx) override;
    QString RowName(int index) override;
    bool DescribesRowElements() const override { return true; }

  private:
    void OnCreate();
    void OnDBEvent(std::uint32_t kind, std::int32_t first, std::int32_t second) override;
    void RebuildRows();
    // Queues a failure for the box (shown once the flow that met it has ended).
    void ReportFailure(const ErrorRecord& error);
    void ShowFailures();
    // The item's answer after the questions some types ask; false when the user backed out.
    bool AskBeforeCompleting(std::int32_t itemId, bool& groupChat, std::string& text,
                             std::int32_t& level);
    void OpenPerson(const std::string& qxid, std::int32_t itemId, std::int32_t requestType);
    void OpenItemPicture(std::int32_t itemId);

    void DrawHeader(UiRegion& root, const SpecialRow& row, const UiRect& rect);
    void DrawCard(UiContext& ctx, UiRegion& root, const PendingItem& item, const UiRect& rect);
    int DrawBody(UiContext& ctx, UiRegion& root, const PendingItem& item, int left, int top,
                 int bottomLimit);
    void DrawButtons(UiContext& ctx, UiRegion& root, const PendingItem& item, const UiRect& rect);

    CWndShadow shadow_;
    CVirtualListBoxNofixLineHeight list_{this};
    CVirtualScrollBar bar_;
    std::unique_ptr<CCachedPictures> pictures_;
    std::vector<SpecialRow> rows_;
    bool loading_ = false;
    bool loadFailed_ = false;
    bool subscribed_ = false;
    FlowHandle actionFlow_;
    std::deque<ErrorRecord> failures_;
    LevelChooser chooseLevel_;
};
