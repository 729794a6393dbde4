// TImageList: a list of equally sized images with masks. Add takes a bitmap and a mask (white mask pixels are
// transparent), AddMasked a bitmap whose pixels of one colour are transparent; a bitmap wider than the list
// holds several images side by side. Draw paints an image, or its disabled (greyed, embossed) form.
#pragma once

#include <memory>
#include <vector>

#include "framework/window/bitmap.h"
#include "framework/window/component.h"

class TImageList : public TComponent {
public:
    explicit TImageList(TComponent* owner);
    ~TImageList() override;

    int Width() const { return width_; }
    int Height() const { return height_; }
    // Changing the size clears the list.
    void SetWidth(int value);
    void SetHeight(int value);
    int Count() const;

    // Adds the images of bitmap (one per Width pixels), transparent where mask is white (mask may be nullptr:
    // opaque). Returns the index of the first, or -1 when the bitmap is empty.
    int Add(const TBitmap& bitmap, const TBitmap* mask);
    // Adds the images of bitmap, transparent where a pixel has maskColor (clDefault: the bottom-left pixel's).
    int AddMasked(const TBitmap& bitmap, TColor maskColor);
    void Delete(int index);
    void Clear();
    // Paints image index with its top-left corner at (x, y); disabled images are drawn greyed. An index out of
    // range draws nothing.
    void Draw(TCanvas& canvas, int x, int y, int index, bool enabled = true) const;
    // The image drawn on background into bitmap (sized to the list's image size).
    void GetBitmap(int index, TBitmap& bitmap, TColor background = clBtnFace) const;

    TNotifyEvent OnChange;

private:
    struct Impl;
    void Changed();

    std::unique_ptr<Impl> impl_;  // the images with their transparency
    int width_ = 16;
    int height_ = 16;
};
