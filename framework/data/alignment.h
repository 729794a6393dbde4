// Text alignment, shared by the fields (how a value lines up in its column) and the window layer (how a control
// lines up its text), so that a control showing a field uses the field's value as it is.
#pragma once

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
