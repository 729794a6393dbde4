// TSpeedButton: a light button (a graphic control: it never takes the focus) with a glyph and a caption. It is
// up, down (pressed by the mouse or held down as part of a group) or disabled; buttons of one GroupIndex in one
// parent act as radio buttons, AllowAllUp letting the last one come up again. It paints itself with 3-D edges, or,
// when Flat, with an edge only while the mouse is over it. The glyph holds NumGlyphs images side by side (up,
// disabled, clicked, held down); its bottom-left pixel's colour is transparent.
#pragma once

#include <memory>

#include "framework/window/bitmap.h"
#include "framework/window/controls.h"

class TImageList;

enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

class TSpeedButton : public TGraphicControl {
public:
    explicit TSpeedButton(TComponent* owner);
    ~TSpeedButton() override;

    TBitmap& Glyph() { return glyph_; }
    // Copies the picture (and invalidates).
    void SetGlyph(const TBitmap& glyph);
    int NumGlyphs() const { return numGlyphs_; }
    // 1 to 4; other values are ignored.
    void SetNumGlyphs(int value);
    bool Flat() const { return flat_; }
    void SetFlat(bool value);
    bool Down() const { return down_; }
    // Only a button of a group (GroupIndex > 0) stays down; the others of its group come up.
    void SetDown(bool value);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int value);
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool value);
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout value);
    // Pixels from the edge to the glyph; -1 centres glyph and caption.
    int Margin() const { return margin_; }
    void SetMargin(int value);
    // Pixels between glyph and caption; -1 spreads them evenly.
    int Spacing() const { return spacing_; }
    void SetSpacing(int value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);

    // The state the button paints in now.
    TButtonState State() const;
    void Click() override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void CMEnabledChanged() override;
    void CMMouseEnter() override;
    void CMMouseLeave() override;
    // Draws glyph and caption in rect for a state (the navigator's buttons replace the glyph source).
    virtual void DrawGlyphAndCaption(TCanvas& canvas, const TRect& rect, TButtonState state, bool pressed);
    // Whether the button is being pressed by the mouse now.
    bool Dragging() const { return dragging_; }

private:
    void UpdateExclusive();
    void GlyphChanged();

    TBitmap glyph_;
    std::unique_ptr<TImageList> glyphList_;  // the glyph cut into its images, transparency applied
    int numGlyphs_ = 1;
    bool flat_ = false;
    bool down_ = false;
    int groupIndex_ = 0;
    bool allowAllUp_ = false;
    TButtonLayout layout_ = blGlyphLeft;
    int margin_ = -1;
    int spacing_ = 4;
    bool transparent_ = true;
    TButtonState state_ = bsUp;  // pressed state from the mouse and Down
    bool dragging_ = false;      // the left button went down on this button and is still down
};
