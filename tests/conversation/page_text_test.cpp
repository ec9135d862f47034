// Hostile text on its way to the conversation page: whatever a user writes must reach the page as
// text, with links only to web addresses and never to the client's own link host.

#include <gtest/gtest.h>

#include <string>

#include "conversation/page_links.h"
#include "conversation/page_text.h"

namespace {

std::string Linked(const std::string& text, const std::vector<MentionName>& mentions = {}) {
    return LinkEscapedText(EscapeHtml(ValidUtf8(text)), mentions);
}

// True when the markup holds no tag other than the links this code makes.
bool OnlyOwnTags(const std::string& html) {
    for (std::size_t at = html.find('<'); at != std::string::npos; at = html.find('<', at + 1)) {
        const std::string rest = html.substr(at, 12);
        if (rest.rfind("<a href=\"", 0) != 0 && rest.rfind("</a>", 0) != 0 &&
            rest.rfind("<font color", 0) != 0 && rest.rfind("</font>", 0) != 0) {
            return false;
        }
    }
    return true;
}

TEST(PageText, EscapesEveryMarkupCharacterOnceInOrder) {
    EXPECT_EQ(EscapeHtml("a<b & 'c' \"d\">"), "a&#60;b &#38; &#39;c&#39; &#34;d&#34;&#62;");
    // An entity already in the text is escaped as text, never left to be read as an entity.
    EXPECT_EQ(EscapeHtml("&#60;"), "&#38;#60;");
}

TEST(PageText, HostileTextStaysText) {
    const std::string attacks[] = {
        "<script>alert(1)</script>",
        "<img src=x onerror=alert(1)>",
        "\"><svg onload=alert(1)>",
        "javascript:alert(1)",
        "<a href=\"javascript:alert(1)\">x</a>",
        "http://x.com/\"onmouseover=\"alert(1)",
        "http://x.com/'><script>alert(1)</script>",
    };
    for (const std::string& attack : attacks) {
        const std::string html = Linked(attack);
        EXPECT_TRUE(OnlyOwnTags(html)) << html;
        EXPECT_EQ(html.find("javascript:\""), std::string::npos) << html;
        EXPECT_EQ(html.find("href=\"javascript"), std::string::npos) << html;
    }
    // The quote ends the address: the link covers only what comes before it.
    EXPECT_EQ(Linked("http://x.com/\"onmouseover=1"),
              "<a href=\"http://x.com/\" target=\"_blank\">http://x.com/</a>&#34;onmouseover=1");
}

TEST(PageText, LinksWebAddressesOnly) {
    EXPECT_EQ(Linked("see https://example.com/a?b=1&c=2."),
              "see <a href=\"https://example.com/a?b=1&#38;c=2\" target=\"_blank\">"
              "https://example.com/a?b=1&#38;c=2</a>.");
    EXPECT_EQ(Linked("www.example.org/x, then"),
              "<a href=\"http://www.example.org/x\" target=\"_blank\">www.example.org/x</a>, then");
    EXPECT_EQ(
        Linked("HTTP://Example.com:8080/p"),
        "<a href=\"HTTP://Example.com:8080/p\" target=\"_blank\">HTTP://Example.com:8080/p</a>");
    // Never the client's own link host, however it is spelt or disguised.
    for (const std::string text :
         {"http://lumenoclient/getmore", "HTTP://LumenoClient./atnameclick?id=1",
          "http://evil.com@lumenoclient/getmore", "http://lumenoclient:80/cardclick?id=3",
          "http://%6cumenoclient/getmore"}) {
        EXPECT_EQ(Linked(text).find("<a"), std::string::npos) << text;
    }
    // Neither other schemes nor local files, nor an address inside a word.
    for (const std::string text :
         {"file:///etc/passwd", "/home/user/.ssh/id_rsa", "javascript:alert(1)//http://x.com",
          "xhttp://x.com", "http://", "ftp://x.com", "http://a b.com"}) {
        const std::string html = Linked(text);
        EXPECT_EQ(html.find("href=\"file"), std::string::npos) << text;
        EXPECT_EQ(html.find("href=\"javascript"), std::string::npos) << text;
        EXPECT_EQ(html.find("href=\"ftp"), std::string::npos) << text;
    }
    EXPECT_EQ(Linked("file:///etc/passwd"), "file:///etc/passwd");
    EXPECT_EQ(Linked("xhttp://x.com"), "xhttp://x.com");
}

TEST(PageText, MentionsLinkKnownNamesOutsideAddresses) {
    const std::vector<MentionName> members = {
        {"u1", "Al"}, {"u2", "Alice"}, {"u3", "<b>"}, {"bad\"id", "Bob"}};
    EXPECT_EQ(Linked("hi @Alice and @Al!", members),
              "hi <a href=\"http://lumenoclient/atnameclick?id=u2\"><font color=#2f678c>@Alice"
              "</font></a> and <a href=\"http://lumenoclient/atnameclick?id=u1\">"
              "<font color=#2f678c>@Al</font></a>!");
    // A name with markup matches its escaped form and stays escaped inside the link.
    EXPECT_EQ(Linked("@<b>", members),
              "<a href=\"http://lumenoclient/atnameclick?id=u3\"><font color=#2f678c>@&#60;b&#62;"
              "</font></a>");
    // An id that could leave the attribute is not linked; nor is a name inside an address.
    EXPECT_EQ(Linked("@Bob", members), "@Bob");
    EXPECT_EQ(Linked("http://x.com/@Alice", members),
              "<a href=\"http://x.com/@Alice\" target=\"_blank\">http://x.com/@Alice</a>");
}

TEST(PageText, MalformedUtf8BecomesReplacementCharacters) {
    const std::string bad = std::string("a\xC3") + "b" + "\xED\xA0\x80" + "\xF8\x88\x80\x80\x80" +
                            "\xC0\xAF" + "\xE2\x82";
    const std::string valid = ValidUtf8(bad);
    const std::string r = "\xEF\xBF\xBD";
    EXPECT_EQ(valid, "a" + r + "b" + r + r + r + r + r + r + r + r + r + r + r + r);
    // Valid text, right-to-left marks and zero-width characters included, passes unchanged.
    const std::string text = "مرحبا \u202Egnp.exe \u200B\u200D 你好 😀";
    EXPECT_EQ(ValidUtf8(text), text);
    EXPECT_EQ(Linked(text), text);
}

TEST(PageText, MegabyteOfHostileTextStaysText) {
    std::string big;
    while (big.size() < (1u << 20))
        big += "<script>@Alice http://lumenoclient/getmore www.x.com &amp; \xFF ";
    const std::string html = Linked(big, {{"u2", "Alice"}});
    EXPECT_TRUE(OnlyOwnTags(html));
    EXPECT_EQ(html.find("href=\"http://lumenoclient/getmore"), std::string::npos);
    EXPECT_NE(html.find("atnameclick?id=u2"), std::string::npos);
}

}  // namespace
