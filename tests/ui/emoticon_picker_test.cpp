// The emoticon picker as a chat window's user meets it: where it opens, the whole table in its
// grid, choosing by mouse and by keyboard, and the ways it goes away.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QImage>
#include <QTest>
#include <QWidget>
#include <chrono>
#include <vector>

#include "platform/screen.h"
#include "platform/ui_thread.h"
#include "platform/window.h"
#include "tests/support/build_tree.h"
#include "tests/support/client_components.h"
#include "toolkit/elements/ui_elements.h"
#include "ui/chat/emoticon_picker.h"
#include "ui/chat/picker_style.h"
#include "ui/ui_messages.h"

namespace lumeno::test {
namespace {

using namespace std::chrono_literals;

// Stands in for the chat window: a skinned window that records the picker's messages.
class ChatStandIn : public VWindowImpl<ChatStandIn, WS_POPUP | WS_CLIPSIBLINGS> {
  public:
    static std::string_view WindowClassName() { return "LumenoTestChatStandIn"; }
    void DoUI(UiContext& ctx) override {
        UiRegion root(ctx);
        UiFill(root, ctx.client, Qt::white);
    }
    bool OnWindowMessage(UINT message, WPARAM wParam, LPARAM, LRESULT&) override {
        if (message == UM_EMOTICON_CHOSEN) chosen.push_back(static_cast<int>(wParam));
        return false;
    }
    std::vector<int> chosen;
};

class EmoticonPickerTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        PrepareClientComponents(QString::fromUtf8(lumeno::test::build::SkinDir()));
    }

    void SetUp() override {
        const platform::ScreenRect screen = platform::PrimaryScreenRect();
        screen_ = QRect(screen.left, screen.top, screen.Width(), screen.Height());
        // The frame of a chat window well inside the screen. The stand-in that hears the picker
        // lies beside the picker: where two windows overlap, the off-screen platform gives the
        // pointer to the one made first.
        chatRect_ = QRect(screen_.left() + 250, screen_.top() + 100, 400, 400);
        ASSERT_TRUE(chat_.Create(nullptr,
                                 UiRect::FromSize(chatRect_.x() + picker_style::kOuterWidth + 20,
                                                  chatRect_.y(), 100, 100),
                                 QStringLiteral("chat"), WS_POPUP | WS_VISIBLE));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(chat_.Widget()));
    }
    void TearDown() override {
        picker().Hide();
        chat_.DestroyWindow();
    }

    static CDlgExpression& picker() { return CDlgExpression::Instance(); }

    void Open(QRect chatRect) {
        picker().ShowPicker(chat_, chatRect);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(picker().Widget()));
        platform::PumpMessagesUntil([] { return picker().Widget()->isActiveWindow(); }, 500ms);
    }
    QPoint PickerOnScreen() { return picker().ClientToScreen(QPoint(0, 0)); }
    bool PumpUntilHidden() {
        return platform::PumpMessagesUntil([] { return !picker().IsWindowVisible(); }, 2s);
    }
    static const UiNode* Cell(const UiNodeList& nodes, const QString& code) {
        for (const UiNode& node : nodes) {
            if (node.name == code) return &node;
        }
        return nullptr;
    }

    QRect screen_;
    QRect chatRect_;
    ChatStandIn chat_;
};

TEST_F(EmoticonPickerTest, OpensOverTheChatWindowAndStaysWholeOnItsScreen) {
    Open(chatRect_);
    const int bottom = chatRect_.y() + chatRect_.height();
    EXPECT_EQ(PickerOnScreen(), QPoint(chatRect_.x(), bottom - picker_style::kAboveChatBottom))
        << "from the chat window's left edge, above its input area";
    EXPECT_EQ(picker().GetClientRect(),
              UiRect(0, 0, picker_style::kOuterWidth, picker_style::kOuterHeight));
    EXPECT_TRUE(picker().Widget()->isActiveWindow()) << "the picker takes the keyboard";
    EXPECT_EQ(picker().List().GetTopIndex(), 0);

    // Near the screen's edges (and past them) it moves back onto the screen, whole.
    const QRect whole(0, 0, picker_style::kOuterWidth, picker_style::kOuterHeight);
    const struct {
        const char* where;
        QRect chat;
        QPoint expected;
    } edges[] = {
        {"left, partly off", chatRect_.translated(screen_.left() - 60 - chatRect_.x(), 0),
         QPoint(screen_.left(), bottom - picker_style::kAboveChatBottom)},
        {"right", chatRect_.translated(screen_.right() + 1 - 200 - chatRect_.x(), 0),
         QPoint(screen_.right() + 1 - picker_style::kOuterWidth,
                bottom - picker_style::kAboveChatBottom)},
        {"top, partly off", chatRect_.translated(0, screen_.top() - 250 - chatRect_.y()),
         QPoint(chatRect_.x(), screen_.top())},
        {"bottom, partly off", chatRect_.translated(0, screen_.bottom() + 1 - 100 - chatRect_.y()),
         QPoint(chatRect_.x(), screen_.bottom() + 1 - picker_style::kOuterHeight)},
    };
    for (const auto& edge : edges) {
        picker().Hide();
        Open(edge.chat);
        EXPECT_EQ(PickerOnScreen(), edge.expected) << edge.where;
        EXPECT_TRUE(screen_.contains(whole.translated(PickerOnScreen()))) << edge.where;
    }
}

TEST_F(EmoticonPickerTest, TheSkinsTableFillsTheGridTenToARowEachCellNamedByItsCode) {
    const auto& entries = picker().Table().Entries();
    ASSERT_GE(entries.size(), 20u) << "the skin's table";
    Open(chatRect_);
    const int rows = static_cast<int>((entries.size() + 9) / 10);
    EXPECT_EQ(picker().List().GetCount(), rows);

    // Every emoticon is in its cell, in the order of the table, and a reader hears its code.
    const UiNodeList nodes = picker().List().Describe();
    ASSERT_EQ(nodes.size(), entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const int column = static_cast<int>(i % 10);
        const int row = static_cast<int>(i / 10);
        EXPECT_EQ(nodes[i].name.toStdString(), entries[i].code);
        EXPECT_EQ(nodes[i].role, UiRole::ListItem);
        EXPECT_EQ(
            nodes[i].rect,
            UiRect::FromSize(column * picker_style::kCellWidth, row * picker_style::kRowHeight,
                             picker_style::kCellWidth, picker_style::kRowHeight));
    }
    // The last row holds what is left over.
    EXPECT_EQ(nodes.back().rect.top, (rows - 1) * picker_style::kRowHeight);
}

TEST_F(EmoticonPickerTest, AClickChoosesTheCellTellsTheChatWindowAndHides) {
    Open(chatRect_);
    const auto nodes = picker().List().Describe();
    const UiNode* cell = Cell(nodes, QStringLiteral("[smiles_01_02]"));
    ASSERT_NE(cell, nullptr);
    QWidget* list = picker().List().Widget();
    const QPoint at = cell->rect.ToQRect().center();
    QTest::mouseMove(list, at);
    EXPECT_EQ(picker().List().ToolTipText(), QStringLiteral("[smiles_01_02]"));
    QTest::mouseClick(list, Qt::LeftButton, Qt::NoModifier, at);

    ASSERT_TRUE(platform::PumpMessagesUntil([&] { return !chat_.chosen.empty(); }, 2s));
    EXPECT_EQ(chat_.chosen, std::vector<int>{1});
    ASSERT_NE(picker().Chosen(), nullptr);
    EXPECT_EQ(picker().Chosen()->code, "[smiles_01_02]");
    const QFileInfo picture(QString::fromStdString(picker().Chosen()->imagePath));
    EXPECT_TRUE(picture.exists());
    EXPECT_EQ(picture.fileName(), QStringLiteral("smiles_01_02.png"));
    EXPECT_TRUE(PumpUntilHidden());
}

TEST_F(EmoticonPickerTest, ArrowsAndEnterChooseEscapeCloseAndFocusLossHide) {
    const auto& entries = picker().Table().Entries();
    Open(chatRect_);
    QWidget* widget = picker().Widget();
    // The first arrow shows where the keyboard is; the next ones move it, kept inside the grid.
    for (Qt::Key key : {Qt::Key_Right, Qt::Key_Left, Qt::Key_Up, Qt::Key_Right, Qt::Key_Right,
                        Qt::Key_Down, Qt::Key_Left}) {
        QTest::keyClick(widget, key);
    }
    EXPECT_EQ(picker().KeyboardCell(), 11);
    QTest::keyClick(widget, Qt::Key_Return);
    ASSERT_TRUE(platform::PumpMessagesUntil([&] { return !chat_.chosen.empty(); }, 2s));
    EXPECT_EQ(chat_.chosen, std::vector<int>{11});
    EXPECT_EQ(picker().Chosen()->code, entries[11].code);
    EXPECT_TRUE(PumpUntilHidden());

    // Down from the last row stops at the last emoticon.
    Open(chatRect_);
    for (int i = 0; i < 12; ++i)
        QTest::keyClick(widget, Qt::Key_Down);
    EXPECT_EQ(picker().KeyboardCell(), static_cast<int>(entries.size()) - 1);

    // Escape and WM_CLOSE hide it without choosing; the picker stays for the next time.
    QTest::keyClick(widget, Qt::Key_Escape);
    EXPECT_TRUE(PumpUntilHidden());
    Open(chatRect_);
    picker().SendMessage(WM_CLOSE);
    EXPECT_TRUE(PumpUntilHidden());
    EXPECT_TRUE(picker().IsWindow());

    // Another window taking the focus hides it. The off-screen platform does not always pass
    // activation between windows, so the picker is told as the window system tells it.
    Open(chatRect_);
    chat_.Widget()->activateWindow();
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(picker().Widget(), &deactivate);
    EXPECT_TRUE(PumpUntilHidden());
    EXPECT_EQ(chat_.chosen, std::vector<int>{11}) << "nothing else was chosen";
}

TEST_F(EmoticonPickerTest, Screenshot) {
    Open(chatRect_);
    QWidget* list = picker().List().Widget();
    const auto nodes = picker().List().Describe();
    const UiNode* hovered = Cell(nodes, QStringLiteral("[smiles_01_03]"));
    ASSERT_NE(hovered, nullptr);
    QTest::mouseMove(list, hovered->rect.ToQRect().center());
    platform::PumpMessagesUntil([] { return false; }, 50ms);

    for (qreal scale : {1.0, 2.0}) {
        QImage image(picker().Widget()->size() * scale, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(scale);
        image.fill(Qt::transparent);
        picker().Widget()->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        const QPoint origin = picker().ClientOrigin();
        // The grid's own coordinates, inside the border.
        auto pixel = [&](int x, int y) {
            return image.pixelColor(
                (origin + QPoint(picker_style::kBorder + x, picker_style::kBorder + y)) * scale);
        };
        // The border all round, in the palette's border colour.
        for (const QPoint edge : {QPoint(-1, 50), QPoint(picker_style::kWidth, 50), QPoint(200, -1),
                                  QPoint(200, picker_style::kHeight)})
            EXPECT_EQ(pixel(edge.x(), edge.y()), picker_style::kBorderColour)
                << edge.x() << edge.y();
        const int cell = picker_style::kCellWidth;
        const int row = picker_style::kRowHeight;
        // Separators between cells and under rows; the background elsewhere.
        EXPECT_EQ(pixel(cell - 1, row + 2), picker_style::kSeparator);
        EXPECT_EQ(pixel(cell + 2, row - 1), picker_style::kSeparator);
        EXPECT_EQ(pixel(cell + 2, picker_style::kHeight - 5), picker_style::kBackground);
        // A face in every cell of the first row: its middle is not the background.
        for (int column = 0; column < 10; ++column) {
            EXPECT_NE(pixel(column * cell + picker_style::kFaceInset + picker_style::kFaceSize / 2,
                            picker_style::kFaceInset + picker_style::kFaceSize / 2),
                      picker_style::kBackground)
                << column;
        }
        // The hovered cell is lit beside its face, where its neighbour is not.
        EXPECT_NE(pixel(2 * cell + 3, row / 2), pixel(3 * cell + 3, row / 2));
        QDir().mkpath(QString::fromUtf8(lumeno::test::build::ScreenshotDir()));
        EXPECT_TRUE(image.save(QString::fromUtf8(lumeno::test::build::ScreenshotDir()) +
                               QStringLiteral("/emoticon-picker") +
                               (scale > 1 ? QStringLiteral("@2x.png") : QStringLiteral(".png"))));
    }
}

}  // namespace
}  // namespace lumeno::test
