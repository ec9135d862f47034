// The main window at a real desktop (a window manager and a compositing manager on a private
// display), driven through the real pointer and keyboard: searching contacts letter by letter.

#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QTest>
#include <set>

#include "api/api_controller.h"
#include "tests/support/main_window_client.h"
#include "tests/support/real_input.h"
#include "toolkit/lists/list_box.h"
#include "ui/contacts/page_contact.h"
#include "ui/edit/edit_ex.h"

namespace lumeno::test {
namespace {

namespace input = real_input;

class ContactSearchDesktopTest : public MainWindowClientTest {
  protected:
    static CPageContact& Page() { return *Main().ContactPage(); }
    // What the contact list shows, row by row.
    static std::vector<QString> Rows() {
        std::vector<QString> rows;
        for (int i = 0; i < Page().List().GetCount(); ++i)
            rows.push_back(Page().RowName(i));
        return rows;
    }
    // A point in the middle of a widget, on the screen.
    static QPoint MiddleOf(QWidget* widget) { return widget->mapToGlobal(widget->rect().center()); }
    static void Settle() {
        PumpUntil([] { return false; }, std::chrono::milliseconds(150));
    }
    // Whether the screen shows the widget as it draws itself now: nothing stale is left drawn.
    static bool ScreenShowsWhatItDraws(QWidget* widget) {
        const QImage drawn = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QRect area(widget->mapToGlobal(QPoint(0, 0)), widget->size());
        QScreen* screen = QGuiApplication::primaryScreen();
        const QImage shown = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                                 .toImage()
                                 .convertToFormat(QImage::Format_RGB32)
                                 .scaled(drawn.size());
        int differing = 0;
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x)
                if (drawn.pixel(x, y) != shown.pixel(x, y)) ++differing;
        return differing < drawn.width() * drawn.height() / 200;
    }
};

// Each key typed into the search box shows exactly the contacts of the whole text typed so far,
// each once, as pasting that text does; the box keeps the keyboard.
TEST_F(ContactSearchDesktopTest, SearchNarrowsWithEveryLetterTyped) {
    SignInDemo();
    ASSERT_TRUE(PumpUntil([] { return !CApiController::Instance().contactRefresh.Busy(); }));
    CEditEx* box = Main().SearchBox();
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return box->isVisible(); }));
    ASSERT_TRUE(input::Click(MiddleOf(box)));
    ASSERT_TRUE(PumpUntil([&] { return box->hasFocus(); }))
        << "a click on the box gives it the keys";

    for (const QString& word : {QStringLiteral("zhang"), QStringLiteral("zw"),
                                QStringLiteral("zhangw"), QStringLiteral("wang")}) {
        QString typed;
        for (const QChar letter : word) {
            typed += letter;
            ASSERT_TRUE(input::Type(QString(letter), 0));
            ASSERT_TRUE(PumpUntil([&] { return box->text() == typed; }))
                << "the key went elsewhere after \"" << typed.toStdString() << "\"";
            Settle();
            EXPECT_TRUE(PumpUntil([] { return ScreenShowsWhatItDraws(Page().List().Widget()); },
                                  std::chrono::seconds(2)))
                << "the screen still shows an older list after \"" << typed.toStdString() << "\"";
            const std::vector<QString> shown = Rows();
            EXPECT_EQ(std::set<QString>(shown.begin(), shown.end()).size(), shown.size())
                << "a contact shown twice for \"" << typed.toStdString() << "\"";
            // The same text pasted at once.
            box->selectAll();
            box->insert(typed);
            Settle();
            EXPECT_EQ(shown, Rows()) << "typed and pasted \"" << typed.toStdString() << "\" differ";
            box->setCursorPosition(static_cast<int>(typed.size()));
        }
        ASSERT_TRUE(input::Key(QStringLiteral("ctrl+a")));
        ASSERT_TRUE(input::Key(QStringLiteral("BackSpace")));
        ASSERT_TRUE(PumpUntil([&] { return box->text().isEmpty(); }));
    }
}

// The contact list scrolled to its end with the wheel shows its last row whole, also after the
// window was made taller at its bottom edge.
TEST_F(ContactSearchDesktopTest, TheLastContactShowsWholeAtTheEndOfTheList) {
    SignInDemo();
    ASSERT_TRUE(PumpUntil([] { return !CApiController::Instance().contactRefresh.Busy(); }));
    Main().SwitchPage(MainPage::Contacts);
    Settle();
    CListBoxWindow& list = Page().List();
    const auto lastRowWhole = [&](const char* when) {
        const QPoint middle = MiddleOf(list.Widget());
        ASSERT_TRUE(input::MoveTo(middle));
        for (int i = 0; i < 30; ++i)
            ASSERT_TRUE(input::Xdotool({QStringLiteral("click"), QStringLiteral("5")}));
        Settle();
        const int last = list.GetCount() - 1;
        ASSERT_GT(last, 0);
        const UiRect row = list.GetItemRect(last);
        EXPECT_FALSE(row.IsEmpty()) << when << ": the last row is off the list";
        EXPECT_LE(row.bottom, list.Widget()->height()) << when << ": the last row is cut off";
        // And the list itself lies within the window as the screen shows it.
        const QPoint listBottom = list.Widget()->mapToGlobal(QPoint(0, list.Widget()->height()));
        const UiRect window = Main().GetWindowRect();
        EXPECT_LE(listBottom.y(), window.bottom) << when << ": the list runs below the window";
    };
    lastRowWhole("at first");
    // Taller by 200 pixels.
    const UiRect frame = Main().GetWindowRect();
    Main().MoveWindow(frame.left, frame.top, frame.Width(), frame.Height() + 200, true);
    Settle();
    lastRowWhole("made taller");
}

}  // namespace
}  // namespace lumeno::test
