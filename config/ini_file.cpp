#include "config/ini_file.h"

#include <algorithm>

namespace {

constexpr std::size_t npos = std::string::npos;

std::string_view Trim(std::string_view text) {
    constexpr std::string_view kSpace = " \t\r\n\v\f";
    auto first = text.find_first_not_of(kSpace);
    if (first == npos) return {};
    auto last = text.find_last_not_of(kSpace);
    return text.substr(first, last - first + 1);
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

std::string OneLine(std::string_view value) {
    std::string line(value);
    std::replace_if(
        line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return line;
}

}  // namespace

IniFile::IniFile(std::string_view text) {
    // The byte order mark is not written back, so every one at the start goes: a file saved twice
    // by an editor that adds one must read the same before and after the client writes it.
    while (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    while (!text.empty()) {
        auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines_.push_back(Parse(std::string(line)));
        if (end == npos) break;
        text.remove_prefix(end + 1);
    }
}

IniFile::Line IniFile::Parse(std::string text) {
    Line line;
    std::string_view trimmed = Trim(text);
    if (!trimmed.empty() && trimmed.front() == '[') {
        auto close = trimmed.find(']');
        if (close != npos) {
            line.kind = Line::Kind::kSection;
            line.name = std::string(Trim(trimmed.substr(1, close - 1)));
        }
    } else if (!trimmed.empty() && trimmed.front() != ';' && trimmed.front() != '#') {
        auto equals = trimmed.find('=');
        if (equals != npos && equals > 0) {
            line.kind = Line::Kind::kKey;
            line.name = std::string(Trim(trimmed.substr(0, equals)));
        }
    }
    line.text = std::move(text);
    return line;
}

std::size_t IniFile::FindSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind == Line::Kind::kSection && SameName(lines_[i].name, section)) return i;
    }
    return npos;
}

std::size_t IniFile::FindKey(std::size_t header, std::string_view key) const {
    for (std::size_t i = header + 1; i < lines_.size(); ++i) {
        if (lines_[i].kind == Line::Kind::kSection) break;
        if (lines_[i].kind == Line::Kind::kKey && SameName(lines_[i].name, key)) return i;
    }
    return npos;
}

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key) const {
    std::size_t header = FindSection(section);
    if (header == npos) return std::nullopt;
    std::size_t found = FindKey(header, key);
    if (found == npos) return std::nullopt;
    std::string_view text = lines_[found].text;
    std::string_view value = Trim(text.substr(text.find('=') + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
}

void IniFile::Set(std::string_view section, std::string_view key, std::string_view value) {
    std::string keyName = OneLine(key);
    Line entry = Parse(keyName + "=" + OneLine(value));
    std::size_t header = FindSection(section);
    if (header == npos) {
        if (!lines_.empty() && !Trim(lines_.back().text).empty()) lines_.push_back(Parse(""));
        lines_.push_back(Parse("[" + OneLine(section) + "]"));
        lines_.push_back(std::move(entry));
        return;
    }
    std::size_t found = FindKey(header, key);
    if (found != npos) {
        // Keep the spelling the file already uses for the key.
        lines_[found] = Parse(lines_[found].name + "=" + OneLine(value));
        return;
    }
    // After the section's last non-blank line.
    std::size_t insertAt = header + 1;
    for (std::size_t i = header + 1; i < lines_.size(); ++i) {
        if (lines_[i].kind == Line::Kind::kSection) break;
        if (!Trim(lines_[i].text).empty()) insertAt = i + 1;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(entry));
}

bool IniFile::Remove(std::string_view section, std::string_view key) {
    std::size_t header = FindSection(section);
    if (header == npos) return false;
    std::size_t found = FindKey(header, key);
    if (found == npos) return false;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(found));
    return true;
}

std::string IniFile::Text() const {
    std::string text;
    for (const Line& line : lines_) {
        text += line.text;
        text += '\n';
    }
    return text;
}
