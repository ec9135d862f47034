// On a screen of two device pixels per pixel (this binary sets QT_SCALE_FACTOR=2 before the
// application exists) small avatars are drawn from the large copy that the same download brings,
// not stretched from the small one.
#include <cstdlib>

#include "api/login.h"
#include "tests/support/main_window_client.h"
#include "toolkit/skin/kes_bitmap.h"
#include "toolkit/skin/skin_images.h"
#include "ui/common/cached_pictures.h"

namespace lumeno::test {
namespace {

// Before main(): the application object reads the factor when it is made.
const bool kDenseScreen = [] { return ::setenv("QT_SCALE_FACTOR", "2", 1) == 0; }();

class SmallAvatarWindow final : public VWindowImpl<SmallAvatarWindow, WS_POPUP> {
  public:
    static std::string_view WindowClassName() { return "LumenoTestSmallAvatarWindow"; }
    void DoUI(UiContext& ctx) override {
        UiRegion root(ctx);
        pictures.Draw(root, UiRect(0, 0, 42, 42), address, kSmallAvatarPixels,
                      SkinImage("main_icon_default.png"));
    }
    CCachedPictures pictures{*this};
    std::string address;
};

TEST_F(MainWindowClientTest, SmallAvatarsComeFromTheLargeCopyOnADenseScreen) {
    SignInDemo();
    SmallAvatarWindow window;
    window.address = service_.BaseUrl() + "/files/avatar/nobody-here.png";
    ASSERT_TRUE(window.Create(nullptr, UiRect(0, 0, 50, 50)));
    ASSERT_TRUE(kDenseScreen);
    ASSERT_GT(window.Widget()->devicePixelRatioF(), 1.0);
    window.ShowWindow(SW_SHOW);
    ASSERT_TRUE(PumpUntil([&] {
        return window.pictures.Failed(window.address, kLargeAvatarKey) ||
               window.pictures.Failed(window.address, kSmallAvatarPixels);
    }));
    EXPECT_TRUE(window.pictures.Failed(window.address, kLargeAvatarKey)) << "the large copy asked";
    EXPECT_FALSE(window.pictures.Failed(window.address, kSmallAvatarPixels));
    window.DestroyWindow();
}

}  // namespace
}  // namespace lumeno::test
