// GRBitmapButtonBar: a row of equally sized buttons, each known by an id.
//
// Ids of the standard buttons (AddButton with a handler and an id) give the
// label: 0x800 OK (the default button), 4 Cancel, 0x4000 Measure, 2 Yes,
// 8 No, 0x10 Help; other ids get "Button <id>". Further buttons carry a
// bitmap and a text of their own. Buttons stand left to right at the spacing
// given; AddGap widens the space before the next button. GetSizePixel
// reports the size of one button, as the bar was built with.
//
// A click calls the button's handler with the button; a button without a
// handler calls the bar's click handler with the bar (GetCurButtonId tells
// which button).
#pragma once

#include "sv/Bitmap.hpp"
#include "sv/Link.hpp"
#include "sv/Point.hpp"
#include "sv/Size.hpp"
#include "sv/String.hpp"

#include <memory>
#include <vector>

class Window;
class PushButton;

class GRBitmapButtonBar : public LinkHdl {
public:
    GRBitmapButtonBar(Window* pParent, const Point& rPos, const Size& rButtonSize, int nFlags = 1,
                      const Size& rSpacing = Size(10, 0));
    ~GRBitmapButtonBar() override;
    GRBitmapButtonBar(const GRBitmapButtonBar&) = delete;
    GRBitmapButtonBar& operator=(const GRBitmapButtonBar&) = delete;

    PushButton* AddButton(const Link& rHdl, unsigned short nId, int nFlags = 0);
    PushButton* AddButton(const Bitmap& rBitmap, const String& rText, unsigned short nId, int nFlags = 0,
                          int nStyle = 0, const Link& rHdl = Link());
    void AddGap(int nPixels);

    void EnableButton(unsigned short nId, bool bEnable = true);
    void DisableButton(unsigned short nId) { EnableButton(nId, false); }
    bool IsButtonEnabled(unsigned short nId) const;
    PushButton* GetButton(unsigned short nId) const;
    unsigned short GetButtonCount() const { return static_cast<unsigned short>(maButtons.size()); }
    void ChangeButtonHdl(unsigned short nId, const Link& rHdl);
    Link ChangeClickHdl(const Link& rHdl);
    unsigned short GetCurButtonId() const { return mnCurId; }
    // Clicks the button as the user would; false when it is missing or disabled.
    bool ClickButton(unsigned short nId);

    Size GetSizePixel() const { return maButtonSize; }
    Size GetBarSizePixel() const;
    Point GetPosPixel() const;
    void SetPosPixel(const Point& rPos);
    Point ChangePosPixel(const Point& rPos);
    void Show(bool bVisible = true);
    void Hide() { Show(false); }
    bool IsVisible() const;
    Window& GetWindow() { return *mpBar; }

private:
    struct Entry {
        unsigned short nId;
        std::unique_ptr<PushButton> pButton;
        Link aHdl;
    };
    long ButtonHdl(PushButton* pButton);
    PushButton* Append(unsigned short nId, const Link& rHdl, bool bDefault);
    void Layout();

    std::unique_ptr<Window> mpBar;
    std::vector<Entry> maButtons;
    std::vector<int> maGapBefore;
    Size maButtonSize;
    Size maSpacing;
    int mnFlags;
    int mnPendingGap = 0;
    unsigned short mnCurId = 0;
    Link maClickHdl;
};
