#include "conversation/page_dispatch.h"

#include <QByteArray>
#include <QUrl>
#include <cctype>
#include <limits>

#include "conversation/message_items.h"
#include "conversation/page_links.h"

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// The decimal number at the start of the text, as a text-to-integer conversion reads it; 0 when
// there is none or it does not fit.
std::int32_t Number(std::string_view text) {
    std::int64_t value = 0;
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative || (!text.empty() && text[0] == '+')) ++i;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > std::numeric_limits<std::int32_t>::max()) return 0;
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

struct Route {
    const char* path;
    PageClick click;
};
constexpr Route kRoutes[] = {
    {"/iconclick?id=", PageClick::kAvatar},    {"/audio?id=", PageClick::kVoice},
    {"/imgclick?id=", PageClick::kPicture},    {"/cardclick?id=", PageClick::kCard},
    {"/atnameclick?id=", PageClick::kMention},
};

}  // namespace

PageLink ParsePageLink(std::string_view url) {
    PageLink link;
    const std::string origin = std::string(kLinkOrigin);
    if (url.size() < origin.size() || !EqualsIgnoringCase(url.substr(0, origin.size()), origin)) {
        return link;
    }
    const std::string_view rest = url.substr(origin.size());
    if (!rest.empty() && rest[0] != '/') return link;  // another host that begins alike
    link.click = PageClick::kUnknown;
    if (EqualsIgnoringCase(rest, "/getmore")) {
        link.click = PageClick::kMore;
        return link;
    }
    for (const Route& route : kRoutes) {
        if (!StartsWith(rest, route.path)) continue;
        const std::string_view id = rest.substr(std::string_view(route.path).size());
        link.click = route.click;
        if (route.click == PageClick::kPicture) {
            const QByteArray raw(id.data(), static_cast<qsizetype>(id.size()));
            link.text = QUrl::fromPercentEncoding(raw).toStdString();
        } else if (route.click == PageClick::kMention) {
            link.text = std::string(id);
        } else {
            link.id = Number(id);
        }
        return link;
    }
    return link;
}

bool PageLinkAllowed(const PageLink& link, const PageContents& contents) {
    const auto find = [&](std::int32_t id) -> const MessageRecord* {
        return contents.findMessage && id != 0 ? contents.findMessage(id) : nullptr;
    };
    switch (link.click) {
        case PageClick::kMore:
            return true;
        case PageClick::kAvatar:
            return find(link.id) != nullptr || link.id > 0;
        case PageClick::kVoice: {
            const MessageRecord* message = find(link.id);
            return message && message->type == static_cast<std::int32_t>(MessageKind::kAudio);
        }
        case PageClick::kCard: {
            const MessageRecord* message = find(link.id);
            return message && message->type == static_cast<std::int32_t>(MessageKind::kCard) &&
                   !message->reveal_user.qxid.empty();
        }
        case PageClick::kPicture:
            return !link.text.empty() && contents.showsPicture && contents.showsPicture(link.text);
        case PageClick::kMention:
            return IsSafePictureName(link.text);
        case PageClick::kNone:
        case PageClick::kUnknown:
            return false;
    }
    return false;
}
