#include "platform/desktop_notifications.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>
#include <utility>
#include <vector>

namespace platform {
namespace {

// A call to the server that owns the bus name, or to the one connection `server` names.
QDBusMessage Call(const char* method, const QString& server = QString()) {
    return QDBusMessage::createMethodCall(
        server.isEmpty() ? QLatin1String(DesktopNotifications::kService) : server,
        QLatin1String(DesktopNotifications::kPath), QLatin1String(DesktopNotifications::kInterface),
        QLatin1String(method));
}

}  // namespace

QString DesktopNotifications::SummaryText(const QString& summary) {
    QString flat;
    flat.reserve(summary.size());
    bool space = false;
    for (const QChar c : summary) {
        // Line and paragraph breaks, tabs and other control characters become one space.
        if (c.isSpace() || c.category() == QChar::Other_Control ||
            c.category() == QChar::Separator_Line || c.category() == QChar::Separator_Paragraph) {
            space = !flat.isEmpty();
            continue;
        }
        if (space) flat += QLatin1Char(' ');
        space = false;
        flat += c;
    }
    const QList<uint> characters = flat.toUcs4();
    if (characters.size() <= kSummaryCharacters) return flat;
    QList<uint> cut = characters.first(kSummaryCharacters - 1);
    cut.append(0x2026);  // …
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(cut.constData()), cut.size());
}

DesktopNotifications::DesktopNotifications(QString appName, QString appIcon, Activated activated,
                                           Replied replied, Unanswered unanswered,
                                           QDBusConnection bus)
    : bus_(std::move(bus)),
      appName_(std::move(appName)),
      appIcon_(std::move(appIcon)),
      activated_(std::move(activated)),
      replied_(std::move(replied)),
      unanswered_(std::move(unanswered)) {
    if (!bus_.isConnected()) return;
    const QString service = QLatin1String(kService);
    const QString path = QLatin1String(kPath);
    const QString interface = QLatin1String(kInterface);
    bus_.connect(service, path, interface, QStringLiteral("ActionInvoked"), this,
                 SLOT(OnActionInvoked(uint, QString)));
    bus_.connect(service, path, interface, QStringLiteral("NotificationClosed"), this,
                 SLOT(OnNotificationClosed(uint, uint)));
    bus_.connect(service, path, interface, QStringLiteral("NotificationReplied"), this,
                 SLOT(OnNotificationReplied(uint, QString)));
    // Another server taking the name (or the first one starting) is asked what it can do.
    serverWatcher_.setConnection(bus_);
    serverWatcher_.setWatchMode(QDBusServiceWatcher::WatchForOwnerChange);
    serverWatcher_.addWatchedService(service);
    connect(&serverWatcher_, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                OnServerReplaced(newOwner);
            });
    AskCapabilities();
}

void DesktopNotifications::AskCapabilities() {
    const std::uint64_t asked = ++capabilitiesAsked_;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(Call("GetCapabilities")), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, asked](QDBusPendingCallWatcher* done) {
                done->deleteLater();
                if (asked != capabilitiesAsked_) return;  // a server that has gone since
                const QDBusPendingReply<QStringList> reply = *done;
                if (!reply.isValid()) {
                    if (unanswered_) unanswered_();
                    unanswered_ = nullptr;
                    return;
                }
                unanswered_ = nullptr;
                capabilities_ = reply.value();
                if (capabilities_.contains(QStringLiteral("body-markup"))) {
                    markup_ = BodyMarkup::Read;
                } else {
                    // Bound to the connection that answered: a server that takes the name
                    // later never gets an unescaped body on this one's word.
                    markup_ = BodyMarkup::NotRead;
                    plainServer_ = done->reply().service();
                    if (plainServer_.isEmpty()) markup_ = BodyMarkup::Unknown;
                }
            });
}

void DesktopNotifications::OnServerReplaced(const QString& newOwner) {
    capabilities_.clear();
    markup_ = BodyMarkup::Unknown;
    plainServer_.clear();
    ++capabilitiesAsked_;  // an answer still on its way is the old server's
    // The old server's notifications went with it, and its numbers mean nothing to the new one.
    for (auto it = entries_.begin(); it != entries_.end();) {
        if (it->second.waiting) {
            it->second.id = 0;
            ++it;
        } else {
            it = entries_.erase(it);
        }
    }
    if (!newOwner.isEmpty()) AskCapabilities();
}

DesktopNotifications::~DesktopNotifications() {
    WithdrawAll();
}

std::uint32_t DesktopNotifications::ServerId(Key key) const {
    const auto found = entries_.find(key);
    return found == entries_.end() ? 0 : found->second.id;
}

bool DesktopNotifications::Pending(Key key) const {
    const auto found = entries_.find(key);
    return found != entries_.end() && found->second.waiting;
}

std::optional<DesktopNotifications::Key> DesktopNotifications::KeyOf(std::uint32_t id) const {
    if (id == 0) return std::nullopt;
    for (const auto& [key, entry] : entries_)
        if (entry.id == id) return key;
    return std::nullopt;
}

void DesktopNotifications::Show(Key key, const DesktopNote& note) {
    if (!bus_.isConnected()) return;
    Entry& entry = entries_[key];
    entry.withdraw = false;
    if (entry.waiting) {
        // One call at a time per key, so that the answer's number is the one replaced.
        entry.next = note;
        return;
    }
    Send(key, entry, note);
}

void DesktopNotifications::Send(Key key, Entry& entry, const DesktopNote& note) {
    QStringList actions{QLatin1String(kDefaultAction), QStringLiteral("打开")};
    QVariantMap hints;
    // The program plays its own sound, when its setting asks for one.
    hints.insert(QStringLiteral("suppress-sound"), true);
    hints.insert(QStringLiteral("category"), QStringLiteral("im.received"));
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("lumeno"));
    if (!note.iconPath.isEmpty()) hints.insert(QStringLiteral("image-path"), note.iconPath);
    if (!note.replyPlaceholder.isEmpty() && CanReply()) {
        actions << QLatin1String(kReplyAction) << QStringLiteral("回复");
        hints.insert(QStringLiteral("x-kde-reply-placeholder-text"), note.replyPlaceholder);
    }
    // Only a server known to read no markup gets the body as it is, and only that server.
    const bool plain = markup_ == BodyMarkup::NotRead;
    QDBusMessage call = Call("Notify", plain ? plainServer_ : QString());
    call << appName_ << QVariant::fromValue<uint>(entry.id)
         << (note.iconPath.isEmpty() ? appIcon_ : note.iconPath) << SummaryText(note.summary)
         << (plain ? note.body : note.body.toHtmlEscaped()) << actions << hints
         << QVariant::fromValue<int>(-1);
    entry.waiting = true;
    entry.sent = note;
    entry.sentTo = plain ? plainServer_ : QString();
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, key](QDBusPendingCallWatcher* done) { OnNotifyAnswer(key, done); });
}

void DesktopNotifications::OnNotifyAnswer(Key key, QDBusPendingCallWatcher* watcher) {
    watcher->deleteLater();
    const QDBusPendingReply<uint> reply = *watcher;
    const auto found = entries_.find(key);
    if (found == entries_.end()) return;
    Entry& entry = found->second;
    entry.waiting = false;
    if (reply.isValid()) {
        entry.id = reply.value();
        ++accepted_;
    } else if (!entry.sentTo.isEmpty() && !entry.withdraw && !entry.next &&
               entry.sentTo != plainServer_) {
        // The server it went to has gone: the note goes to the one that has the name now.
        entry.next = std::move(entry.sent);
    }
    entry.sentTo.clear();
    if (entry.withdraw) {
        Close(entry.id);
        entries_.erase(found);
        return;
    }
    if (entry.next) {
        const DesktopNote next = std::move(*entry.next);
        entry.next.reset();
        Send(key, entry, next);
    }
}

void DesktopNotifications::Withdraw(Key key) {
    const auto found = entries_.find(key);
    if (found == entries_.end()) return;
    if (found->second.waiting) {
        found->second.withdraw = true;
        found->second.next.reset();
        return;
    }
    Close(found->second.id);
    entries_.erase(found);
}

void DesktopNotifications::WithdrawAll() {
    std::vector<Key> keys;
    for (const auto& [key, entry] : entries_)
        keys.push_back(key);
    for (Key key : keys)
        Withdraw(key);
}

void DesktopNotifications::Close(std::uint32_t id) {
    if (id == 0 || !bus_.isConnected()) return;
    QDBusMessage call = Call("CloseNotification");
    call << QVariant::fromValue<uint>(id);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* done) {
                if (!done->isError()) ++withdrawn_;
                done->deleteLater();
            });
}

void DesktopNotifications::OnActionInvoked(uint id, const QString& action) {
    const std::optional<Key> key = KeyOf(id);
    if (!key || action != QLatin1String(kDefaultAction)) return;
    if (activated_) activated_(*key);
}

// Expired, dismissed or closed: the reason does not matter here.
void DesktopNotifications::OnNotificationClosed(uint id, uint) {
    const std::optional<Key> key = KeyOf(id);
    if (!key) return;
    // Gone from the screen: the key's next news makes a new notification.
    const auto found = entries_.find(*key);
    if (found->second.waiting) {
        found->second.id = 0;
        return;
    }
    entries_.erase(found);
}

void DesktopNotifications::OnNotificationReplied(uint id, const QString& text) {
    const std::optional<Key> key = KeyOf(id);
    if (!key || text.trimmed().isEmpty()) return;
    if (replied_) replied_(*key, text);
}

}  // namespace platform
