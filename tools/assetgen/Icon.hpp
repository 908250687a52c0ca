// The application icon: the player's ship climbing to the upper right across a rounded tile of starry space.
#pragma once

#include "tools/assetgen/Raster.hpp"

namespace kv {

// Pixels along each side of the square icon, the size desktop menus ask for in their hicolor theme.
inline constexpr int kIconSize = 256;

Raster paintIcon();

} // namespace kv
