#pragma once
// The window of one conversation: the conversation page above, the input box with its tool strip
// and the send button below. It loads the history page by page (the first page when it opens,
// older ones when the reader asks for more), shows what arrives and what is sent at once, pairs a
// sent message with the service's copy, and marks a send that failed with its reason, putting its
// text back into the box. Clicks in the page are read and checked before they do anything.

#include <QPointer>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "conversation/message_items.h"
#include "conversation/page_dispatch.h"
#include "flow/async_work_flow.h"
#include "storage/event_bus.h"
#include "toolkit/window/window_impl.h"
#include "ui/conversations/notice_bars.h"
#include "ui/web/html_view.h"

class CChatInput;
class EmoticonTable;

class CDlgMessage : public VWindowImpl<CDlgMessage>, private IDBEventListener {
  public:
    static std::string_view WindowClassName() { return "QXDialogMessageClass"; }
    static constexpr std::uint32_t kEventMask =
        db_event::kSending | db_event::kNewMessage | db_event::kConversationLookup |
        db_event::kConversationChanged | db_event::kVoicePlayback;
    static constexpr std::uintptr_t kFirstLoadTimer = 1;
    // While the new-message bar shows: hides it once the reader is back at the end.
    static constexpr std::uintptr_t kBackAtEndTimer = 2;
    // What is typed is kept as the conversation's draft this long after the last change.
    static constexpr std::uintptr_t kDraftTimer = 3;
    static constexpr UINT kDraftDelayMs = 500;
    static constexpr UINT kBackAtEndMs = 1000;
    // The anonymous notice goes away by itself after this long.
    static constexpr UINT kAnonymousNoticeMs = 60000;
    // From this many unread messages on, the first page offers the rest in a bar.
    static constexpr int kUnreadBarFrom = 11;
    static constexpr int kNoticeBarHeight = 30;
    static constexpr UINT kFirstLoadDelayMs = 200;
    // How many messages a page of older history holds.
    static constexpr int kOlderPage = 30;

    CDlgMessage(std::int32_t conversationId, const QString& title);
    ~CDlgMessage() override;

    std::int32_t ConversationId() const { return conversationId_; }
    CQVHtmlViewEx& Page() { return page_; }
    CChatInput* Input() const { return input_.data(); }
    // The first history batch has been handed to the page.
    bool PageReady() const { return pageReady_; }
    CPageUnReadMsg& UnreadBar() { return unreadBar_; }
    CPageUnReadMsg& NewMessageBar() { return newBar_; }
    CPageUnReadMsg& MentionBar() { return mentionBar_; }
    CPageYellowBar& AnonymousBar() { return yellowBar_; }
    // A group conversation: the tool strip offers anonymous mode.
    bool OffersAnonymity() const;
    // The account writes anonymously in this group (the input area turns dark).
    bool Anonymous() const;
    // Turns anonymous mode on or off, as the tool button does.
    void ToggleAnonymity();
    // Local numbers of sends not yet answered.
    const std::map<std::int32_t, MessageRecord>& Outstanding() const { return outstanding_; }
    // The window is closing (it goes after the current event): its draft is kept and its sends
    // still on their way are handed over now, so that a sign-out or quit that follows at once
    // finds them; nothing is kept again when the window goes.
    void LetGo();
    // The conversation page could not be made, or its renderer ended: the window says so where
    // the page was.
    bool PageGone() const { return pageGone_; }

    // Sends what the box holds: its pictures, then its text.
    void Send();
    // Sends a picture file.
    void SendPicture(const std::string& path);

    void DoUI(UiContext& ctx) override;
    bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnLayout(int width, int height) override;

  private:
    enum class Position { kBottom, kUp, kTop };

    void OnCreate();
    void OnDBEvent(std::uint32_t kind, std::int32_t first, std::int32_t second) override;
    void LoadHistory(Position position);
    void ShowHistory(Position position);
    void ShowArrived(std::int32_t localNumber, std::int32_t messageId);
    void ShowFailed(std::int32_t localNumber);
    // A clip of this conversation started, stopped or failed: the page shows it.
    void ShowVoice(std::int32_t messageId, std::int32_t state);
    void Dispatch(const QUrl& url);
    // Offers the group's members matching what follows the last "@", or hides the offer.
    void OfferMentions();
    void CompleteMentionInBox(const QString& name);
    // Keeps what the box holds as the conversation's draft.
    void KeepDraft();
    void ShowPageGone();
    void ShowSent(MessageRecord& message, std::int32_t localNumber);
    UiRect InputFrame() const;
    // What the conversation's items are built from.
    ItemSources Sources() const;
    // Where the conversation page starts: below the anonymous notice while it shows.
    int PageTop() const;
    // Places the page and the bars over it.
    void PlacePage(int width, int height);
    void PlaceBars();
    void ShowMentionNotice(const MessageRecord& message, const QString& sender);
    // What the page shows may have been read: the holding window decides.
    void AskToMarkRead();

    std::int32_t conversationId_;
    // The account the window was opened for: its drafts stay its own, even when the window goes
    // after a sign-out.
    std::string account_;
    QString title_;
    CQVHtmlViewEx page_;
    CPageUnReadMsg unreadBar_;
    CPageUnReadMsg newBar_;
    CPageUnReadMsg mentionBar_;
    CPageYellowBar yellowBar_;
    bool anonymousBoxShown_ = false;
    bool anonymousNoticeClosed_ = false;
    FlowHandle pictureFlow_;
    int badgeAtOpen_ = 0;
    int lastBatch_ = 0;
    QPointer<CChatInput> input_;
    FlowHandle historyFlow_;
    std::vector<std::int32_t> pendingIds_;
    std::int32_t oldestShown_ = 0;
    bool hasMore_ = true;
    bool pageReady_ = false;
    TimeLabelMarks marks_;
    // Messages that arrived before the first batch, shown after it in order.
    std::vector<std::pair<std::int32_t, std::int32_t>> early_;
    std::map<std::int32_t, MessageRecord> outstanding_;
    bool letGo_ = false;  // closing: the draft and the sends were handed over
    bool pageGone_ = false;
    std::vector<std::string> picturesShown_;
    // Messages on the page: an arrival the first page already holds is not shown twice.
    std::set<std::int32_t> shown_;
    bool subscribed_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// The emoticon table of the skin, read once.
const EmoticonTable& ChatEmoticons();
bool IsChatEmoticon(const std::string& path);
