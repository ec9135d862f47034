#pragma once
// The contact picker. Without a conversation it is "发起聊天" (start a chat): the user ticks
// contacts and gets the conversation with exactly those people, opened once the service has
// answered with its id. With a conversation it is "添加参与人" (add participants): the ticked
// contacts join that conversation one after another, and the first refusal stops the rest and
// names the person it failed for; a one-to-one conversation becomes a new group of its peer and
// the ticked people. A failure keeps the picker open with what is still to be done ticked.
//
// The keyboard: Enter in the search box ticks the first result, and on an empty box confirms;
// Escape (on an empty box) closes the picker.
//
// There is one picker per conversation (0 for a new chat); asking for it again brings it
// forward. Every picker closes when the account signs out. A picker deletes itself after its
// window is gone.

#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "api/service_errors.h"
#include "flow/async_work_flow.h"
#include "toolkit/lists/list_box.h"
#include "toolkit/lists/scroll_bar.h"
#include "toolkit/window/window_impl.h"
#include "toolkit/window/wnd_shadow.h"
#include "ui/groups/picker_candidates.h"

class CCachedPictures;
class CEditEx;

class CDlgGenerateSession final : public VWindowImpl<CDlgGenerateSession, WS_POPUP>,
                                  public CMoveable<CDlgGenerateSession>,
                                  public IListBoxOwner {
  public:
    static std::string_view WindowClassName() { return "QXDialogGenerateSessionClass"; }

    // Opens the picker for the conversation (0: a new chat) or brings its open one forward.
    static CDlgGenerateSession* Open(std::int32_t conversationId);
    // The open picker of a conversation, null when there is none.
    static CDlgGenerateSession* Find(std::int32_t conversationId);
    // Closes every picker (the account signs out).
    static void CloseAll();

    std::int32_t ConversationId() const { return conversationId_; }
    const PickerCandidates& Candidates() const { return candidates_; }
    CListBoxWindow& List() { return list_; }
    CEditEx* SearchBox() const { return search_; }
    bool Confirming() const { return confirmFlow_.Busy(); }
    // The confirm button's caption: "确定", or "确定(n)" with n people ticked.
    QString ConfirmCaption() const;
    // The last failure's text, shown under the button until the next confirmation.
    const QString& Note() const { return note_; }

    // Ticks or unticks a candidate, as a click on its row does.
    void Toggle(const std::string& qxid);
    // The confirm button: closes with nobody ticked, else starts the confirmation.
    void Confirm();

    void DoUI(UiContext& ctx) override;
    bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnLayout(int width, int height) override;
    void OnFinalMessage() override;

    void DrawRow(UiContext& ctx, int index, const UiRect& rect) override;
    void DrawBackground(UiContext& ctx) override;
    void DrawEmpty(UiContext& ctx) override;
    QString RowName(int index) override;
    // Each row is a check box named by its person, for readers and for Tab.
    bool DescribesRowElements() const override { return true; }

  private:
    explicit CDlgGenerateSession(std::int32_t conversationId);
    ~CDlgGenerateSession() override;

    void OnCreate();
    void OnDestroy();
    void FillList();
    void OnSearchChanged();
    void TickFirstResult();
    QString Title() const;
    void DrawStrip(UiContext& ctx, UiRegion& root, const UiRect& client);
    // The flow's steps.
    void StartChat(CAsyncWorkFlow& flow, std::vector<std::string> qxids);
    void AddOneByOne(CAsyncWorkFlow& flow, std::vector<std::string> qxids);
    // Shows the failure over the picker (the service's own text, or `fallback` when it gave no
    // code) and keeps it. False when the picker went while the message was up.
    bool ReportFailure(const ErrorRecord& error, const QString& fallback);
    // After some of the ticked people joined: they are members now, the rest stay ticked.
    void KeepTicked(const std::vector<std::string>& remaining);

    const std::int32_t conversationId_;
    PickerCandidates candidates_;
    CWndShadow shadow_;
    CVirtualListBoxNofixLineHeight list_{this};
    CVirtualScrollBar bar_;
    CEditEx* search_ = nullptr;  // a child of the window's widget
    std::unique_ptr<CCachedPictures> rowPictures_;
    std::unique_ptr<CCachedPictures> stripPictures_;
    QString note_;
    FlowHandle confirmFlow_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
