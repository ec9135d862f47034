// Dialogs: a modal loop that ends with EndDialog's result, Escape, and child windows that go
// with their parent.

#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include "tests/toolkit/toolkit_test_support.h"
#include "toolkit/elements/ui_elements.h"
#include "toolkit/window/window_impl.h"

namespace {

class TestDialog : public VDialogImpl<TestDialog> {
  public:
    static std::string_view WindowClassName() { return "LumenoTestDialog"; }
    void DoUI(UiContext& ctx) override {
        UiRegion root(ctx);
        UiFill(root, ctx.client, Qt::white);
        if (UiHitArea(root, UiRect(10, 10, 100, 40))) ctx.Later([this] { EndDialog(IDOK); });
    }
    bool OnWindowMessage(UINT message, WPARAM, LPARAM lParam, LRESULT&) override {
        if (message == WM_INITDIALOG) {
            initParam = lParam;
            ResizeClient(240, 120);
            CenterWindow();
        }
        return false;
    }
    LPARAM initParam = 0;
};

class ChildWindow : public VWindowImpl<ChildWindow> {
  public:
    static std::string_view WindowClassName() { return "LumenoTestChild"; }
    explicit ChildWindow(std::vector<std::string>* log, std::string name)
        : log_(log), name_(std::move(name)) {}
    void DoUI(UiContext&) override {}
    bool OnWindowMessage(UINT message, WPARAM, LPARAM, LRESULT&) override {
        if (message == WM_DESTROY && log_) log_->push_back(name_);
        return false;
    }

  private:
    std::vector<std::string>* log_;
    std::string name_;
};

class WindowDialogTest : public ::testing::Test {
  protected:
    void SetUp() override { lumeno::test::PrepareToolkitProcess(); }
};

TEST_F(WindowDialogTest, ModalDialogReturnsWhatEndDialogGives) {
    TestDialog dialog;
    QTimer::singleShot(50, [&] {
        EXPECT_TRUE(dialog.IsModal());
        EXPECT_EQ(dialog.GetClientRect(), UiRect(0, 0, 240, 120));
        QTest::mouseClick(dialog.Widget(), Qt::LeftButton, {}, QPoint(30, 20));
    });
    EXPECT_EQ(dialog.DoModal(nullptr, 42), IDOK);
    EXPECT_EQ(dialog.initParam, 42);
    EXPECT_FALSE(dialog.IsWindow());
}

TEST_F(WindowDialogTest, EscapeCancelsAndClosingEndsTheLoop) {
    TestDialog dialog;
    QTimer::singleShot(50, [&] { QTest::keyClick(dialog.Widget(), Qt::Key_Escape); });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);

    TestDialog closed;
    QTimer::singleShot(50, [&] { closed.Widget()->close(); });
    EXPECT_EQ(closed.DoModal(), IDCANCEL);
}

TEST_F(WindowDialogTest, ChildWindowsGoWithTheirParentAfterIt) {
    std::vector<std::string> log;
    ChildWindow parent(&log, "parent");
    ChildWindow child(&log, "child");
    ASSERT_TRUE(
        parent.Create(nullptr, UiRect::FromSize(0, 0, 200, 200), QString(), WS_POPUP | WS_VISIBLE));
    ASSERT_TRUE(child.Create(parent, UiRect(20, 30, 120, 80)));
    UiRect inParent;
    ASSERT_TRUE(child.GetRectInParent(inParent));
    EXPECT_EQ(inParent, UiRect(20, 30, 120, 80));
    EXPECT_EQ(child.GetParent(), parent.m_hWnd);
    parent.DestroyWindow();
    EXPECT_EQ(log, (std::vector<std::string>{"parent", "child"}));
    EXPECT_FALSE(child.IsWindow());
}

// A dialog with a close button that shows a tooltip, as every dialog of the client has.
class TipDialog : public VDialogImpl<TipDialog> {
  public:
    static std::string_view WindowClassName() { return "LumenoTestTipDialog"; }
    void DoUI(UiContext& ctx) override {
        UiRegion root(ctx);
        UiFill(root, ctx.client, Qt::white);
        if (UiButton(root, UiRect(200, 0, 240, 24), QString(), QStringLiteral("关闭"),
                     kUiTakesMouse, nullptr)) {
            ctx.Later([this] { EndDialog(IDCANCEL); });
        }
    }
    bool OnWindowMessage(UINT message, WPARAM, LPARAM, LRESULT&) override {
        if (message == WM_INITDIALOG) {
            ResizeClient(240, 120);
            CenterWindow();
        }
        return false;
    }
};

// Escape while the close button's tooltip is up: the tooltip's label lives among the dialog's
// child widgets, and taking the dialog down must not take it for a window.
TEST_F(WindowDialogTest, EscapeWithATooltipUpClosesCleanly) {
    TipDialog dialog;
    bool tipWasUp = false;
    bool tipWasChild = false;
    QTimer::singleShot(50, [&] {
        QWidget* widget = dialog.Widget();
        lumeno::test::Hover(widget, QPoint(220, 12));
        QHelpEvent help(QEvent::ToolTip, QPoint(220, 12), widget->mapToGlobal(QPoint(220, 12)));
        QApplication::sendEvent(widget, &help);
        tipWasUp = QToolTip::isVisible() && QToolTip::text() == QStringLiteral("关闭");
        for (QObject* child : widget->children()) {
            auto* label = qobject_cast<QLabel*>(child);
            tipWasChild |= label && label->windowType() == Qt::ToolTip;
        }
        QTest::keyClick(widget, Qt::Key_Escape);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_TRUE(tipWasUp);
    EXPECT_TRUE(tipWasChild);
    EXPECT_FALSE(dialog.IsWindow());
}

// A dialog opens over the middle of its owner, on the owner's screen; Enter confirms it.
TEST_F(WindowDialogTest, DialogCentresOverItsOwnerAndEnterConfirms) {
    ChildWindow owner(nullptr, "owner");
    ASSERT_TRUE(owner.Create(nullptr, UiRect::FromSize(300, 200, 400, 300), QString(),
                             WS_POPUP | WS_VISIBLE));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(owner.Widget()));
    TestDialog dialog;
    UiRect placed;
    QTimer::singleShot(50, [&] {
        placed = dialog.GetWindowRect();
        QTest::keyClick(dialog.Widget(), Qt::Key_Return);
    });
    EXPECT_EQ(dialog.DoModal(owner), IDOK);
    EXPECT_EQ(placed, UiRect::FromSize(300 + (400 - 240) / 2, 200 + (300 - 120) / 2, 240, 120));
    owner.DestroyWindow();
}

// A dialog with a default button: Enter presses that button (which may refuse), Tab walks to
// the others, and Escape cancels.
class FormDialog : public VDialogImpl<FormDialog> {
  public:
    static std::string_view WindowClassName() { return "LumenoTestFormDialog"; }
    void DoUI(UiContext& ctx) override {
        UiRegion root(ctx);
        UiFill(root, ctx.client, Qt::white);
        if (UiButton(root, UiRect(10, 80, 100, 110), QStringLiteral("取消"), QString(),
                     kUiTakesMouse, nullptr)) {
            ctx.Later([this] { EndDialog(IDCANCEL); });
        }
        if (UiButton(root, UiRect(120, 80, 210, 110), QStringLiteral("确定"), QString(),
                     kUiTakesMouse | kUiDefaultButton, nullptr)) {
            ++confirms;
            if (confirms >= 2) ctx.Later([this] { EndDialog(IDOK); });  // the first is refused
        }
    }
    int confirms = 0;
};

TEST_F(WindowDialogTest, EnterPressesTheDefaultButtonAndTabWalksTheOthers) {
    FormDialog dialog;
    QTimer::singleShot(50, [&] {
        QWidget* widget = dialog.Widget();
        QTest::keyClick(widget, Qt::Key_Return);
        EXPECT_EQ(dialog.confirms, 1);
        EXPECT_TRUE(dialog.IsWindow());  // the button refused: the dialog stays
        QTest::keyClick(widget, Qt::Key_Return);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);

    FormDialog other;
    QTimer::singleShot(50, [&] {
        QWidget* widget = other.Widget();
        QTest::keyClick(widget, Qt::Key_Tab);
        EXPECT_EQ(other.FocusRect(), UiRect(10, 80, 100, 110));
        QTest::keyClick(widget, Qt::Key_Return);  // the keyboard is on the cancel button
    });
    EXPECT_EQ(other.DoModal(), IDCANCEL);
    EXPECT_EQ(other.confirms, 0);
}

}  // namespace
