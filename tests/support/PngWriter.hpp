// Writes test images as PNG files, so image loading is tested on files made by the test itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kv::test {

// rgba: width * height pixels of 4 bytes, first row = top of the image. Throws when the file can't be
// written.
void writePng(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgba);

// An image of solid rectangular cells; cellColors (0xRRGGBBAA) in row-major order from the top-left cell,
// opaque black for cells beyond the list.
std::vector<std::uint8_t> makeCellImage(int width, int height, int cellWidth, int cellHeight,
                                        const std::vector<std::uint32_t>& cellColors);

} // namespace kv::test
