// Pictures of controls without a display: a control (a form with all its children, or any one control) painted
// into a bitmap or a PNG file, exactly as it would show. Used by the tests and by the program's screenshot option.
#pragma once

#include <string>

#include "framework/window/bitmap.h"
#include "framework/window/controls.h"

// Paints the control and its children into bitmap (resized to the control's size). Pending layout and paint
// events are handled first.
void RenderToBitmap(TControl& control, TBitmap& bitmap);
// The same picture as a PNG file; EInvalidGraphic when it cannot be written.
void RenderToPng(TControl& control, const std::string& fileName);
