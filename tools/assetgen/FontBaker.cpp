#include "tools/assetgen/FontBaker.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <numeric>
#include <sstream>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_MODULE_H

#include "engine/core/Diagnostics.hpp"

namespace kv {

namespace {

// Empty pixels between neighbouring glyph boxes on the page, so that even the smallest mipmap levels the
// game samples never mix two glyphs.
constexpr int kGlyphGap = 4;
constexpr int kPageWidth = 512;

struct LibraryDeleter {
    void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};
struct FaceDeleter {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using LibraryHandle = std::unique_ptr<std::remove_pointer_t<FT_Library>, LibraryDeleter>;
using FaceHandle = std::unique_ptr<std::remove_pointer_t<FT_Face>, FaceDeleter>;

void checkFreeType(FT_Error error, const char* what) {
    checkState(error == 0,
               [&](std::stringstream& out) { out << what << " failed with FreeType error " << error; });
}

int roundedPixels(FT_Pos value26dot6) {
    return static_cast<int>(std::lround(static_cast<double>(value26dot6) / 64.0));
}

int nextPowerOfTwo(int value) {
    int result = 1;
    while (result < value) {
        result *= 2;
    }
    return result;
}

} // namespace

FontBaker::FontBaker(const std::string& fontPath, int pixelSize, int spread)
    : pixelSize(pixelSize), spread(spread) {
    bake(fontPath);
}

void FontBaker::bake(const std::string& fontPath) {
    FT_Library rawLibrary = nullptr;
    checkFreeType(FT_Init_FreeType(&rawLibrary), "FT_Init_FreeType");
    LibraryHandle library(rawLibrary);
    FT_Int spreadProperty = spread;
    checkFreeType(FT_Property_Set(library.get(), "sdf", "spread", &spreadProperty), "setting the SDF spread");

    FT_Face rawFace = nullptr;
    checkFreeType(FT_New_Face(library.get(), fontPath.c_str(), 0, &rawFace), "opening the font");
    FaceHandle face(rawFace);
    checkFreeType(FT_Set_Pixel_Sizes(face.get(), 0, static_cast<FT_UInt>(pixelSize)), "FT_Set_Pixel_Sizes");
    faceName = face->family_name != nullptr ? face->family_name : "unknown";
    lineHeight = roundedPixels(face->size->metrics.height);
    base = roundedPixels(face->size->metrics.ascender);

    std::vector<std::vector<std::uint8_t>> fields;
    for (int code = kFirstCharacter; code <= kLastCharacter; ++code) {
        // Unhinted outlines: the field is scaled from 20 to 60 pixels in the game, where hinting for the
        // nominal size would only distort.
        checkFreeType(FT_Load_Char(face.get(), static_cast<FT_ULong>(code), FT_LOAD_NO_HINTING),
                      "FT_Load_Char");
        FT_GlyphSlot slot = face->glyph;
        BakedGlyph glyph{code, 0, 0, 0, 0, 0, 0, roundedPixels(slot->advance.x)};
        std::vector<std::uint8_t> field;
        if (slot->outline.n_points > 0) {
            checkFreeType(FT_Render_Glyph(slot, FT_RENDER_MODE_SDF), "rendering a distance field");
            const FT_Bitmap& bitmap = slot->bitmap;
            glyph.width = static_cast<int>(bitmap.width);
            glyph.height = static_cast<int>(bitmap.rows);
            glyph.xoffset = slot->bitmap_left;
            glyph.yoffset = base - slot->bitmap_top;
            field.resize(static_cast<std::size_t>(glyph.width) * glyph.height);
            for (int row = 0; row < glyph.height; ++row) {
                const unsigned char* source = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
                std::copy(source, source + glyph.width,
                          field.begin() + static_cast<std::ptrdiff_t>(row) * glyph.width);
            }
        }
        glyphs.push_back(glyph);
        fields.push_back(std::move(field));
    }

    // Kerning pairs, grouped by the second character because that is where the reader stores them.
    if (FT_HAS_KERNING(face.get())) {
        for (int second = kFirstCharacter; second <= kLastCharacter; ++second) {
            std::vector<Kerning> pairs;
            for (int first = kFirstCharacter; first <= kLastCharacter; ++first) {
                FT_Vector delta{};
                checkFreeType(FT_Get_Kerning(face.get(),
                                             FT_Get_Char_Index(face.get(), static_cast<FT_ULong>(first)),
                                             FT_Get_Char_Index(face.get(), static_cast<FT_ULong>(second)),
                                             FT_KERNING_UNFITTED, &delta),
                              "FT_Get_Kerning");
                const int amount = roundedPixels(delta.x);
                if (amount != 0) {
                    pairs.push_back({first, second, amount});
                }
            }
            // Keep the pairs that move the pen most; ties go to the lower first character.
            std::stable_sort(pairs.begin(), pairs.end(), [](const Kerning& a, const Kerning& b) {
                return std::abs(a.amount) > std::abs(b.amount);
            });
            if (pairs.size() > static_cast<std::size_t>(kMaxKerningsPerGlyph)) {
                pairs.resize(kMaxKerningsPerGlyph);
            }
            std::sort(pairs.begin(), pairs.end(),
                      [](const Kerning& a, const Kerning& b) { return a.first < b.first; });
            kernings.insert(kernings.end(), pairs.begin(), pairs.end());
        }
    }
    pack(fields);
}

void FontBaker::pack(const std::vector<std::vector<std::uint8_t>>& fields) {
    // Shelf packing, tallest glyphs first.
    std::vector<std::size_t> order(glyphs.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [this](std::size_t a, std::size_t b) { return glyphs[a].height > glyphs[b].height; });
    int x = kGlyphGap;
    int y = kGlyphGap;
    int shelfHeight = 0;
    for (std::size_t index : order) {
        BakedGlyph& glyph = glyphs[index];
        if (glyph.width == 0) {
            continue;
        }
        if (x + glyph.width + kGlyphGap > kPageWidth) {
            x = kGlyphGap;
            y += shelfHeight + kGlyphGap;
            shelfHeight = 0;
        }
        glyph.x = x;
        glyph.y = y;
        x += glyph.width + kGlyphGap;
        shelfHeight = std::max(shelfHeight, glyph.height);
    }
    pageWidth = kPageWidth;
    pageHeight = nextPowerOfTwo(y + shelfHeight + kGlyphGap);
    page.assign(static_cast<std::size_t>(pageWidth) * pageHeight, 0);
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        const BakedGlyph& glyph = glyphs[i];
        for (int row = 0; row < glyph.height; ++row) {
            std::copy_n(fields[i].begin() + static_cast<std::ptrdiff_t>(row) * glyph.width, glyph.width,
                        page.begin() + static_cast<std::ptrdiff_t>(glyph.y + row) * pageWidth + glyph.x);
        }
    }
}

float FontBaker::distanceAt(int x, int y) const {
    if (x < 0 || y < 0 || x >= pageWidth || y >= pageHeight) {
        return 0.0f;
    }
    return static_cast<float>(page[static_cast<std::size_t>(y) * pageWidth + x]) / 255.0f;
}

const BakedGlyph* FontBaker::findGlyph(int code) const {
    if (code < kFirstCharacter || code > kLastCharacter) {
        return nullptr;
    }
    return &glyphs[static_cast<std::size_t>(code - kFirstCharacter)];
}

int FontBaker::kerningBetween(int first, int second) const {
    for (const Kerning& kerning : kernings) {
        if (kerning.first == first && kerning.second == second) {
            return kerning.amount;
        }
    }
    return 0;
}

std::string FontBaker::describe(const std::string& pageName) const {
    std::ostringstream out;
    out << "info face=\"" << faceName << "\" size=" << pixelSize << " bold=0 italic=0 charset=\"\" unicode=1"
        << " stretchH=100 smooth=1 aa=1 padding=" << spread << ',' << spread << ',' << spread << ',' << spread
        << " spacing=" << kGlyphGap << ',' << kGlyphGap << '\n';
    out << "common lineHeight=" << lineHeight << " base=" << base << " scaleW=" << pageWidth
        << " scaleH=" << pageHeight << " pages=1 packed=0\n";
    out << "page id=0 file=\"" << pageName << "\"\n";
    out << "chars count=" << glyphs.size() << '\n';
    for (const BakedGlyph& glyph : glyphs) {
        out << "char id=" << glyph.id << " x=" << glyph.x << " y=" << glyph.y << " width=" << glyph.width
            << " height=" << glyph.height << " xoffset=" << glyph.xoffset << " yoffset=" << glyph.yoffset
            << " xadvance=" << glyph.xadvance << " page=0 chnl=15\n";
    }
    out << "kernings count=" << kernings.size() << '\n';
    for (const Kerning& kerning : kernings) {
        out << "kerning first=" << kerning.first << " second=" << kerning.second
            << " amount=" << kerning.amount << '\n';
    }
    return out.str();
}

void FontBaker::write(const std::string& directory, const std::string& descriptionName,
                      const std::string& pageName) const {
    const std::string descriptionPath = directory + "/" + descriptionName;
    std::ofstream description(descriptionPath, std::ios::binary);
    description << describe(pageName);
    checkState(static_cast<bool>(description),
               [&](std::stringstream& out) { out << "couldn't write font description " << descriptionPath; });

    // White everywhere; the distance lives in alpha, where the text shader reads it.
    std::vector<std::uint8_t> rgba(page.size() * 4, 255);
    for (std::size_t i = 0; i < page.size(); ++i) {
        rgba[i * 4 + 3] = page[i];
    }
    writeRgbaPng(directory + "/" + pageName, pageWidth, pageHeight, rgba);
}

} // namespace kv
