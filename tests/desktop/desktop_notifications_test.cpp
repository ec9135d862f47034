// Desktop notifications against notification servers played by the test on a private bus of its
// own (a dbus-daemon started for each test): what a server gets in the body before it has told
// whether it reads markup, after a failed answer, and after another server takes the name; and
// the summary as it goes out.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QObject>
#include <QProcess>
#include <QStandardPaths>
#include <QVariantMap>
#include <fstream>
#include <vector>

#include "platform/desktop_notifications.h"
#include "tests/support/pump.h"
#include "tests/support/temp_dir.h"

namespace lumeno::test {
namespace {

using namespace std::chrono_literals;
using platform::DesktopNote;
using platform::DesktopNotifications;

// A session bus that knows no services: nothing on it is started on demand.
class PrivateBus {
  public:
    PrivateBus() {
        const std::string config = dir_ / "bus.conf";
        std::ofstream(config)
            << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\""
               " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
               "<busconfig><type>session</type><listen>unix:dir="
            << dir_.Path()
            << "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
               "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
               "<allow own=\"*\"/></policy></busconfig>\n";
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--nofork"), QStringLiteral("--print-address=1"),
                       QStringLiteral("--config-file=%1").arg(QString::fromStdString(config))});
        if (!daemon_.waitForStarted(5000)) return;
        while (!daemon_.canReadLine() && daemon_.waitForReadyRead(5000)) {
        }
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    }
    ~PrivateBus() {
        for (const QString& name : names_)
            QDBusConnection::disconnectFromBus(name);
        daemon_.terminate();
        daemon_.waitForFinished(5000);
    }
    bool Running() const { return !address_.isEmpty(); }
    // A connection of its own to this bus.
    QDBusConnection Connect(const QString& name) {
        names_.push_back(name);
        return QDBusConnection::connectToBus(address_, name);
    }
    // Ends a connection as a server that exits does (nothing may hold it any more), and waits
    // until the bus has seen it go.
    void Disconnect(const QString& name) {
        const QString unique = QDBusConnection(name).baseService();
        QDBusConnection::disconnectFromBus(name);
        QDBusConnection probe = Connect(QStringLiteral("probe"));
        EXPECT_TRUE(
            PumpUntil([&] { return !probe.interface()->isServiceRegistered(unique); }, 10s));
    }

  private:
    TempDir dir_;
    QProcess daemon_;
    QString address_;
    std::vector<QString> names_;
};

// A notification server: owns the bus name on its own connection, holds its answer to
// GetCapabilities until told, and keeps what each Notify call brought.
class FakeServer final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

  public:
    FakeServer(QDBusConnection bus, QStringList capabilities)
        : bus_(std::move(bus)), capabilities_(std::move(capabilities)) {
        EXPECT_TRUE(bus_.registerObject(QLatin1String(DesktopNotifications::kPath), this,
                                        QDBusConnection::ExportAllSlots));
        EXPECT_TRUE(bus_.registerService(QLatin1String(DesktopNotifications::kService)));
    }

    struct Call {
        QString summary;
        QString body;
    };
    std::vector<Call> calls;
    int asked = 0;

    // Answers the held question with the capabilities, or with an error.
    void Answer() {
        ASSERT_FALSE(held_.empty());
        bus_.send(held_.front().createReply(QVariant(capabilities_)));
        held_.erase(held_.begin());
    }
    void Refuse() {
        ASSERT_FALSE(held_.empty());
        bus_.send(held_.front().createErrorReply(QDBusError::Failed, QStringLiteral("busy")));
        held_.erase(held_.begin());
    }

  public Q_SLOTS:
    QStringList GetCapabilities(const QDBusMessage& message) {
        ++asked;
        message.setDelayedReply(true);
        held_.push_back(message);
        return {};
    }
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap&, int) {
        calls.push_back({summary, body});
        return static_cast<uint>(calls.size());
    }
    void CloseNotification(uint) {}

  private:
    QDBusConnection bus_;
    QStringList capabilities_;
    std::vector<QDBusMessage> held_;
};

class DesktopNotificationsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
            GTEST_SKIP() << "dbus-daemon is missing (Debian: dbus-daemon)";
        ASSERT_TRUE(bus_.Running()) << "the private bus did not start";
    }
    std::unique_ptr<DesktopNotifications> MakeClient() {
        return std::make_unique<DesktopNotifications>(
            QStringLiteral("Lumeno"), QStringLiteral("lumeno"), nullptr, nullptr,
            [this] { ++unanswered_; }, bus_.Connect(QStringLiteral("client")));
    }
    // Shows a note with this body and returns the body the server got.
    static QString BodyReceived(DesktopNotifications& notes, FakeServer& server,
                                DesktopNotifications::Key key, const QString& body) {
        const std::size_t before = server.calls.size();
        notes.Show(key, DesktopNote{QStringLiteral("张伟"), body, {}, {}});
        EXPECT_TRUE(PumpUntil([&] { return server.calls.size() == before + 1; }, 10s));
        return server.calls.size() > before ? server.calls.back().body : QString();
    }

    PrivateBus bus_;
    int unanswered_ = 0;
};

const QString kMarkup = QStringLiteral("<b>&");
const QString kEscaped = QStringLiteral("&lt;b&gt;&amp;");

// Until a server has said that it reads no markup, a body goes escaped: before it answers, after
// a failed answer, and when another server takes the name (which is asked again). Only the server
// that said so gets the body as it is; one that reads markup gets it escaped.
TEST_F(DesktopNotificationsTest, BodyIsEscapedUnlessTheServerSaidItReadsNoMarkup) {
    auto first =
        std::make_unique<FakeServer>(bus_.Connect(QStringLiteral("first")), QStringList{"body"});
    auto notes = MakeClient();
    ASSERT_TRUE(PumpUntil([&] { return first->asked == 1; }, 10s));
    EXPECT_EQ(BodyReceived(*notes, *first, 1, kMarkup), kEscaped) << "before the answer";
    first->Refuse();
    ASSERT_TRUE(PumpUntil([&] { return unanswered_ == 1; }, 10s));
    EXPECT_EQ(BodyReceived(*notes, *first, 2, kMarkup), kEscaped) << "after a failed answer";

    // Another server takes the name: it is asked, and until it answers the body goes escaped.
    first.reset();
    bus_.Disconnect(QStringLiteral("first"));
    auto plain = std::make_unique<FakeServer>(bus_.Connect(QStringLiteral("plain")),
                                              QStringList{"body", "actions"});
    ASSERT_TRUE(PumpUntil([&] { return plain->asked == 1; }, 10s)) << "the new one was not asked";
    EXPECT_EQ(BodyReceived(*notes, *plain, 3, kMarkup), kEscaped) << "before the new one answered";
    plain->Answer();
    ASSERT_TRUE(PumpUntil(
        [&] { return notes->Markup() == DesktopNotifications::BodyMarkup::NotRead; }, 10s));
    EXPECT_EQ(BodyReceived(*notes, *plain, 4, kMarkup), kMarkup) << "it shows text as it is";

    // It goes; a server that reads markup takes the name.
    plain.reset();
    bus_.Disconnect(QStringLiteral("plain"));
    FakeServer rich(bus_.Connect(QStringLiteral("rich")), {"body", "body-markup"});
    ASSERT_TRUE(PumpUntil([&] { return rich.asked == 1; }, 10s));
    EXPECT_EQ(BodyReceived(*notes, rich, 5, kMarkup), kEscaped);
    rich.Answer();
    ASSERT_TRUE(
        PumpUntil([&] { return notes->Markup() == DesktopNotifications::BodyMarkup::Read; }, 10s));
    EXPECT_EQ(BodyReceived(*notes, rich, 6, kMarkup), kEscaped);
    EXPECT_EQ(unanswered_, 1) << "told once";
}

// The summary goes as plain text on one line (markup characters kept as they are, line breaks
// and tabs flattened) and a long one is cut to 64 characters, the last an ellipsis.
TEST_F(DesktopNotificationsTest, SummaryIsOneLineOfBoundedLength) {
    FakeServer server(bus_.Connect(QStringLiteral("server")), {"body", "body-markup"});
    auto notes = MakeClient();
    ASSERT_TRUE(PumpUntil([&] { return server.asked == 1; }, 10s));
    server.Answer();
    notes->Show(
        1,
        DesktopNote{
            QStringLiteral("Q3 规划 & <i>review</i>\n\n第二行\t😀"), QStringLiteral("hi"), {}, {}});
    const QString longName = QStringLiteral("产品") + QString(100, QChar(0x957f));
    notes->Show(2, DesktopNote{longName, QStringLiteral("hi"), {}, {}});
    ASSERT_TRUE(PumpUntil([&] { return server.calls.size() == 2; }, 10s));
    EXPECT_EQ(server.calls[0].summary, QStringLiteral("Q3 规划 & <i>review</i> 第二行 😀"));
    const QString cut = server.calls[1].summary;
    EXPECT_EQ(cut.size(), DesktopNotifications::kSummaryCharacters);
    EXPECT_EQ(cut, longName.left(DesktopNotifications::kSummaryCharacters - 1) + QChar(0x2026));
    // Counted in characters: one outside the basic plane is not split.
    const QString faces = QString::fromUcs4(std::u32string(70, U'😀').c_str(), 70);
    EXPECT_EQ(DesktopNotifications::SummaryText(faces).toUcs4().size(),
              DesktopNotifications::kSummaryCharacters);
    EXPECT_TRUE(DesktopNotifications::SummaryText(faces).endsWith(QChar(0x2026)));
}

}  // namespace
}  // namespace lumeno::test

#include "desktop_notifications_test.moc"
