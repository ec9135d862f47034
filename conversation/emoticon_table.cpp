#include "conversation/emoticon_table.h"

#include <QImageReader>
#include <QString>
#include <algorithm>
#include <filesystem>
#include <fstream>

namespace {

// Limits that keep a damaged or hostile script from costing more than a real one ever would.
constexpr std::size_t kMaxScriptBytes = 1 << 20;
constexpr std::size_t kMaxEntries = 1000;
constexpr int kMaxPictureSide = 256;
constexpr std::size_t kMaxCodeLength = 64;

constexpr std::string_view kBlockStart = "emotions: {";
constexpr std::string_view kPageFolder = "qxstc-ie6fix";

std::string ReadPrefix(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::string text(kMaxScriptBytes, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return text;
}

std::string Cleaned(std::string_view piece) {
    std::string out;
    out.reserve(piece.size());
    for (char c : piece) {
        if (c != '\'') out += c;
    }
    const auto isSpace = [](unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    std::size_t begin = 0;
    std::size_t end = out.size();
    while (begin < end && isSpace(static_cast<unsigned char>(out[begin])))
        ++begin;
    while (end > begin && isSpace(static_cast<unsigned char>(out[end - 1])))
        --end;
    return out.substr(begin, end - begin);
}

// A picture the page can name as it stands: a relative path of plain names, never leaving the
// page directory and needing no escaping inside an attribute.
bool IsPlainRelativePath(std::string_view file) {
    if (file.empty() || file.front() == '/') return false;
    for (char c : file) {
        const bool plain = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
                           (c >= 'a' && c <= 'z') || c == '_' || c == '-' || c == '.' || c == '/';
        if (!plain) return false;
    }
    std::size_t start = 0;
    while (start <= file.size()) {
        const std::size_t slash = std::min(file.find('/', start), file.size());
        const std::string_view part = file.substr(start, slash - start);
        if (part.empty() || part == "." || part == "..") return false;
        start = slash + 1;
    }
    return true;
}

// A code whose picture markup can carry it as it stands: "[" plain characters "]".
bool IsPlainCode(std::string_view code) {
    if (code.size() < 3 || code.front() != '[' || code.back() != ']') return false;
    return std::all_of(code.begin() + 1, code.end() - 1, [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
               c == '_' || c == '-';
    });
}

QImage LoadPicture(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return {};
    QImageReader reader(QString::fromStdString(path));
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > kMaxPictureSide || size.height() > kMaxPictureSide)) {
        return {};
    }
    QImage image = reader.read();
    if (image.width() > kMaxPictureSide || image.height() > kMaxPictureSide) return {};
    return image;
}

std::string Normal(const std::string& path) {
    return std::filesystem::path(path).lexically_normal().string();
}

}  // namespace

EmoticonTable EmoticonTable::Load(const std::string& skinDirectory) {
    EmoticonTable table;
    const std::string pageDirectory = skinDirectory + "/" + std::string(kPageFolder) + "/";
    const std::string script = ReadPrefix(pageDirectory + "js/sms.js");
    const std::size_t start = script.find(kBlockStart);
    if (start == std::string::npos) return table;
    const std::size_t from = start + kBlockStart.size();
    const std::size_t close = script.find('}', from);
    const std::string_view block = std::string_view(script).substr(
        from, close == std::string::npos ? script.npos : close - from);

    int position = 0;
    for (std::size_t at = 0; at <= block.size() && table.entries_.size() < kMaxEntries;
         ++position) {
        const std::size_t comma = std::min(block.find(',', at), block.size());
        const std::string_view piece = block.substr(at, comma - at);
        at = comma + 1;
        const std::size_t colon = piece.find(':');
        if (colon == std::string_view::npos || colon <= 1) continue;
        EmoticonEntry entry;
        entry.index = position;
        entry.code = Cleaned(piece.substr(0, colon));
        entry.file = Cleaned(piece.substr(colon + 1));
        if (entry.code.empty() || entry.code.size() > kMaxCodeLength) continue;
        if (table.byCode_.count(entry.code) != 0 || !IsPlainRelativePath(entry.file)) continue;
        entry.imagePath = pageDirectory + entry.file;
        entry.image = LoadPicture(entry.imagePath);
        if (entry.image.isNull()) continue;
        table.byCode_.emplace(entry.code, table.entries_.size());
        table.byPath_.emplace(Normal(entry.imagePath), table.entries_.size());
        table.entries_.push_back(std::move(entry));
    }
    return table;
}

std::optional<std::string> EmoticonTable::CodeForImage(const std::string& imagePath) const {
    const auto found = byPath_.find(Normal(imagePath));
    if (found == byPath_.end()) return std::nullopt;
    return entries_[found->second].code;
}

const EmoticonEntry* EmoticonTable::FindCode(std::string_view code) const {
    const auto found = byCode_.find(std::string(code));
    return found == byCode_.end() ? nullptr : &entries_[found->second];
}

std::string EmoticonTable::PicturesInEscapedText(std::string_view escaped) const {
    std::string out;
    out.reserve(escaped.size());
    std::size_t at = 0;
    while (at < escaped.size()) {
        const std::size_t open = escaped.find('[', at);
        if (open == std::string_view::npos) break;
        out.append(escaped.substr(at, open - at));
        const std::size_t close = escaped.find(']', open + 1);
        const EmoticonEntry* entry = nullptr;
        if (close != std::string_view::npos && close - open < kMaxCodeLength) {
            const std::string_view code = escaped.substr(open, close - open + 1);
            if (IsPlainCode(code)) entry = FindCode(code);
        }
        if (entry == nullptr) {
            out += '[';
            at = open + 1;
            continue;
        }
        out += "<img class=\"emoticon\" src=\"" + entry->file + "\" alt=\"" + entry->code + "\">";
        at = close + 1;
    }
    out.append(escaped.substr(std::min(at, escaped.size())));
    return out;
}
