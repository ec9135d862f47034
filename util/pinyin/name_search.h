#pragma once
// Matching what the user types against people's names: the typed text is found in the name
// itself, in its whole pinyin or in its initials ("zs", "zhang" and "张" all find 张三).

#include <string>
#include <string_view>

struct NameSearchKeys {
    std::string name;      // UTF-8, Latin letters lower-cased
    std::string whole;     // ToPinyin whole syllables
    std::string initials;  // ToPinyin initials
};

NameSearchKeys MakeNameSearchKeys(std::string_view name);

// One typed search text (UTF-8; Latin letters are compared without regard to case). An empty
// text matches every name.
class NameQuery {
  public:
    explicit NameQuery(std::string_view typed);

    bool Matches(const NameSearchKeys& keys) const;
    // Converts the name on the spot.
    bool Matches(std::string_view name) const { return Matches(MakeNameSearchKeys(name)); }

  private:
    std::string typed_;
};
