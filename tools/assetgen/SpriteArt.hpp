// The game's sprite images, painted from shapes: every ship points along +x, on a transparent background.
// Each is painted in game units and mapped to pixels by the pixel scale the game draws it with, so its size
// on screen matches the object's collision circle.
#pragma once

#include <string>
#include <vector>

#include <glm/vec2.hpp>
#include <glm/vec4.hpp>

#include "tools/assetgen/Raster.hpp"

namespace kv {

using glm::vec2;
using glm::vec4;

struct SpriteImage {
    std::string fileName; // under sprites/
    Raster raster;
    vec2 pixelScale; // game units per pixel, per axis, as the game's sprite table gives it
    vec2 origin;     // fraction of the image placed at the entity's position, (0, 0) bottom-left
    vec4 tint;       // colour the game multiplies the sprite by, for previews
};

// pixelsPerUnit above 1 paints the same ship at a higher resolution (the icon is made from it).
Raster paintPlayerShip(float pixelsPerUnit = 1.0f);
Raster paintTurret();
Raster paintFirebolt();
Raster paintSwarmer();
Raster paintDiver();
Raster paintMothershipHull();
Raster paintMothershipCore();

// All of the above with their file names and in-game scales, in a fixed order.
std::vector<SpriteImage> paintSprites();

} // namespace kv
