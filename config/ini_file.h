#pragma once
// The sections-and-keys text format of "Config.ini". Users edit the file by hand too, so reading
// never fails on a malformed line, and editing keeps every line it does not change exactly as it
// was. Section and key names match without regard to ASCII case.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class IniFile {
  public:
    explicit IniFile(std::string_view text = {});

    // The value of the first `key` in the first `section`, trimmed of spaces, with one pair of
    // surrounding double quotes removed.
    std::optional<std::string> Get(std::string_view section, std::string_view key) const;
    // Sets the value, adding the key (and the section) when missing. Line breaks in the value
    // become spaces, so a value can never add lines of its own.
    void Set(std::string_view section, std::string_view key, std::string_view value);
    // Removes the key; true when it was there.
    bool Remove(std::string_view section, std::string_view key);

    std::string Text() const;

  private:
    struct Line {
        std::string text;
        enum class Kind { kOther, kSection, kKey } kind = Kind::kOther;
        std::string name;  // section name or key name, trimmed
    };

    // Index of the section's header line, or npos.
    std::size_t FindSection(std::string_view section) const;
    // Index of the key's line inside the section starting at `header`, or npos.
    std::size_t FindKey(std::size_t header, std::string_view key) const;
    static Line Parse(std::string text);

    std::vector<Line> lines_;
};
