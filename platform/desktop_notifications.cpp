#include "platform/desktop_notifications.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>
#include <utility>
#include <vector>

namespace platform {
namespace {

QDBusMessage Call(const char* method) {
    return QDBusMessage::createMethodCall(
        QLatin1String(DesktopNotifications::kService), QLatin1String(DesktopNotifications::kPath),
        QLatin1String(DesktopNotifications::kInterface), QLatin1String(method));
}

}  // namespace

DesktopNotifications::DesktopNotifications(QString appName, QString appIcon, Activated activated,
                                           Replied replied, Unanswered unanswered)
    : bus_(QDBusConnection::sessionBus()),
      appName_(std::move(appName)),
      appIcon_(std::move(appIcon)),
      activated_(std::move(activated)),
      replied_(std::move(replied)) {
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
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(Call("GetCapabilities")), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, unanswered = std::move(unanswered)](QDBusPendingCallWatcher* done) {
                const QDBusPendingReply<QStringList> reply = *done;
                if (reply.isValid()) {
                    capabilities_ = reply.value();
                } else if (unanswered) {
                    unanswered();
                }
                done->deleteLater();
            });
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
    const bool markup = capabilities_.contains(QStringLiteral("body-markup"));
    QDBusMessage call = Call("Notify");
    call << appName_ << QVariant::fromValue<uint>(entry.id)
         << (note.iconPath.isEmpty() ? appIcon_ : note.iconPath) << note.summary
         << (markup ? note.body.toHtmlEscaped() : note.body) << actions << hints
         << QVariant::fromValue<int>(-1);
    entry.waiting = true;
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
    }
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
