// The library's bases for the navigator: TpkSpeedButton, a speed button that draws its picture from an image list
// (image index + 1 disabled with more than one glyph, + 2 pressed with more than two, + 3 under the mouse with
// more than three) and shows its caption only with ShowText; and TpkCustomTransparentPanel, a panel that can
// leave its background to its parent.
#pragma once

#include "framework/window/buttons.h"
#include "framework/window/ext_ctrls.h"

class TImageList;

struct TpkDisabledTextColors {
    TColor HighlightColor = clBtnHighlight;
    TColor ShadeColor = clGray;
};

class TpkSpeedButton : public TSpeedButton {
public:
    // 25 by 25, no double clicks, centred, transparent.
    explicit TpkSpeedButton(TComponent* owner);
    ~TpkSpeedButton() override;

    TImageList* ImageList() const { return imageList_; }
    void SetImageList(TImageList* list);
    virtual int ImageIndex() const { return imageIndex_; }
    virtual void SetImageIndex(int value);
    bool ShowText() const { return showText_; }
    void SetShowText(bool value);
    TpkDisabledTextColors& DisabledTextColors() { return disabledTextColors_; }

protected:
    void DrawGlyphAndCaption(TCanvas& canvas, const TRect& rect, TButtonState state, bool pressed) override;
    void Notification(TComponent* component, TOperation operation) override;
    int RawImageIndex() const { return imageIndex_; }

private:
    TImageList* imageList_ = nullptr;  // borrowed; cleared when it goes
    int imageIndex_ = -1;
    bool showText_ = false;
    TpkDisabledTextColors disabledTextColors_;
};

class TpkCustomTransparentPanel : public TCustomPanel {
public:
    explicit TpkCustomTransparentPanel(TComponent* owner);

    bool Transparent() const { return ParentBackground(); }
    void SetTransparent(bool value) { SetParentBackground(value); Invalidate(); }
};
