#pragma once
// The window templates every skinned window class derives from. A window class is written as
//
//     class CDlgExample : public VWindowImpl<CDlgExample>, public CMoveable<CDlgExample> {
//       public:
//         static std::string_view WindowClassName() { return "QXDialogExampleClass"; }
//         void DoUI(UiContext& ctx) override {
//             UiRegion root(ctx);
//             UiFill(root, ctx.client, palette::kSurface);
//             if (UiButton(root, {20, 20, 109, 52}, u"确定"_s, {}, kUiTakesMouse,
//                          &SkinImage("small_blue_btn.png"))) {
//                 ctx.Later([this] { DestroyWindow(); });
//             }
//         }
//         bool OnWindowMessage(UINT message, WPARAM, LPARAM, LRESULT&) override;
//     };
//
// DoUI draws every element when painting and hit-tests them for mouse input; an element returns
// true when it was clicked. Actions that may close the window or change what DoUI walks over
// go through ctx.Later, which runs them after the pass.

#include <QEventLoop>
#include <string_view>
#include <type_traits>

#include "toolkit/window/window_root.h"

// Optional mix-in: a left press that no element took moves the window.
template <class T>
class CMoveable {
  protected:
    ~CMoveable() = default;
};

// The drawing state and message handling, for window class T.
template <class T, class TRoot = VWindowImplRoot>
class VWindowImplBase : public TRoot {
  protected:
    bool IsMoveable() const override { return std::is_base_of_v<CMoveable<T>, T>; }
};

// Skinned windows. The default traits are WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS |
// WS_CLIPCHILDREN; a window without WS_CHILD is a borderless top-level window.
template <class T, DWORD TStyle = kSkinnedChildTraits, DWORD TExStyle = 0>
class VWindowImpl : public VWindowImplBase<T> {
  public:
    static std::string_view WindowClassName() { return "VWindow"; }

    HWND Create(HWND parent, const UiRect& rect, const QString& title = QString(), DWORD style = 0,
                DWORD exStyle = 0) {
        return this->CreateWindowEx(parent, rect, T::WindowClassName(), title,
                                    style ? style : TStyle, exStyle | TExStyle);
    }
};

// The non-template part of dialogs: the modal loop and its end.
class VDialogCore : public VWindowImplRoot {
  public:
    static constexpr DWORD kDialogStyle = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

    // Ends the dialog with `result`: a modal dialog's DoModal returns it.
    bool EndDialog(int result);
    bool IsModal() const { return loop_ != nullptr; }

  protected:
    // Creates the dialog (WM_INITDIALOG receives `initParam`) and, when modal, runs until
    // EndDialog. The dialog's WM_INITDIALOG sizes and places it; `rect` is where it starts.
    int RunModal(HWND owner, LPARAM initParam, std::string_view className, const UiRect& rect,
                 DWORD exStyle);
    HWND CreateModeless(HWND owner, LPARAM initParam, std::string_view className,
                        const UiRect& rect, DWORD exStyle);
    bool IsDialogWindow() const override { return true; }
    void OnDialogEscape() override { EndDialog(IDCANCEL); }
    // Enter with the keyboard on no element, in a dialog without a default button, confirms.
    void OnDialogEnter() override { EndDialog(IDOK); }
    // A modal dialog destroyed some other way still ends its loop.
    void OnWindowDestroyed() override;

  private:
    QEventLoop* loop_ = nullptr;
    int result_ = IDCANCEL;
};

template <class T>
class VDialogImpl : public VWindowImplBase<T, VDialogCore> {
  public:
    static std::string_view WindowClassName() { return "VDialog"; }
    // The size the dialog starts with; WM_INITDIALOG may change it.
    static constexpr int kInitialWidth = 300;
    static constexpr int kInitialHeight = 200;

    // A modal dialog over `owner`: returns the EndDialog result, or -1 when the dialog could not
    // be made.
    int DoModal(HWND owner = nullptr, LPARAM initParam = 0, DWORD exStyle = 0) {
        return this->RunModal(owner, initParam, T::WindowClassName(), InitialRect(), exStyle);
    }
    // A modeless dialog.
    HWND Create(HWND owner = nullptr, LPARAM initParam = 0, DWORD exStyle = 0) {
        return this->CreateModeless(owner, initParam, T::WindowClassName(), InitialRect(), exStyle);
    }

  private:
    static UiRect InitialRect() {
        return UiRect::FromSize(0, 0, T::kInitialWidth, T::kInitialHeight);
    }
};
