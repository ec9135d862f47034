#pragma once
// The emoticon table: the codes that message texts carry ("[smiles_01_01]") and their pictures.
// It is read from the conversation page's own script, so the page, the picker and the sender all
// agree on one table. A missing or damaged script gives an empty or shorter table, never an
// error: emoticons then simply stay text.

#include <QImage>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct EmoticonEntry {
    int index = 0;          // position of the pair in the script
    std::string code;       // "[smiles_01_01]"
    std::string file;       // relative to the page: "images/smiles/smiles_01_01.png"
    std::string imagePath;  // the page directory joined with the file
    QImage image;
};

class EmoticonTable {
  public:
    // The picker's grid: this many emoticons a row.
    static constexpr int kColumns = 10;

    // Reads "qxstc-ie6fix/js/sms.js" below the skin directory. Only pairs whose picture exists
    // below the page directory and decodes are kept, in the order of the script.
    static EmoticonTable Load(const std::string& skinDirectory);

    const std::vector<EmoticonEntry>& Entries() const { return entries_; }
    bool Empty() const { return entries_.empty(); }

    // The code whose picture is at `imagePath` (compared after resolving "." and ".."), if any.
    std::optional<std::string> CodeForImage(const std::string& imagePath) const;
    const EmoticonEntry* FindCode(std::string_view code) const;

    // Rows of the picker's grid for `count` emoticons.
    static int GridRows(int count) { return count <= 0 ? 0 : (count + kColumns - 1) / kColumns; }

    // Escaped message text with every code of the table replaced by the page's picture markup;
    // brackets that name no emoticon stay text.
    std::string PicturesInEscapedText(std::string_view escaped) const;

  private:
    std::vector<EmoticonEntry> entries_;
    std::unordered_map<std::string, std::size_t> byCode_;
    std::unordered_map<std::string, std::size_t> byPath_;
};
