// The data-access headers as the component library includes them. The data layer and the window layer each
// declare their own TAlignment with the same three values, so one file cannot include both as they stand; this
// header includes the data layer's with its alignment type renamed (the library never uses a field's alignment).
// Include it instead of framework/data headers, after or before window headers alike.
#pragma once

#include "framework/window/types.h"

#define TAlignment TpkFieldAlignment
#define taLeftJustify pkFieldLeftJustify
#define taRightJustify pkFieldRightJustify
#define taCenter pkFieldCenter
#include "framework/data/data_link.h"
#include "framework/data/data_set.h"
#include "framework/data/data_source.h"
#include "framework/data/db_error.h"
#include "framework/data/field.h"
#undef TAlignment
#undef taLeftJustify
#undef taRightJustify
#undef taCenter
