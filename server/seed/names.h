#pragma once

#include <cstdint>
#include <string>

namespace lumeno::server {

// A generated person's name with its pinyin (lower case, syllables joined), the sort key that
// contact lists use.
struct GeneratedName {
    std::string name;
    std::string py;
    int gender = 0;  // 1 male, 2 female
};

// Mostly Chinese names, some Latin ones; the same index always gives the same name.
GeneratedName NameFor(std::uint32_t index);

struct Place {
    const char* province;
    const char* city;
};
Place PlaceFor(std::uint32_t index);

struct Occupation {
    const char* company;
    const char* position;
    const char* industry;
    const char* skills;
};
Occupation OccupationFor(std::uint32_t index);

}  // namespace lumeno::server
