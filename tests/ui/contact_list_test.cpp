// The contact list as a user meets it, signed in to the local service: the groups' section and
// the contacts under their letters ("#" last), the search as the user types (initials, spelling,
// career, groups after people), Enter and the way back from a search, contacts and renames that
// arrive while the page is up, the mouse and the context menu, and its pictures.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QTest>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "api/avatar_files.h"
#include "api/contact_search.h"
#include "api/contacts.h"
#include "storage/msg_dlg_store.h"
#include "storage/user_store.h"
#include "tests/support/build_tree.h"
#include "tests/support/log_file.h"
#include "tests/support/main_window_client.h"
#include "tests/support/menu_picker.h"
#include "toolkit/skin/skin_colors.h"
#include "ui/chat/chat_entry.h"
#include "ui/common/cached_pictures.h"
#include "ui/contacts/page_contact.h"

namespace lumeno::test {
namespace {

class ContactListTest : public MainWindowClientTest {
  protected:
    // Makes two people friends on the service, as an acceptance elsewhere does.
    void Befriend(const std::string& other) {
        const std::string answer = service_.Get("/admin/befriend?a=demo&b=" + other);
        ASSERT_NE(answer.find("\"ok\""), std::string::npos) << answer;
    }
    void WaitForContacts() {
        ASSERT_TRUE(PumpUntil([] { return !CApiController::Instance().contactRefresh.Busy(); }));
        QApplication::processEvents();
    }
    // The main window's contacts tab.
    CPageContact& OpenPage() {
        Main().SwitchPage(MainPage::Contacts);
        QApplication::processEvents();
        EXPECT_NE(Main().ContactPage(), nullptr);
        return Page();
    }
    static CPageContact& Page() { return *Main().ContactPage(); }

    // Types into the main window's search box, as a person does, replacing what it held.
    static void TypeSearch(const QString& text) {
        CEditEx* box = Main().SearchBox();
        box->setFocus();
        box->selectAll();
        bool latin = true;
        for (QChar c : text)
            latin = latin && c.unicode() < 0x80;
        if (latin) {
            QTest::keyClicks(box, text);
        } else {
            box->insert(text);  // as an input method hands over what was composed
        }
        QApplication::processEvents();
    }
    // Empties the search box with the keyboard: Escape.
    static void EraseSearch() { SearchKey(Qt::Key_Escape); }
    static void SearchKey(Qt::Key key) {
        QTest::keyClick(Main().SearchBox(), key);
        QApplication::processEvents();
    }

    // What the list reads out, row by row (all rows, not only those on screen).
    std::vector<QString> Rows() {
        std::vector<QString> rows;
        for (int i = 0; i < Page().List().GetCount(); ++i)
            rows.push_back(Page().RowName(i));
        return rows;
    }
    int RowOf(const QString& name) {
        const std::vector<QString> rows = Rows();
        const auto found = std::find(rows.begin(), rows.end(), name);
        return found == rows.end() ? -1 : static_cast<int>(found - rows.begin());
    }
    // Brings the row on screen and returns a point inside it, in the list's coordinates.
    QPoint PointOn(const QString& name) {
        const int row = RowOf(name);
        EXPECT_GE(row, 0) << name.toStdString();
        Page().List().SetTopIndex(std::max(row, 0));
        const UiRect rect = Page().List().GetItemRect(std::max(row, 0));
        return QPoint((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    }
    void DoubleClick(QPoint at) {
        QWidget* list = Page().List().Widget();
        QTest::mouseClick(list, Qt::LeftButton, {}, at);
        QTest::mouseDClick(list, Qt::LeftButton, {}, at);
        QTest::mouseRelease(list, Qt::LeftButton, {}, at);
        QApplication::processEvents();
    }
    void RightClick(QPoint at) {
        QTest::mouseClick(Page().List().Widget(), Qt::RightButton, {}, at);
        QApplication::processEvents();
    }
    void ClickGroupsHeader() {
        QTest::mouseClick(Page().List().Widget(), Qt::LeftButton, {}, PointOn(GroupsHeader()));
        QApplication::processEvents();
    }
    static QString GroupsHeader() { return QStringLiteral("群聊 (3)"); }
    static std::string QxidOf(const char* name) {
        for (const auto& [qxid, user] : CDBUser::Instance().Users())
            if (user.name == name) return qxid;
        return {};
    }
    static std::int32_t GroupIdOf(const char* name) {
        for (const auto& [id, conversation] : CDBMsgDlg::Instance().Groups())
            if (conversation->name == name) return id;
        return 0;
    }
};

std::vector<QString> Names(std::initializer_list<const char*> names) {
    std::vector<QString> out;
    for (const char* name : names)
        out.push_back(QString::fromUtf8(name));
    return out;
}

TEST_F(ContactListTest, ListsPeopleUnderTheirLettersAndFindsThemAsTheUserTypes) {
    Befriend("zhangsan");
    Befriend("mutouren");  // "123mutouren": no letter, so under "#"
    SignInDemo();
    WaitForContacts();
    OpenPage();

    // The groups' section first, collapsed, then every contact under the letter of its key.
    const std::vector<QString> rows = Rows();
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.front(), GroupsHeader());
    EXPECT_TRUE(Page().GroupsCollapsed());
    std::vector<std::string> headers;
    int people = 0;
    for (int i = 0; i < Page().List().GetCount(); ++i) {
        const ContactListEntry* entry = Page().EntryAt(i);
        ASSERT_NE(entry, nullptr);
        EXPECT_NE(entry->kind, EntryKind::Group) << "collapsed groups are not listed";
        if (entry->kind == EntryKind::LetterHeader) headers.push_back(entry->title);
        if (entry->kind != EntryKind::Person) continue;
        ++people;
        const UserRecord* user = CDBUser::Instance().Find(entry->qxid);
        ASSERT_NE(user, nullptr);
        ASSERT_FALSE(headers.empty());
        EXPECT_EQ(headers.back(), std::string(1, SectionOf(user->py))) << user->name;
    }
    EXPECT_EQ(people, static_cast<int>(SearchContacts("").size()));
    ASSERT_GE(headers.size(), 3u);
    EXPECT_EQ(headers.back(), "#");
    EXPECT_TRUE(std::is_sorted(headers.begin(), headers.end() - 1)) << "A to Z, then #";
    EXPECT_EQ(std::adjacent_find(headers.begin(), headers.end()), headers.end());
    EXPECT_EQ(rows.back(), QStringLiteral("123木头人"));

    // Initials and spelling in either case, career words, typed into the search box.
    TypeSearch(QStringLiteral("zs"));
    EXPECT_TRUE(Page().InSearchMode());
    EXPECT_EQ(Rows(), Names({"张三"}));
    TypeSearch(QStringLiteral("ZS"));
    EXPECT_EQ(Rows(), Names({"张三"}));
    TypeSearch(QStringLiteral("zhang"));
    EXPECT_EQ(Rows(), Names({"张三", "张伟"}));
    TypeSearch(QStringLiteral("技术总监"));
    EXPECT_EQ(Rows(), Names({"张伟"}));
    TypeSearch(QStringLiteral("design"));
    EXPECT_EQ(Rows(), Names({"Alice Martin"}));

    // Groups, collapsed or not, come after every person.
    TypeSearch(QStringLiteral("zh"));
    const std::vector<QString> found = Rows();
    ASSERT_GE(found.size(), 3u);
    EXPECT_EQ(found.back(), QStringLiteral("周末徒步"));
    for (int i = 0; i + 1 < static_cast<int>(found.size()); ++i)
        EXPECT_EQ(Page().EntryAt(i)->kind, EntryKind::Person)
            << found[static_cast<std::size_t>(i)].toStdString();

    // Enter opens the first result; with nothing found it does nothing.
    TypeSearch(QStringLiteral("zs"));
    const int before = LastConversationRequest().count;
    SearchKey(Qt::Key_Return);
    EXPECT_EQ(LastConversationRequest().count, before + 1);
    EXPECT_EQ(LastConversationRequest().userId, QxidOf("张三"));
    TypeSearch(QStringLiteral("nobody"));
    EXPECT_TRUE(Rows().empty());
    SearchKey(Qt::Key_Return);
    EXPECT_EQ(LastConversationRequest().count, before + 1);

    // Emptying the box returns to the rows and the place the search began from.
    EraseSearch();
    EXPECT_FALSE(Page().InSearchMode());
    Page().List().SetTopIndex(6);
    const QString topRow = Page().RowName(6);
    TypeSearch(QStringLiteral("z"));
    EXPECT_EQ(Page().List().GetTopIndex(), 0);
    TypeSearch(QStringLiteral("zh"));
    EraseSearch();
    EXPECT_FALSE(Page().InSearchMode());
    EXPECT_EQ(Rows(), rows);
    EXPECT_EQ(Page().List().GetTopIndex(), 6);
    EXPECT_EQ(Page().RowName(Page().List().GetTopIndex()), topRow);

    // Returning to the login page empties the page.
    TypeSearch(QStringLiteral("zh"));
    CPageContact* page = &Page();
    Main().ReturnToLogin(false);
    QApplication::processEvents();
    EXPECT_FALSE(page->InSearchMode());
    EXPECT_EQ(page->List().GetCount(), 0);
}

TEST_F(ContactListTest, ContactsAndRenamesArrivingWhileThePageIsUp) {
    SignInDemo();
    WaitForContacts();
    OpenPage();
    EXPECT_EQ(RowOf(QStringLiteral("张三")), -1);

    // A contact made on the service while the user searches: the search runs again.
    TypeSearch(QStringLiteral("zhang"));
    EXPECT_EQ(Rows(), Names({"张伟"}));
    Befriend("zhangsan");
    RefreshContactList();
    ASSERT_TRUE(PumpUntil([&] { return Rows().size() == 2; }));
    EXPECT_TRUE(Page().InSearchMode());
    EXPECT_EQ(Rows(), Names({"张三", "张伟"}));
    EraseSearch();
    const int zhangSan = RowOf(QStringLiteral("张三"));
    ASSERT_GT(zhangSan, 0);
    EXPECT_EQ(Page().EntryAt(zhangSan)->kind, EntryKind::Person);

    // The header opens and closes the groups, back at the top.
    ClickGroupsHeader();
    EXPECT_FALSE(Page().GroupsCollapsed());
    for (const char* group : {"产品研发群", "周末徒步", "Lumeno 官方用户群"})
        EXPECT_GE(RowOf(QString::fromUtf8(group)), 1) << group;

    // A group renamed: only its row changes, the list stays where it is.
    const std::int32_t hiking = GroupIdOf("周末徒步");
    ASSERT_NE(hiking, 0);
    Page().List().SetTopIndex(2);
    CDBMsgDlg::Instance().FindConversation(hiking)->name = "周末爬山";
    CApiController::Instance().PostEvent(db_event::kConversationChanged, hiking, db_event::kDone);
    ASSERT_TRUE(PumpUntil([&] { return RowOf(QStringLiteral("周末爬山")) >= 0; }));
    EXPECT_EQ(RowOf(QStringLiteral("周末徒步")), -1);
    EXPECT_EQ(Page().List().GetTopIndex(), 2);
    TypeSearch(QStringLiteral("pashan"));
    EXPECT_EQ(Rows(), Names({"周末爬山"})) << "the new name is searched";
    EraseSearch();

    ClickGroupsHeader();
    EXPECT_TRUE(Page().GroupsCollapsed());
    EXPECT_EQ(Page().List().GetTopIndex(), 0);
    EXPECT_EQ(RowOf(QStringLiteral("周末爬山")), -1);
}

TEST_F(ContactListTest, DoubleClickAndContextMenuOpenConversationsProfilesAndGroups) {
    SignInDemo();
    WaitForContacts();
    OpenPage();
    const std::string zhang = QxidOf("张伟");

    DoubleClick(PointOn(QStringLiteral("张伟")));
    EXPECT_EQ(LastConversationRequest().userId, zhang);

    {
        MenuPicker picker(QStringLiteral("查看联系人资料"));
        RightClick(PointOn(QStringLiteral("李娜")));
        EXPECT_EQ(picker.menus, 1);
        EXPECT_EQ(picker.texts, Names({"与他会话", "查看联系人资料"}));
    }
    EXPECT_NE(ReadLogFile().find("open the profile of " + QxidOf("李娜")), std::string::npos);
    {
        MenuPicker picker(QStringLiteral("与他会话"));
        RightClick(PointOn(QStringLiteral("Alice Martin")));
        EXPECT_EQ(picker.menus, 1);
    }
    EXPECT_EQ(LastConversationRequest().userId, QxidOf("Alice Martin"));

    // Groups: the header opens them; their menu speaks of the conversation and the group.
    ClickGroupsHeader();
    const std::int32_t team = GroupIdOf("产品研发群");
    ASSERT_NE(team, 0);
    {
        MenuPicker picker(QStringLiteral("进入对话"));
        RightClick(PointOn(QStringLiteral("产品研发群")));
        EXPECT_EQ(picker.texts, Names({"进入对话", "查看群组资料"}));
    }
    EXPECT_EQ(LastConversationRequest().conversationId, team);
    EXPECT_TRUE(LastConversationRequest().userId.empty());
    {
        MenuPicker picker(QStringLiteral("查看群组资料"));
        RightClick(PointOn(QStringLiteral("产品研发群")));
        EXPECT_EQ(picker.menus, 1);
    }
    EXPECT_NE(ReadLogFile().find("open the group information of " + std::to_string(team)),
              std::string::npos);

    // A dismissed menu does nothing; a click on a letter header opens nothing.
    const int requests = LastConversationRequest().count;
    {
        MenuPicker picker{QString()};
        RightClick(PointOn(QStringLiteral("张伟")));
        EXPECT_EQ(picker.menus, 1);
    }
    DoubleClick(PointOn(QStringLiteral("Z")));
    EXPECT_EQ(LastConversationRequest().count, requests);
}

// The pictures for the README: the main window on its contacts tab with the groups open, and
// with a search typed into its box.
TEST_F(ContactListTest, PicturesOfTheListAndASearch) {
    Befriend("zhangsan");
    Befriend("mutouren");
    SignInDemo();
    WaitForContacts();
    OpenPage();
    ClickGroupsHeader();
    Page().List().SetTopIndex(0);

    auto picturesArrived = [&] {
        for (int i = 0; i < Page().List().GetCount(); ++i) {
            const ContactListEntry* entry = Page().EntryAt(i);
            if (!entry || Page().List().GetItemRect(i).top > Page().List().ClientHeight()) break;
            auto* pictures = const_cast<CCachedPictures*>(Page().Pictures());
            const bool missing = entry->kind == EntryKind::Group
                                     ? pictures->Map()->count(GroupTileKey(entry->memberIds)) == 0
                                 : entry->kind == EntryKind::Person && !entry->avatar.empty()
                                     ? !pictures->Find(entry->avatar, kSmallAvatarPixels) &&
                                           !pictures->Failed(entry->avatar, kSmallAvatarPixels)
                                     : false;
            if (missing) {
                Page().List().Invalidate(false);
                return false;
            }
        }
        return true;
    };
    // `top` is the colour of the first row: a header's band or an item's white.
    auto render = [&](const QString& name, const QColor& top) {
        ASSERT_TRUE(PumpUntil([&] {
            QApplication::processEvents();
            return picturesArrived();
        }));
        QWidget* widget = Main().Widget();
        const QPoint firstRow = Page().Widget()->mapTo(widget, QPoint(200, 2));
        for (qreal scale : {1.0, 2.0}) {
            QImage image(widget->size() * scale, QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(scale);
            image.fill(Qt::transparent);
            widget->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
            const QRgb shown = image.pixelColor(firstRow * scale).rgb();
            EXPECT_TRUE(shown == top.rgb() ||
                        (top != palette::kRow && shown == palette::kRowHover.rgb()))
                << name.toStdString() << " " << std::hex << shown;
            QDir().mkpath(QString::fromUtf8(lumeno::test::build::ScreenshotDir()));
            EXPECT_TRUE(image.save(
                QString::fromUtf8(lumeno::test::build::ScreenshotDir()) + QStringLiteral("/") +
                name + (scale > 1 ? QStringLiteral("@2x.png") : QStringLiteral(".png"))));
        }
    };
    render(QStringLiteral("contacts"), palette::kRow);
    TypeSearch(QStringLiteral("zh"));
    render(QStringLiteral("contacts-search"), palette::kSurface);
}

}  // namespace
}  // namespace lumeno::test
