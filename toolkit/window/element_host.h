#pragma once
// The element host that pages and dialogs derive from: a list of child elements drawn in order
// over the host window, the element that holds the mouse capture and the one under the pointer,
// batched updates, and the tooltip adapter that keeps each element's tools.

#include <QColor>
#include <QString>
#include <map>
#include <vector>

#include "toolkit/elements/ui_context.h"
#include "toolkit/window/vwindow.h"

class QPainter;

// One element of a host. The host keeps its rectangle (host coordinates) and flags.
class IKesUIElement {
  public:
    static constexpr unsigned kVisible = 0x1;

    virtual void OnElementMove(int x, int y) { (void)x, (void)y; }
    virtual void OnElementSize(int width, int height) { (void)width, (void)height; }
    // Draws with the painter's origin at the element's top-left corner.
    virtual void DrawElement(QPainter& dc) = 0;
    virtual void OnCaptureLost() {}
    virtual void OnElementMouseLeave() {}
    // The text of one of the element's tools.
    virtual QString ToolText(int id) const {
        (void)id;
        return QString();
    }

    bool IsVisible() const { return flags & kVisible; }

    UiRect rect;
    unsigned flags = kVisible;

    virtual ~IKesUIElement() = default;
};

// The tools of each element, for the shared tooltip.
class CKesToolTipAdpater {
  public:
    struct Tool {
        int id = 0;
        UiRect rect;  // host coordinates
    };
    void AddTool(IKesUIElement* element, int id, const UiRect& rect);
    void RemoveTools(IKesUIElement* element);
    const std::vector<Tool>* ToolsOf(IKesUIElement* element) const;
    // The tool under a point and its text.
    bool ToolAt(int x, int y, UiRect& rect, QString& text) const;

  private:
    std::map<IKesUIElement*, std::vector<Tool>> tools_;
};

class IKesWndManager {
  public:
    virtual void AddElement(IKesUIElement* element) = 0;
    virtual void RemoveElement(IKesUIElement* element) = 0;
    virtual void SetElementCapture(IKesUIElement* element) = 0;
    virtual void ReleaseElementCapture(IKesUIElement* element) = 0;
    virtual LRESULT SendHostMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    virtual LRESULT SendCommand(LPARAM second, int code, int id) = 0;
    virtual bool PostHostMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    virtual void SetElementRect(IKesUIElement* element, int x, int y, int width, int height) = 0;
    virtual void SetElementSize(IKesUIElement* element, int width, int height) = 0;
    virtual void SetElementPosition(IKesUIElement* element, int x, int y) = 0;
    virtual void RedrawElement(IKesUIElement* element, const UiRect* part, bool background) = 0;
    virtual void AddTool(IKesUIElement* element, int id, const UiRect& rect) = 0;
    virtual void RemoveTools(IKesUIElement* element) = 0;
    virtual void HoldUpdates() = 0;
    virtual void Resume() = 0;
    virtual HWND HostWindow() const = 0;
    virtual void FillBackground(QPainter& dc, const UiRect* rect) = 0;
    virtual void Paint(QPainter& dc, const UiRect& clip) = 0;
    virtual void PaintElements(QPainter& dc, const UiRect& clip) = 0;

  protected:
    ~IKesWndManager() = default;
};

class CKesWndManager : public IKesWndManager, public CKesToolTipAdpater {
  public:
    CKesWndManager() = default;
    explicit CKesWndManager(HWND host) : host_(host) {}
    virtual ~CKesWndManager() = default;

    void SetHost(HWND host) { host_ = host; }
    // The colour the host's background is filled with; invalid for none.
    void SetBackground(const QColor& colour) { background_ = colour; }

    void AddElement(IKesUIElement* element) override;
    void RemoveElement(IKesUIElement* element) override;
    void SetElementCapture(IKesUIElement* element) override;
    void ReleaseElementCapture(IKesUIElement* element) override;
    LRESULT SendHostMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT SendCommand(LPARAM second, int code, int id) override;
    bool PostHostMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void SetElementRect(IKesUIElement* element, int x, int y, int width, int height) override;
    void SetElementSize(IKesUIElement* element, int width, int height) override;
    void SetElementPosition(IKesUIElement* element, int x, int y) override;
    void RedrawElement(IKesUIElement* element, const UiRect* part, bool background) override;
    void AddTool(IKesUIElement* element, int id, const UiRect& rect) override;
    void RemoveTools(IKesUIElement* element) override;
    void HoldUpdates() override { updateAtOnce_ = false; }
    void Resume() override;
    HWND HostWindow() const override { return host_.m_hWnd; }
    void FillBackground(QPainter& dc, const UiRect* rect) override;
    void Paint(QPainter& dc, const UiRect& clip) override { PaintElements(dc, clip); }
    void PaintElements(QPainter& dc, const UiRect& clip) override;

    // The element under the pointer (told when the pointer leaves it).
    void SetHoverElement(IKesUIElement* element);
    // The elements' tools as tooltip-only elements of the host's drawing pass.
    void OfferTools(UiRegion& region);

    // The host window itself as an element.
    UiRect HostClientRect() const { return host_.GetClientRect(); }
    bool HostRectInParent(UiRect& rect) const { return host_.GetRectInParent(rect); }
    void SetHostRect(int x, int y, int width, int height);
    void SetHostSize(int width, int height);
    void SetHostPosition(int x, int y);
    void DestroyHost();
    void ShowHost(bool show);

    void SetPaintingEnabled(bool on) { paintingEnabled_ = on; }
    const std::vector<IKesUIElement*>& Elements() const { return elements_; }
    IKesUIElement* CaptureElement() const { return capture_; }
    IKesUIElement* HoverElement() const { return hover_; }

  private:
    void MoveElement(IKesUIElement* element, const UiRect& rect);

    VWindow host_;
    std::vector<IKesUIElement*> elements_;
    IKesUIElement* capture_ = nullptr;
    IKesUIElement* hover_ = nullptr;
    bool paintingEnabled_ = true;
    bool updateAtOnce_ = true;
    QColor background_{Qt::white};
};
