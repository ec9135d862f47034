// The emoticon table read from the page's script: what a damaged skin leaves out, what the real
// skin holds, and how codes in a message become pictures without letting a text add markup.

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QPainter>
#include <filesystem>
#include <fstream>
#include <string>

#include "conversation/emoticon_table.h"
#include "conversation/page_text.h"
#include "tests/support/build_tree.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using lumeno::test::TempDir;

void WriteFile(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

void WritePicture(const std::string& path, int side = 30) {
    fs::create_directories(fs::path(path).parent_path());
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(QColor(255, 200, 60));
    ASSERT_TRUE(image.save(QString::fromStdString(path), "PNG"));
}

// A skin directory with the given script, and the pictures a.png, d.png and e.png present.
class FakeSkin {
  public:
    explicit FakeSkin(const std::string& script) {
        if (!script.empty()) WriteFile(Page() + "js/sms.js", script);
        WritePicture(Page() + "images/a.png");
        WritePicture(Page() + "images/d.png");
        WritePicture(Page() + "images/e.png");
        WriteFile(Page() + "images/broken.png", "\x89PNG\r\n\x1a\n not really a picture");
        WritePicture(dir_ / "outside.png");
        WritePicture(Page() + "images/huge.png", 2000);
    }
    std::string Skin() const { return dir_.Path(); }
    std::string Page() const { return dir_.Path() + "/qxstc-ie6fix/"; }

  private:
    TempDir dir_;
};

std::string Codes(const EmoticonTable& table) {
    std::string codes;
    for (const EmoticonEntry& entry : table.Entries()) {
        codes += entry.code + "@" + std::to_string(entry.index) + " ";
    }
    return codes;
}

TEST(EmoticonTable, KeepsDecodablePicturesInScriptOrder) {
    const FakeSkin skin(
        "// emoticons\nvar sms = { size: 30, emotions: {\n"
        "  '[smiles_01_01]' : 'images/a.png',\n"
        "  '[missing]': 'images/missing.png',\n"
        "  '[broken]': 'images/broken.png',\n"
        "  '[d]':'images/d.png', nonsense, :'images/e.png',\n"
        "  '[outside]': '../outside.png', '[absolute]': '/etc/passwd',\n"
        "  '[huge]': 'images/huge.png', '[smiles_01_01]': 'images/e.png',\n"
        "  '[e]': 'images/e.png'\n"
        "}, after: { '[late]': 'images/a.png' } };\n");
    const EmoticonTable table = EmoticonTable::Load(skin.Skin());

    // Positions count every piece of the block, so the left-out ones leave gaps; a repeated code
    // keeps its first picture.
    EXPECT_EQ(Codes(table), "[smiles_01_01]@0 [d]@3 [e]@10 ");
    ASSERT_EQ(table.Entries().size(), 3u);
    const EmoticonEntry& first = table.Entries()[0];
    EXPECT_EQ(first.file, "images/a.png");
    EXPECT_EQ(first.imagePath, skin.Page() + "images/a.png");
    EXPECT_EQ(first.image.size(), QSize(30, 30));

    EXPECT_EQ(table.CodeForImage(skin.Page() + "images/d.png"), "[d]");
    EXPECT_EQ(table.CodeForImage(skin.Page() + "js/../images/a.png"), "[smiles_01_01]");
    EXPECT_EQ(table.CodeForImage(skin.Page() + "images/missing.png"), std::nullopt);
    EXPECT_EQ(table.CodeForImage("/tmp/elsewhere/images/a.png"), std::nullopt);
    EXPECT_EQ(table.FindCode("[late]"), nullptr);
}

TEST(EmoticonTable, DamagedScriptsGiveEmptyTables) {
    const std::string scripts[] = {
        "",  // no script at all
        "var sms = { emotion: { '[a]': 'images/a.png' } };",
        "var sms = { emotions:{ '[a]': 'images/a.png' } };",
        std::string("\0\xff\xfe emotions: {\xff:\xff,,,:,\0", 24),
        "emotions: {",
        "emotions: {}",
        // Far beyond what is read: the block starts after the part the reader looks at.
        std::string(2 << 20, ',') + "emotions: { '[a]': 'images/a.png' }",
    };
    for (const std::string& script : scripts) {
        const FakeSkin skin(script);
        EXPECT_TRUE(EmoticonTable::Load(skin.Skin()).Empty()) << script.substr(0, 60);
    }
    // A block cut short still gives the pairs before the cut.
    const FakeSkin cut("emotions: { '[a]': 'images/a.png', '[d]': 'images/d");
    EXPECT_EQ(Codes(EmoticonTable::Load(cut.Skin())), "[a]@0 ");
    // A huge block keeps a bounded number of pairs.
    std::string many = "emotions: {";
    for (int i = 0; i < 5000; ++i)
        many += "'[c" + std::to_string(i) + "]': 'images/a.png',";
    const FakeSkin big(many + "}");
    EXPECT_EQ(EmoticonTable::Load(big.Skin()).Entries().size(), 1000u);
}

TEST(EmoticonTable, CodesInTextBecomePicturesAndNothingElse) {
    const FakeSkin skin(
        "emotions: { '[smiles_01_01]': 'images/a.png', '[d]': 'images/d.png',"
        " '[x onerror=alert(1)]': 'images/e.png' }");
    const EmoticonTable table = EmoticonTable::Load(skin.Skin());
    ASSERT_EQ(table.Entries().size(), 3u);
    const auto shown = [&](const std::string& text) {
        return table.PicturesInEscapedText(EscapeHtml(ValidUtf8(text)));
    };
    const std::string a = "<img class=\"emoticon\" src=\"images/a.png\" alt=\"[smiles_01_01]\">";
    const std::string d = "<img class=\"emoticon\" src=\"images/d.png\" alt=\"[d]\">";
    EXPECT_EQ(shown("hi [smiles_01_01][d]!"), "hi " + a + d + "!");
    EXPECT_EQ(shown("[[smiles_01_01]] [unknown] [d"), "[" + a + "] [unknown] [d");
    EXPECT_EQ(shown("[smiles_01_01"), "[smiles_01_01");
    // A code that is not a plain name is never turned into markup, even when the table has it.
    EXPECT_EQ(shown("[x onerror=alert(1)]"), "[x onerror=alert(1)]");
    EXPECT_EQ(shown("<b>[d]</b>"), "&#60;b&#62;" + d + "&#60;/b&#62;");
}

TEST(EmoticonTable, RealSkinShowsEveryEmoticon) {
    const std::string skin = lumeno::test::build::SkinDir();
    const EmoticonTable table = EmoticonTable::Load(skin);

    // Every pair of the script survives: count the pairs independently of the reader.
    std::ifstream in(skin + "/qxstc-ie6fix/js/sms.js");
    const std::string script((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
    std::size_t pairs = 0;
    for (std::size_t at = script.find("': '"); at != std::string::npos;
         at = script.find("': '", at + 1)) {
        ++pairs;
    }
    EXPECT_GE(pairs, 24u);
    EXPECT_EQ(table.Entries().size(), pairs);
    for (const char* code : {"[smiles_01_01]", "[smiles_01_02]", "[smiles_01_03]"}) {
        EXPECT_NE(table.FindCode(code), nullptr) << code;
    }
    const int rows = EmoticonTable::GridRows(static_cast<int>(table.Entries().size()));
    EXPECT_EQ(EmoticonTable::GridRows(23), 3);
    EXPECT_EQ(23 - (EmoticonTable::GridRows(23) - 1) * EmoticonTable::kColumns, 3);

    // A contact sheet of every emoticon at 1x and, below it, at 2x, from the files as built.
    constexpr int kCell = 40;
    const int columns = EmoticonTable::kColumns;
    QImage sheet(columns * kCell * 2 + 20, rows * kCell * 3 + 30, QImage::Format_ARGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    int i = 0;
    for (const EmoticonEntry& entry : table.Entries()) {
        EXPECT_EQ(entry.image.size(), QSize(30, 30)) << entry.code;
        std::string doubled = entry.imagePath;
        doubled.insert(doubled.rfind('.'), "@2x");
        QImage big(QString::fromStdString(doubled));
        big.setDevicePixelRatio(1);  // shown at its full pixel size, not its logical one
        EXPECT_EQ(big.size(), QSize(60, 60)) << doubled;
        const int column = i % columns;
        const int row = i / columns;
        painter.drawImage(10 + column * kCell + 5, 10 + row * kCell + 5, entry.image);
        painter.drawImage(10 + column * kCell * 2 + 10, 20 + rows * kCell + row * kCell * 2 + 10,
                          big);
        ++i;
    }
    painter.end();
    fs::create_directories(lumeno::test::build::ScreenshotDir());
    EXPECT_TRUE(sheet.save(QString::fromUtf8(lumeno::test::build::ScreenshotDir()) +
                           QStringLiteral("/emoticons.png")));
}

}  // namespace
