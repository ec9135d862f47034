#pragma once
// The profile window of one user: a card with the avatar, name, position, friend level, contact
// details (a click copies one) and the friendship buttons, and under it an expandable list of
// details (tags, the job-seeking statement, work and education, a job-seeker's card). One window
// per user, kept by the main window's registry; it deletes itself when closed.
//
// Every service call is a flow of the window's own (the detail fetch, adding a friend, ending a
// friendship), one at a time each, cancelled when the window closes. Boxes and dialogs are shown
// only after a flow has ended, from the window's own message, so that nothing modal runs on a
// flow's stack and a window closed under a dialog (a forced return to the login page) is never
// touched again.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "api/service_errors.h"
#include "flow/async_work_flow.h"
#include "storage/event_bus.h"
#include "storage/records.h"
#include "toolkit/lists/dui_list_box.h"
#include "toolkit/window/window_impl.h"
#include "toolkit/window/wnd_shadow.h"
#include "ui/common/cached_pictures.h"
#include "ui/profile/profile_sections.h"

// The card's contact rows, top to bottom.
enum class ContactRow : int { Mobile = 0, Email = 1, QQ = 2 };

class CDlgUserDetail final : public VWindowImpl<CDlgUserDetail, WS_POPUP>,
                             public CMoveable<CDlgUserDetail>,
                             public IDuiListBoxOwner,
                             private IDBEventListener {
  public:
    static std::string_view WindowClassName() { return "QXDialogUserDetailClass"; }
    static constexpr std::uint32_t kEventMask =
        db_event::kConversationChanged | db_event::kPendingIgnored | db_event::kPendingCompleted |
        db_event::kPendingCardDelivered;
    static constexpr int kContentId = 0x8019;
    // Ends the notice that a contact detail was copied.
    static constexpr std::uintptr_t kCopiedTimer = 0x10;  // clear of the toolkit's own timers

    explicit CDlgUserDetail(std::string userId);
    // A user known only from a record (a card of the third degree).
    explicit CDlgUserDetail(const UserRecord& user);
    ~CDlgUserDetail() override;

    // The window, shown and centred on the screen; null when it could not be made.
    HWND Create();

    const std::string& UserId() const { return userId_; }
    const UserRecord& User() const { return user_; }
    const ContactTexts& Contacts() const { return contacts_; }
    const std::vector<ProfileSection>& Sections() const { return sections_; }
    CardButton FirstButton() const;
    bool Expanded() const { return expanded_; }
    bool CanExpand() const;
    bool Requested() const { return requested_; }
    bool Fetching() const { return detailFlow_.Busy(); }
    bool Adding() const { return adding_; }
    bool Breaking() const { return breakFlow_.Busy(); }
    std::int32_t PendingRequestId() const { return pendingId_; }
    CVDuiListBox& Content() { return content_; }

    // What the card's parts do when clicked.
    void ToggleExpanded();
    // Copies the row's value (not the placeholder of someone not yet a friend); the row says
    // "已复制" for a while.
    void CopyContact(ContactRow row);
    void PressFirstButton();
    void PressSecondButton();

    void DoUI(UiContext& ctx) override;
    bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnFinalMessage() override;

    void DrawItem(UiContext& ctx, int index, QString text, const UiRect& rect) override;
    void DrawBackground(UiContext& ctx) override;

  private:
    // What a finished flow hands back to the window (UM_PROFILE_STEP's wParam).
    enum class Step : WPARAM { Fetched = 1, TriedAdd = 2, Sent = 3, Broken = 4, AcceptFailed = 5 };

    void OnCreate();
    void OnDBEvent(std::uint32_t kind, std::int32_t first, std::int32_t second) override;
    void OnStep(Step step);
    void StartFetch();
    // Takes the stored record of the user; true when what the card shows changed.
    bool RefreshUser();
    void Rebuild();
    void ResizeForSections();
    void StartAdd();
    void AskAndSend();
    void AskBreak();
    void Accept();
    void CloseWindow();
    // A failed request: the service's own message (which may end the sign-in), or a plain one.
    void ShowFailure(const ErrorRecord& error, const char* fallback);

    void DrawCard(UiRegion& region, const UiRect& rect);
    void DrawAnonymousCard(UiRegion& region, const UiRect& rect);
    void DrawContactRow(UiRegion& region, int left, int top, ContactRow row, const QString& label,
                        const QString& value);
    void DrawButtons(UiRegion& region, const UiRect& rect);
    void DrawSection(UiRegion& region, const ProfileSection& section, const UiRect& rect);

    std::string userId_;
    UserRecord user_;
    ContactTexts contacts_;
    std::optional<ContactRow> copied_;  // the row whose value was just copied
    std::vector<ProfileSection> sections_;
    bool expanded_ = false;
    int extraHeight_ = 0;
    bool requested_ = false;
    bool adding_ = false;
    std::int32_t pendingId_ = 0;
    std::int32_t pendingType_ = 0;
    QString defaultAttach_;
    ErrorRecord fetchError_;
    ErrorRecord addError_;
    ErrorRecord breakError_;
    ErrorRecord acceptError_;
    bool fetchFailed_ = false;
    bool addAccepted_ = false;
    bool recommendationOnly_ = false;
    bool sent_ = false;
    bool broken_ = false;
    CVDuiListBox content_{this};
    CWndShadow shadow_;
    std::unique_ptr<CCachedPictures> pictures_;
    FlowHandle detailFlow_;
    FlowHandle addFlow_;
    FlowHandle breakFlow_;
    bool subscribed_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
