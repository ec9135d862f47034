#include "net/long_connection.h"

#include <arpa/inet.h>
#include <netdb.h>

#include "net/push_socket.h"
#include "platform/window.h"
#include "util/user_messages.h"

namespace {

// A dotted address is used as it is; a name is looked up on a worker, not on the UI thread.
std::uint32_t ResolveHost(const std::string& host, CAsyncWorkFlow& flow) {
    in_addr dotted{};
    if (::inet_pton(AF_INET, host.c_str(), &dotted) == 1) return dotted.s_addr;
    return PoolScope::Run(flow, [&host] {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        std::uint32_t address = INADDR_NONE;
        if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) == 0 && found) {
            address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
        }
        if (found) ::freeaddrinfo(found);
        return address;
    });
}

}  // namespace

int PushConnection(const ServerSettings& settings, const std::string& userId, CAsyncWorkFlow& flow,
                   const std::function<void()>& notify) {
    PushSocket socket(flow);
    if (!socket.Valid()) return 0;
    const std::string announcement = "uid#" + userId + "#ping#";
    TimerGuard retry(flow, 1000);
    for (int attempt = 0; attempt < kConnectAttempts && !socket.Connected(); ++attempt) {
        const std::uint32_t address = ResolveHost(settings.pushHost, flow);
        if (socket.PushConnect(settings.pushPort, address) == 0) break;
        retry.WaitTick();
    }
    if (!socket.Connected()) return 0;

    std::string reply;
    if (socket.PushSend(announcement.data(), static_cast<int>(announcement.size())) !=
        static_cast<int>(announcement.size())) {
        return 0;
    }
    socket.ReadReply(reply);
    if (reply.find("ok#") == std::string::npos) return 0;

    int exchanged = 0;
    for (;;) {
        if (socket.PushSend("ping#", 5) != 5) break;
        // A closed connection ends the period as an error does: no reply means no exchange.
        if (socket.ReadReply(reply) <= 0) break;
        int second = 1;
        if (reply.find("1#") == std::string::npos) second = socket.ReadReply(reply);
        if (reply.find("1#") != std::string::npos) notify();
        exchanged = 1;
        // A silent second reply is normal; a broken one (an error, an endless reply) ends the
        // period here rather than at the next send.
        if (second == -1) break;
    }
    return exchanged;
}

void LongConnectionFlow(CAsyncWorkFlow& flow, const std::string& userId,
                        const std::function<void()>& startSync, HWND mainWindow) {
    const std::string user = userId;
    TimerGuard pause(flow, 2000);
    int remaining = kFailedPeriodsBeforeGivingUp;
    while (remaining > 0) {
        --remaining;
        if (PushConnection(ServerSettings::Current(), user, flow, startSync) == 1) {
            remaining = kFailedPeriodsBeforeGivingUp;
        }
        pause.WaitTick();
        startSync();
    }
    platform::PostMessage(mainWindow, UM_RETURN_TO_LOGIN, 0, 1);
}
