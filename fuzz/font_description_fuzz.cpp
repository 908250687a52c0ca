// Feeds arbitrary bytes to the font description reader, then measures and lays out text with whatever it
// accepted. A rejected description must end in std::runtime_error and nothing else.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <stdexcept>
#include <string>

#include "engine/text/GlyphAtlas.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    try {
        const kv::GlyphAtlas atlas(in);
        // Every printable character plus a byte above 127: an accepted font must measure and lay out any
        // text without touching memory outside its tables, throwing for characters it lacks.
        for (const std::string text : {"Score:  1250", "AV", "\x7f\x80", " "}) {
            try {
                volatile float width = atlas.calculateTextWidth(text, 20.0f);
                (void)width;
                volatile int pen = 0;
                atlas.walkForRender(text, [&](const kv::Glyph& glyph, int x, int) { pen = x + glyph.width; });
            } catch (const std::runtime_error&) {
            }
        }
    } catch (const std::runtime_error&) {
    }
    return 0;
}
