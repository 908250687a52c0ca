// Bakes a TrueType face into a one-page signed-distance-field atlas and its text font description (the BMFont
// text layout, written in exactly the line and property order the engine's strict reader expects).
#pragma once

#include <string>
#include <vector>

#include "tools/assetgen/Raster.hpp"

namespace kv {

struct BakedGlyph {
    int id;
    int x; // page pixels, top-left corner
    int y;
    int width;
    int height;
    int xoffset; // from the pen to the bitmap's left edge, font pixels
    int yoffset; // from the top of the line down to the bitmap's top edge
    int xadvance;
};

struct Kerning {
    int first;
    int second;
    int amount; // font pixels
};

class FontBaker {
public:
    static constexpr int kFirstCharacter = 32;
    static constexpr int kLastCharacter = 126;
    // The reader keeps at most this many pairs for one second character.
    static constexpr int kMaxKerningsPerGlyph = 20;

    // `pixelSize` is the nominal size of the font; `spread` how far, in pixels, the distance field reaches
    // on either side of the outline (0 at the far outside, 255 deep inside, 128 on the outline).
    FontBaker(const std::string& fontPath, int pixelSize, int spread);

    // Writes the description and its page image (its name is written into the description bare, relative
    // to the description's directory).
    void write(const std::string& directory, const std::string& descriptionName,
               const std::string& pageName) const;

    // The description as text, for the page file name given.
    std::string describe(const std::string& pageName) const;

    int getPixelSize() const { return pixelSize; }
    int getLineHeight() const { return lineHeight; }
    int getPageWidth() const { return pageWidth; }
    int getPageHeight() const { return pageHeight; }
    // The distance of the page pixel, 0 to 1; 0 outside the page.
    float distanceAt(int x, int y) const;
    // Null for characters outside 32 to 126.
    const BakedGlyph* findGlyph(int code) const;
    // The pen adjustment for `second` after `first`, font pixels.
    int kerningBetween(int first, int second) const;

private:
    void bake(const std::string& fontPath);
    void pack(const std::vector<std::vector<std::uint8_t>>& fields);

    int pixelSize;
    int spread;
    std::string faceName;
    int lineHeight = 0;
    int base = 0;
    int pageWidth = 0;
    int pageHeight = 0;
    std::vector<BakedGlyph> glyphs;
    std::vector<Kerning> kernings;
    std::vector<std::uint8_t> page; // one distance byte per pixel, rows from the top
};

} // namespace kv
