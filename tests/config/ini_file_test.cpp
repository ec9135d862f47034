// The settings file format: lookups, edits that keep the rest of the file, hand-written oddities.
#include "config/ini_file.h"

#include <gtest/gtest.h>

namespace {

TEST(IniFile, FindsKeysWithoutRegardToCaseAndTrimsValues) {
    IniFile file("[Normal]\r\n  SoundNotify =  0  \r\n[main]\nmsg=\"127.0.0.1:8080\"\n");
    EXPECT_EQ(file.Get("normal", "soundNotify"), "0");
    EXPECT_EQ(file.Get("NORMAL", "SOUNDNOTIFY"), "0");
    EXPECT_EQ(file.Get("main", "msg"), "127.0.0.1:8080") << "one pair of quotes is removed";
    EXPECT_FALSE(file.Get("main", "long"));
    EXPECT_FALSE(file.Get("nosuch", "msg"));
}

TEST(IniFile, KeyBelongsOnlyToItsOwnSection) {
    IniFile file("[a]\nx=1\n[b]\ny=2\n");
    EXPECT_FALSE(file.Get("a", "y"));
    EXPECT_FALSE(file.Get("b", "x"));
    EXPECT_EQ(file.Get("b", "y"), "2");
}

TEST(IniFile, MalformedLinesAreIgnoredAndKeptThroughAnEdit) {
    const std::string text =
        "garbage without equals\n"
        "[normal\n"  // an unclosed header is not a section
        "=no name\n"
        "; a comment=with equals\n"
        "[normal]\n"
        "exitToTray=1\n"
        "\xff\xfe binary junk\n"
        "[account]\n"
        "saved=abc\n";
    IniFile file(text);
    EXPECT_EQ(file.Get("normal", "exitToTray"), "1");
    EXPECT_EQ(file.Get("account", "saved"), "abc");
    file.Set("normal", "exitToTray", "0");
    IniFile reread(file.Text());
    EXPECT_EQ(reread.Get("normal", "exitToTray"), "0");
    EXPECT_EQ(reread.Get("account", "saved"), "abc");
    std::string written = file.Text();
    for (const char* kept : {"garbage without equals\n", "[normal\n", "=no name\n",
                             "; a comment=with equals\n", "\xff\xfe binary junk\n"}) {
        EXPECT_NE(written.find(kept), std::string::npos) << kept;
    }
}

TEST(IniFile, SetKeepsTheFileOrderAndSpelling) {
    IniFile file("[Normal]\nExitToTray=1\n\n[main]\ntime=30\n");
    file.Set("normal", "exittotray", "0");
    file.Set("normal", "soundNotify", "1");
    file.Set("group", "mid", "7");
    EXPECT_EQ(file.Text(),
              "[Normal]\nExitToTray=0\nsoundNotify=1\n\n[main]\ntime=30\n\n[group]\nmid=7\n");
}

TEST(IniFile, ValueWithLineBreaksCannotAddKeysOrSections) {
    IniFile file;
    file.Set("account", "saved", "abc\r\n[main]\nonline=0");
    IniFile reread(file.Text());
    EXPECT_FALSE(reread.Get("main", "online"));
    EXPECT_EQ(reread.Get("account", "saved"), "abc  [main] online=0");
}

TEST(IniFile, ByteOrderMarkAndRemoval) {
    IniFile file("\xEF\xBB\xBF[a]\nx=1\ny=2\n");
    EXPECT_EQ(file.Get("a", "x"), "1");
    EXPECT_TRUE(file.Remove("a", "x"));
    EXPECT_FALSE(file.Remove("a", "x"));
    EXPECT_EQ(file.Text(), "[a]\ny=2\n");

    // A second mark does not turn into the first one once the file is written back.
    IniFile twice("\xEF\xBB\xBF\xEF\xBB\xBF[main]\nmsg=a\n");
    twice.Set("main", "online", "0");
    const IniFile again(twice.Text());
    EXPECT_EQ(again.Get("main", "online"), "0");
    EXPECT_EQ(again.Get("main", "msg"), twice.Get("main", "msg"));
    EXPECT_EQ(twice.Get("main", "msg"), "a");
}

}  // namespace
