#pragma once
// The process-wide table of named skin pictures. Every window draws its chrome from these
// objects; each is loaded from the skin directory the first time it is drawn or measured.

#include <span>
#include <string_view>

#include "toolkit/skin/kes_bitmap.h"

enum class SkinKind { Plain, Horizontal3, Vertical3, NinePart };

struct SkinImageSpec {
    const char* name;  // file name in the skin directory (case matters)
    int frames;
    SkinKind kind;
    // Horizontal3: left, right. Vertical3: top, bottom. NinePart: left, right, top, bottom.
    int cuts[4];
};

// Every picture of the table, in table order.
std::span<const SkinImageSpec> SkinImageTable();
// The entry for a name, or null.
const SkinImageSpec* FindSkinImageSpec(std::string_view name);

// Makes every picture object of the table (they load lazily). Called once at start-up after the
// skin directory is known; the accessors call it themselves when start-up did not.
void InitializeSkinImages();

// The picture of the table with that name. An unknown name gives an empty picture that draws
// nothing (and is logged once), so that a missing entry never takes a window down.
CKesBitmap& SkinImage(std::string_view name);
// The same, typed: null when the name is not of that kind.
CKesBitmapHorizen3Part* SkinHorizontal3(std::string_view name);
CKesBitmapVertical3Part* SkinVertical3(std::string_view name);
CKesBitmap9Part* SkinNinePart(std::string_view name);

// The pictures built into the program: 117 (check box, nine 16 x 16 frames), 118 (two 7 x 4
// frames), 121 (nine 43 x 40 frames) and 119 (the three-part button face, four 5 x 27 frames).
CKesBitmap& BuiltInImage(int number);
CKesBitmapHorizen3Part& BuiltInButtonFace();
