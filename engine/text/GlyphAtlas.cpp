#include "engine/text/GlyphAtlas.hpp"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <limits>

#include "engine/core/AssetFiles.hpp"
#include "engine/core/Diagnostics.hpp"
#include "engine/text/FontParsing.hpp"

namespace kv {

namespace {

constexpr char kTagDelimiter = ' ';
constexpr char kPropertyDelimiter = '=';
constexpr int kSupportedPageCount = 1;

// Glyph metrics come from untrusted files; sums of them are taken in 64 bits and narrowed at the end
// so that absurd values give absurd figures instead of overflow.
int clampToInt(std::int64_t value) {
    return static_cast<int>(
        std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

void readIntProperty(std::istream& in, const char* tag, int& value) {
    parseProperty<int>(in, tag, value, kPropertyDelimiter);
}

// Strings hold bytes; those above 127 are meant to come out as negative codes on every platform.
int codeOf(char c) {
    return static_cast<signed char>(c);
}

} // namespace

void Glyph::addKerning(int first, int amount) {
    checkState(kerningCount < kMaxKernings, [this](std::stringstream& out) {
        out << "Too many kernings for a single glyph (" << id << "), a maximum of " << kMaxKernings
            << " is supported";
    });
    kernings[kerningCount] = {first, amount};
    ++kerningCount;
}

int Glyph::getKerning(int previous) const {
    if (previous < 1 || kerningCount < 1) {
        return 0;
    }
    for (int i = 0; i < kerningCount; ++i) {
        if (kernings[i].first == previous) {
            return kernings[i].second;
        }
    }
    return 0;
}

void Glyph::calculateTexCoords(int scaleW, int scaleH) {
    const auto w = static_cast<float>(scaleW);
    const auto h = static_cast<float>(scaleH);
    texLeft = static_cast<float>(x) / w;
    texRight = static_cast<float>(std::int64_t{x} + width) / w;
    texBottom = static_cast<float>(std::int64_t{y} + height) / h;
    texTop = static_cast<float>(y) / h;
}

GlyphAtlas::GlyphAtlas(const std::string& assetPath) {
    const std::string path = resolveAssetPath(assetPath);
    const std::string failure = describeReadFailure(path);
    checkState(failure.empty(), [&](std::stringstream& out) {
        out << "Couldn't load font description: " << path << " (" << failure << ")";
    });
    std::ifstream in(path);
    try {
        parse(in);
    } catch (...) {
        // The parser's messages name the token, not the file.
        logCritical("Font description " + path + " can't be read");
        throw;
    }
}

GlyphAtlas::GlyphAtlas(std::istream& in) {
    parse(in);
}

void GlyphAtlas::parse(std::istream& in) {
    verifyNextTag(in, "info", kTagDelimiter);
    skipStringProperty(in, "face", kPropertyDelimiter);
    readIntProperty(in, "size", size);
    skipLines(in, 1);

    verifyNextTag(in, "common", kTagDelimiter);
    readIntProperty(in, "lineHeight", lineHeight);
    readIntProperty(in, "base", base);
    readIntProperty(in, "scaleW", scaleW);
    readIntProperty(in, "scaleH", scaleH);
    int pages = 0;
    readIntProperty(in, "pages", pages);
    skipLines(in, 1);
    checkEquals<int>(pages, kSupportedPageCount, "Only 1 page atlas is supported");

    verifyNextTag(in, "page", kTagDelimiter);
    int pageId = 0;
    readIntProperty(in, "id", pageId);
    parseProperty<std::string>(in, "file", pageFile, kPropertyDelimiter);

    // The counts are not trusted: each pass starts by reading its tag, so a stream that has failed or
    // ended stops the loop on the spot, and no pass allocates.
    verifyNextTag(in, "chars", kTagDelimiter);
    int charCount = 0;
    readIntProperty(in, "count", charCount);
    for (int i = 0; i < charCount; ++i) {
        Glyph glyph;
        verifyNextTag(in, "char", kTagDelimiter);
        readIntProperty(in, "id", glyph.id);
        readIntProperty(in, "x", glyph.x);
        readIntProperty(in, "y", glyph.y);
        readIntProperty(in, "width", glyph.width);
        readIntProperty(in, "height", glyph.height);
        readIntProperty(in, "xoffset", glyph.xoffset);
        readIntProperty(in, "yoffset", glyph.yoffset);
        readIntProperty(in, "xadvance", glyph.xadvance);
        glyph.calculateTexCoords(scaleW, scaleH);
        skipLines(in, 1);
        checkInRange<int>(glyph.id, 0, kGlyphCount, "Unsupported non ascii codepoint");
        glyphs[glyph.id] = glyph;
    }

    verifyNextTag(in, "kernings", kTagDelimiter);
    int kerningCount = 0;
    readIntProperty(in, "count", kerningCount);
    for (int i = 0; i < kerningCount; ++i) {
        verifyNextTag(in, "kerning", kTagDelimiter);
        int first = 0;
        int second = 0;
        int amount = 0;
        readIntProperty(in, "first", first);
        readIntProperty(in, "second", second);
        readIntProperty(in, "amount", amount);
        getGlyphMutable(second).addKerning(first, amount);
    }
    // No tag follows the last number, so a file cut off inside it would otherwise pass unnoticed.
    checkState(!in.fail(), "Unreadable number at the end of the font description");
}

const Glyph& GlyphAtlas::getGlyph(int code) const {
    checkInRange<int>(code, 0, kGlyphCount, "Unsupported non ascii codepoint");
    const Glyph& glyph = glyphs[code];
    checkState(glyph.id != -1,
               [code](std::stringstream& out) { out << "No glyph is stored for codepoint " << code; });
    return glyph;
}

Glyph& GlyphAtlas::getGlyphMutable(int code) {
    return const_cast<Glyph&>(std::as_const(*this).getGlyph(code));
}

int GlyphAtlas::calculateUnscaledTextWidth(const std::string& text) const {
    if (text.empty()) {
        return 0;
    }
    std::int64_t width = 0;
    for (char c : text) {
        width += getGlyph(codeOf(c)).xadvance;
    }
    const Glyph& last = getGlyph(codeOf(text.back()));
    width += std::int64_t{last.width} + last.xoffset - last.xadvance;
    return clampToInt(width);
}

float GlyphAtlas::scaleFor(float fontSize) const {
    // A font without a positive size can't be scaled; it is drawn at its own size.
    if (fontSize > 0.0f && size > 0) {
        return fontSize / static_cast<float>(size);
    }
    return 1.0f;
}

float GlyphAtlas::calculateTextWidth(const std::string& text, float fontSize) const {
    return static_cast<float>(calculateUnscaledTextWidth(text)) * scaleFor(fontSize);
}

vec2 GlyphAtlas::calculateTextDimensions(const std::string& text, float fontSize) const {
    const float scale = scaleFor(fontSize);
    return vec2(static_cast<float>(calculateUnscaledTextWidth(text)) * scale,
                static_cast<float>(lineHeight) * scale);
}

void GlyphAtlas::walkForRender(const std::string& text,
                               std::function<void(const Glyph&, int, int)> visit) const {
    if (text.empty()) {
        return;
    }
    std::int64_t pen = -std::int64_t{getGlyph(codeOf(text.front())).xoffset};
    int previous = 0;
    for (char c : text) {
        const Glyph& glyph = getGlyph(codeOf(c));
        const std::int64_t x = pen + glyph.getKerning(previous);
        visit(glyph, clampToInt(x), lineHeight);
        previous = glyph.id;
        pen = x + glyph.xadvance;
    }
}

} // namespace kv
