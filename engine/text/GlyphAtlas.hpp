// The bitmap font: glyph metrics read from a one-page text font description, string measuring and the
// glyph-by-glyph layout that text meshes are built from.
#pragma once

#include <array>
#include <functional>
#include <istream>
#include <string>
#include <utility>

#include <glm/vec2.hpp>

namespace kv {

using glm::vec2;

// One character of the font, in pixels of the page image unless stated otherwise.
struct Glyph {
    static constexpr int kMaxKernings = 20;

    int id = -1; // character code; -1 marks an empty table entry
    int x = 0;   // left edge in the page image
    int y = 0;   // top edge in the page image (rows counted downward)
    int width = 0;
    int height = 0;
    int xoffset = 0; // from the pen to the glyph's left edge
    int yoffset = 0; // downward, from the top of the line to the glyph's top edge
    int xadvance = 0;
    float texLeft = 0.0f; // texture coordinates, 0 to 1 across the page
    float texRight = 0.0f;
    float texBottom = 0.0f;
    float texTop = 0.0f;
    // (first, amount): the pen adjustment when this glyph follows the character first; in insertion order.
    std::array<std::pair<int, int>, kMaxKernings> kernings{};
    int kerningCount = 0;

    // Throws once kMaxKernings pairs are stored.
    void addKerning(int first, int amount);
    // The amount for the character before this one; 0 for none (previous < 1 or no pair stored).
    int getKerning(int previous) const;
    void calculateTexCoords(int scaleW, int scaleH);
};

// Reads the text variant of the BMFont description (one page, ASCII glyphs only) strictly in the order the
// format writes its lines and properties, and throws std::runtime_error at the first deviation. The page
// image is loaded elsewhere; only its file name is kept. Read-only after construction.
class GlyphAtlas {
public:
    static constexpr int kGlyphCount = 127; // codes 0 to 126

    // Read from the path resolved against the asset root (AssetFiles.hpp). Throws naming the file when it is
    // missing, unreadable or empty; a description that does not parse also logs the path.
    explicit GlyphAtlas(const std::string& path);
    explicit GlyphAtlas(std::istream& in);

    GlyphAtlas(const GlyphAtlas&) = delete;
    GlyphAtlas& operator=(const GlyphAtlas&) = delete;

    // Both throw for a code outside 0 to 126 and for a character the font lacks.
    const Glyph& getGlyph(int code) const;
    Glyph& getGlyphMutable(int code);

    // In font pixels: the advances of all but the last character plus the last one's extent; no kerning.
    int calculateUnscaledTextWidth(const std::string& text) const;
    // fontSize in pixels; 0 or less means the font's own size.
    float calculateTextWidth(const std::string& text, float fontSize) const;
    // (width, line height), scaled like calculateTextWidth.
    vec2 calculateTextDimensions(const std::string& text, float fontSize) const;
    // Calls visit(glyph, penX, lineHeight) for each character, left to right; the first glyph's left edge
    // lands at x = 0 and kerning applies between characters.
    void walkForRender(const std::string& text, std::function<void(const Glyph&, int, int)> visit) const;
    // fontSize / size; 1 when either is not positive (a font without a size is drawn at its own size).
    float scaleFor(float fontSize) const;

    int size = 0;         // nominal font size, pixels
    int lineHeight = 0;   // pixels
    int base = 0;         // top of the line to the baseline, pixels; kept but unused
    int scaleW = 0;       // page image width, pixels
    int scaleH = 0;       // page image height, pixels
    std::string pageFile; // as written in the description
    std::array<Glyph, kGlyphCount> glyphs{};

private:
    void parse(std::istream& in);
};

} // namespace kv
