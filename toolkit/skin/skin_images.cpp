#include "toolkit/skin/skin_images.h"

#include <map>
#include <memory>
#include <set>
#include <string>

#include "config/log.h"

namespace {

using K = SkinKind;

// Names, frame counts and cuts. The first block is the start-up table; the second holds the
// pictures that single windows name with their own cuts.
constexpr SkinImageSpec kTable[] = {
    {"radio.png", 9, K::Plain, {}},
    {"checkbox_round.png", 9, K::Plain, {}},
    {"sys_btn_close.png", 4, K::Plain, {}},
    {"sys_btn_min.png", 4, K::Plain, {}},
    {"sys_btn_max.png", 4, K::Plain, {}},
    {"sys_btn_drop.png", 4, K::Plain, {}},
    {"login_bg.png", 1, K::Plain, {}},
    {"login_btn.png", 4, K::Horizontal3, {40, 50}},
    {"login_eidt_bg.png", 1, K::NinePart, {20, 40, 15, 20}},
    {"login_icon_bg.png", 1, K::Plain, {}},
    {"login_icon_default.png", 1, K::Plain, {}},
    {"main_top_bg.png", 1, K::Plain, {}},
    {"main_icon_bg.png", 1, K::Plain, {}},
    {"main_icon_default.png", 1, K::Plain, {}},
    {"specials_icon.png", 1, K::Plain, {}},
    {"contact_btn_icon.png", 2, K::Plain, {}},
    {"message_btn_icon.png", 2, K::Plain, {}},
    {"top_switch_btn.png", 2, K::Plain, {}},
    {"message_notify_icon.png", 1, K::Plain, {}},
    {"message_notify_icon2.png", 1, K::Plain, {}},
    {"message_notify_icon_small.png", 1, K::Plain, {}},
    {"message_icon_no_notify.png", 1, K::Plain, {}},
    {"contact_list_arrow.png", 2, K::Plain, {}},
    {"main_top_search_bg.png", 1, K::Horizontal3, {60, 70}},
    {"small_white_btn.png", 4, K::Horizontal3, {40, 50}},
    {"small_blue_btn.png", 4, K::Horizontal3, {40, 50}},
    {"sb_top.png", 1, K::Vertical3, {8, 48}},
    {"sb_back.png", 1, K::Vertical3, {8, 48}},
    {"dlg_left_btn.png", 4, K::Plain, {}},
    {"dlgLeft_bg.png", 1, K::Plain, {}},
    {"dlgLeftClose_btn.png", 4, K::Plain, {}},
    {"dlg_sms_group_sel.png", 1, K::Plain, {}},
    {"send_dlg_face.png", 4, K::Plain, {}},
    {"send_dlg_anony.png", 4, K::Plain, {}},
    {"send_dlg_image.png", 4, K::Plain, {}},
    {"dlg_Expression_sel.png", 1, K::Plain, {}},
    {"add_user.png", 4, K::Plain, {}},
    {"del_user.png", 4, K::Plain, {}},
    {"icon_v1.png", 1, K::Plain, {}},
    {"icon_v2.png", 1, K::Plain, {}},
    {"icon_contact1.png", 1, K::Plain, {}},
    {"icon_contact2.png", 1, K::Plain, {}},
    {"icon_contact3.png", 1, K::Plain, {}},
    {"icon_contact_me.png", 1, K::Plain, {}},
    {"dlg_Generate_bten_del.png", 4, K::Plain, {}},
    // Pictures of single windows.
    {"white_btn.png", 4, K::Horizontal3, {20, 40}},
    {"userdetail_drop.png", 1, K::Plain, {}},
    {"white_searchbar_bg.png", 1, K::Horizontal3, {100, 150}},
    {"btn_ToLeft.png", 3, K::Plain, {}},
    {"btn_ToRight.png", 3, K::Plain, {}},
    {"dlg_msg_edit.png", 1, K::NinePart, {10, 30, 10, 30}},
    {"dlg_instapp_2.png", 1, K::Plain, {}},
    {"dlg_instapp_btn1.png", 4, K::Plain, {}},
    {"dlg_instapp_btn2.png", 4, K::Plain, {}},
};

struct SkinStore {
    std::map<std::string, std::unique_ptr<CKesBitmap>, std::less<>> byName;
    std::map<int, std::unique_ptr<CKesBitmap>> builtIn;
    CKesBitmap empty;
    std::set<std::string, std::less<>> reportedUnknown;
};

// Lives until the process ends, like the windows that draw with it.
SkinStore& Store() {
    static auto* store = new SkinStore;
    return *store;
}

std::unique_ptr<CKesBitmap> MakeBitmap(const SkinImageSpec& entry) {
    const QString name = QString::fromLatin1(entry.name);
    switch (entry.kind) {
        case K::Plain:
            return std::make_unique<CKesBitmap>(name, entry.frames);
        case K::Horizontal3:
            return std::make_unique<CKesBitmapHorizen3Part>(name, entry.frames, entry.cuts[0],
                                                            entry.cuts[1]);
        case K::Vertical3:
            return std::make_unique<CKesBitmapVertical3Part>(name, entry.frames, entry.cuts[0],
                                                             entry.cuts[1]);
        case K::NinePart:
            return std::make_unique<CKesBitmap9Part>(name, entry.frames, entry.cuts[0],
                                                     entry.cuts[1], entry.cuts[2], entry.cuts[3]);
    }
    return std::make_unique<CKesBitmap>();
}

}  // namespace

std::span<const SkinImageSpec> SkinImageTable() {
    return kTable;
}

const SkinImageSpec* FindSkinImageSpec(std::string_view name) {
    for (const auto& entry : kTable) {
        if (name == entry.name) return &entry;
    }
    return nullptr;
}

void InitializeSkinImages() {
    SkinStore& store = Store();
    if (!store.byName.empty()) return;
    for (const auto& entry : kTable)
        store.byName.emplace(entry.name, MakeBitmap(entry));
    store.builtIn.emplace(117, std::make_unique<CKesBitmap>(117, 9));
    store.builtIn.emplace(118, std::make_unique<CKesBitmap>(118, 2));
    store.builtIn.emplace(121, std::make_unique<CKesBitmap>(121, 9));
    store.builtIn.emplace(119, std::make_unique<CKesBitmapHorizen3Part>());
}

CKesBitmap& SkinImage(std::string_view name) {
    InitializeSkinImages();
    SkinStore& store = Store();
    auto found = store.byName.find(name);
    if (found != store.byName.end()) return *found->second;
    if (store.reportedUnknown.emplace(name).second) {
        WriteLogText("skin picture not in the table: " + std::string(name));
    }
    return store.empty;
}

CKesBitmapHorizen3Part* SkinHorizontal3(std::string_view name) {
    return dynamic_cast<CKesBitmapHorizen3Part*>(&SkinImage(name));
}

CKesBitmapVertical3Part* SkinVertical3(std::string_view name) {
    return dynamic_cast<CKesBitmapVertical3Part*>(&SkinImage(name));
}

CKesBitmap9Part* SkinNinePart(std::string_view name) {
    return dynamic_cast<CKesBitmap9Part*>(&SkinImage(name));
}

CKesBitmap& BuiltInImage(int number) {
    InitializeSkinImages();
    SkinStore& store = Store();
    auto found = store.builtIn.find(number);
    return found != store.builtIn.end() ? *found->second : store.empty;
}

CKesBitmapHorizen3Part& BuiltInButtonFace() {
    return static_cast<CKesBitmapHorizen3Part&>(BuiltInImage(119));
}
