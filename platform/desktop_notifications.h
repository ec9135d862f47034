#pragma once
// Desktop notifications (org.freedesktop.Notifications on the session bus): at most one
// notification per key, replaced as the key's news change, withdrawn on request, with a click and
// (where the notification server offers it) an inline reply told back by key. Every call is
// asynchronous: without a session bus or a notification server nothing shows, and nothing waits.
// UI thread.
//
// The summary goes as plain text on one line, cut to kSummaryCharacters. The body is plain text
// too: it is escaped for markup unless the server has said that it reads none, so that text from
// other people never turns into markup. Until the server has told its capabilities (and when it
// could not), it counts as one that reads markup; when another server takes the bus name it is
// asked again, and a body sent unescaped goes only to the server that said it reads no markup.

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>

class QDBusPendingCallWatcher;

namespace platform {

struct DesktopNote {
    QString summary;
    QString body;
    QString iconPath;          // a picture file; empty for the program's icon
    QString replyPlaceholder;  // offers an inline reply when the server can take one
};

class DesktopNotifications final : public QObject {
    Q_OBJECT

  public:
    using Key = std::int64_t;
    using Activated = std::function<void(Key)>;
    using Replied = std::function<void(Key, const QString&)>;

    static constexpr char kService[] = "org.freedesktop.Notifications";
    static constexpr char kPath[] = "/org/freedesktop/Notifications";
    static constexpr char kInterface[] = "org.freedesktop.Notifications";
    static constexpr char kDefaultAction[] = "default";
    static constexpr char kReplyAction[] = "inline-reply";

    using Unanswered = std::function<void()>;

    // Longest summary, in characters; a longer one ends in an ellipsis within it.
    static constexpr int kSummaryCharacters = 64;

    // What the server does with markup in a body, as far as it has said.
    enum class BodyMarkup { Unknown, Read, NotRead };

    // `appIcon` names the program's icon (a file or an icon name); `unanswered` is told once when
    // the session has no notification server. `bus` is the session bus (another bus for tests).
    DesktopNotifications(QString appName, QString appIcon, Activated activated, Replied replied,
                         Unanswered unanswered = nullptr,
                         QDBusConnection bus = QDBusConnection::sessionBus());
    ~DesktopNotifications() override;

    // Shows the key's notification, or replaces the one it has.
    void Show(Key key, const DesktopNote& note);
    // Withdraws the key's notification, if it has one.
    void Withdraw(Key key);
    void WithdrawAll();

    bool BusConnected() const { return bus_.isConnected(); }
    // The summary as it is sent: whitespace and line breaks flattened to single spaces, cut to
    // kSummaryCharacters.
    static QString SummaryText(const QString& summary);

    // The server's capabilities, once it has told them.
    const QStringList& Capabilities() const { return capabilities_; }
    BodyMarkup Markup() const { return markup_; }
    bool CanReply() const { return capabilities_.contains(QLatin1String(kReplyAction)); }
    // The server's number for the key's notification, 0 while it has none (for tests).
    std::uint32_t ServerId(Key key) const;
    // A notification of the key is on its way to the server.
    bool Pending(Key key) const;
    // Notifications the server accepted and withdrawals it confirmed so far (for tests).
    int Accepted() const { return accepted_; }
    int Withdrawn() const { return withdrawn_; }

  public Q_SLOTS:
    // The server's signals (public for the tests that play a server's part on a private bus).
    void OnActionInvoked(uint id, const QString& action);
    void OnNotificationClosed(uint id, uint reason);
    void OnNotificationReplied(uint id, const QString& text);

  private:
    struct Entry {
        std::uint32_t id = 0;             // the server's number, 0 until it answered
        bool waiting = false;             // a Notify call is on its way
        std::optional<DesktopNote> next;  // shown once the call on its way has answered
        bool withdraw = false;            // withdrawn while the call was on its way
        DesktopNote sent;                 // the note of the call on its way
        QString sentTo;                   // the server it went to unescaped; empty when escaped
    };
    void AskCapabilities();
    void OnServerReplaced(const QString& newOwner);
    void Send(Key key, Entry& entry, const DesktopNote& note);
    void Close(std::uint32_t id);
    void OnNotifyAnswer(Key key, QDBusPendingCallWatcher* watcher);
    std::optional<Key> KeyOf(std::uint32_t id) const;

    QDBusConnection bus_;
    QString appName_;
    QString appIcon_;
    Activated activated_;
    Replied replied_;
    Unanswered unanswered_;
    QDBusServiceWatcher serverWatcher_;
    QStringList capabilities_;
    BodyMarkup markup_ = BodyMarkup::Unknown;
    // The unique bus name of the server that said it reads no markup.
    QString plainServer_;
    // The number of the latest capabilities question; older answers are dropped.
    std::uint64_t capabilitiesAsked_ = 0;
    std::map<Key, Entry> entries_;
    int accepted_ = 0;
    int withdrawn_ = 0;
};

}  // namespace platform
