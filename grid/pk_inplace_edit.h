// The grid's in-place editor: TpkInplaceEdit adds to the base editor the field's input picture (TpkDBPicture),
// word wrap from the grid's dgWordWrap, Enter-to-Tab and the picture checks of typed characters.
#pragma once

#include <string>

#include "framework/window/grids.h"

class TpkCustomDBGrid;

// The input picture in force for the current cell.
struct TpkDBPicture {
    std::string PictureMask;        // empty: no picture
    bool AutoFill = true;           // literals that follow the typed text are filled in
    bool AllowInvalidExit = false;  // a text that fails the picture may still be written
};

class TpkInplaceEdit : public TInplaceEdit {
public:
    // REQUIRES: grid outlives the editor (it owns it).
    explicit TpkInplaceEdit(TpkCustomDBGrid* grid);

    TpkDBPicture& Picture() { return picture_; }
    const TpkDBPicture& Picture() const { return picture_; }
    // Whether the picture is checked at all (on by default).
    bool UsePictureMask() const { return usePictureMask_; }
    void SetUsePictureMask(bool value) { usePictureMask_ = value; }
    // Input-method settings copied from the grid (kept for platforms that have them).
    int ImeMode = 0;
    std::string ImeName;

    // The picture is in force and the text fills it (an empty text passes).
    bool PassesPicture(const std::string& text) const;
    bool PictureInForce() const { return usePictureMask_ && !picture_.PictureMask.empty(); }

    void UpdateContents() override;
    void KeyDown(TKey& key, TShiftState shift) override;
    void KeyPress(char& key) override;
    void KeyUp(TKey& key, TShiftState shift) override;

protected:
    void DoEnter() override;

private:
    void RaiseCheckValue(bool passes);
    TpkCustomDBGrid* dbGrid_;
    TpkDBPicture picture_;
    bool usePictureMask_ = true;
};
