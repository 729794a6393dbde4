// TdvRestore: the engine's name for the base layer's restore-on-exit helper.
#pragma once

#include "framework/base/restore.h"

template <typename T>
using TdvRestore = TRestore<T>;
