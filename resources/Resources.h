// The program's own resources: every file of resources/data, compiled in.
#pragma once

#include "image/Resource.h"

namespace kelvane {

// The module holding "ICONS", "MAINICON" and any other file of resources/data.
const TResourceModule& KelvaneResources();

}  // namespace kelvane
