#pragma once
// The clicks of the conversation page, read back from the addresses the page navigates to. A
// click is an address on the link host: the avatar of a message, a voice clip, "more", a
// picture, a business card or a mention. What the page sends is checked before anything is done
// with it: the id must name a message of this conversation of the right kind, a picture must be
// one the client put into this page, a mention must name a plain user id.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "storage/records.h"

enum class PageClick {
    kNone,     // not a click of the page: the navigation is left alone
    kAvatar,   // "/iconclick?id=" + item id
    kVoice,    // "/audio?id=" + message id
    kMore,     // "/getmore"
    kPicture,  // "/imgclick?id=" + picture address
    kCard,     // "/cardclick?id=" + message id
    kMention,  // "/atnameclick?id=" + user id
    kUnknown,  // on the link host, but nothing the page sends
};

struct PageLink {
    PageClick click = PageClick::kNone;
    std::int32_t id = 0;  // avatar, voice, card
    std::string text;     // the picture address, or the mentioned user id
};

// Reads an address the page navigated to. The id is the decimal number at the start of the text
// after "id=" (0 when there is none); a picture address is percent-decoded.
PageLink ParsePageLink(std::string_view url);

// What the page holds, for checking its clicks.
struct PageContents {
    // A message of this conversation, or null.
    std::function<const MessageRecord*(std::int32_t id)> findMessage;
    // Whether the client put this picture address into the page.
    std::function<bool(const std::string& address)> showsPicture;
};

// True when the click may be acted on. An avatar of an unknown message passes when its id is
// above 0 (a message just sent shows under its send number: the account's own avatar).
bool PageLinkAllowed(const PageLink& link, const PageContents& contents);
