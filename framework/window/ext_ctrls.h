// TCustomPanel (and TPanel): a container with raised or lowered bevels around a border, and a caption. With
// ParentBackground it leaves its background to its parent (a transparent panel: only bevels and caption paint).
#pragma once

#include "framework/window/controls.h"

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

class TCustomPanel : public TCustomControl {
public:
    explicit TCustomPanel(TComponent* owner);

    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut value);
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut value);
    int BevelWidth() const { return bevelWidth_; }
    // At least 1.
    void SetBevelWidth(int value);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    bool ParentBackground() const { return parentBackground_; }
    void SetParentBackground(bool value);
    // Pixels of bevels and border on each side.
    int BorderSize() const;

protected:
    void Paint() override;
    bool TransparentBackground() const override { return parentBackground_; }

private:
    TBevelCut bevelInner_ = bvNone;
    TBevelCut bevelOuter_ = bvRaised;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    TAlignment alignment_ = taCenter;
    bool parentBackground_ = false;  // paint no background of its own
};

class TPanel : public TCustomPanel {
public:
    using TCustomPanel::TCustomPanel;
};
