#pragma once
// What the conversation page may be handed as an address. The page follows links and loads
// pictures from the item fields it is given, so an address from the service or from another user
// reaches it only through this allow-list: web addresses (http and https with a plain host name),
// files this client wrote itself, and the page's own pictures. Clicks inside the page come back
// as navigations to the client's link host, which no message text may ever name.

#include <string>
#include <string_view>

// The single-label host name of the page's click links; the page's scripts use the same name.
inline constexpr char kLinkHost[] = "lumenoclient";
// "http://" and the link host.
inline constexpr char kLinkOrigin[] = "http://lumenoclient";

// The link of a clicked business card, and the prefix of a mention link before the user id.
std::string CardClickLink(int messageId);
inline constexpr char kMentionLinkPrefix[] = "http://lumenoclient/atnameclick?id=";

// True when `host` names the link host (any letter case, with or without a trailing dot).
bool IsLinkHost(std::string_view host);

// An address from the service or another user: kept when it is an http or https address whose
// host is a plain name (letters, digits, dots, hyphens, an optional port) other than the link
// host, and holds no spaces, control characters, quotes or angle brackets; empty otherwise.
std::string WebAddressOrEmpty(std::string_view address);
// Characters an accepted address may hold: the unreserved and reserved characters of a URL and
// the percent sign, nothing that could end an attribute or open markup.
bool IsAddressChar(char c);

// A file this client wrote (an avatar copy): the file URL of the absolute local path; empty for a
// relative or empty path.
std::string LocalFileAddress(const std::string& path);

// True for a name made only of [0-9A-Za-z_-], 1 to 32 characters: safe inside a page picture path.
bool IsSafePictureName(std::string_view name);
