// A string laid out in font pixels as one textured quad per character, kept in its own vertex buffer.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <type_traits>

#include <GL/glew.h>
#include <glm/vec2.hpp>

namespace kv {

using glm::vec2;

class GlyphAtlas;
class GlTexture;
struct Glyph;

// The two triangles of one glyph as six (x, y, u, v) vertices, in font pixels with y upward.
// pen is where the glyph's offsets apply: x of the pen, y of the top of the line.
struct GlyphQuad {
    GlyphQuad(const Glyph& glyph, const vec2& pen);

    static constexpr int kVertexCount = 6;
    static constexpr int kFloatsPerVertex = 4;
    std::array<float, kVertexCount * kFloatsPerVertex> values;
};
static_assert(sizeof(GlyphQuad) == 96, "the vertex buffer holds tightly packed quads");
static_assert(std::is_standard_layout_v<GlyphQuad>);

// The vertex buffer is built lazily at the first draw after the string changed, and only grows. The
// buffer state changes inside const operations: it is a cache of the string.
class GlText {
public:
    GlText(std::shared_ptr<const GlyphAtlas> atlas, std::shared_ptr<const GlTexture> texture,
           const std::string& text, float fontSize);
    // The source keeps no GL names and an empty string, so its destructor releases nothing; it still shares
    // the atlas, so that measuring it stays valid.
    GlText(GlText&& other) noexcept;
    GlText& operator=(GlText&& other) noexcept;
    GlText(const GlText&) = delete;
    GlText& operator=(const GlText&) = delete;
    ~GlText();

    // Setting the string the buffer already shows costs no rebuild.
    void setText(const std::string& s);
    // Only the measurements change: the vertices stay in font pixels and the size is a scale.
    void setFontSize(float size);

    // The atlas' scale for fontSize (GlyphAtlas::scaleFor): what the text is drawn and measured with.
    float getScale() const;
    // Scaled (width, line height), computed on first request after a change.
    const vec2& getDimensions() const;

    void regenerateBuffer() const;
    // Expects the text shader to be current with its uniforms set.
    void draw() const;

    const std::string& getText() const { return text; }
    float getFontSize() const { return fontSize; }
    bool isDirty() const { return dirty; }
    int getGlyphCount() const { return glyphCount; }
    int getBufferCapacity() const { return bufferCapacity; }
    // How often the vertex buffer has been filled.
    int getBuildCount() const { return buildCount; }
    GLuint getVertexArray() const { return vao; }
    GLuint getVertexBuffer() const { return vbo; }

private:
    void release() noexcept;

    std::shared_ptr<const GlyphAtlas> atlas;
    std::shared_ptr<const GlTexture> texture;
    std::string text;
    float fontSize; // pixels; 0 or less means the atlas's own size
    mutable std::string bufferedText;
    mutable vec2 dimensions{-1.0f, -1.0f}; // x of -1: not measured yet
    mutable bool dirty = true;
    mutable int bufferCapacity = 0; // glyph quads
    mutable int glyphCount = 0;
    GLuint vao = 0;
    GLuint vbo = 0;
    mutable int buildCount = 0;
};

static_assert(!std::is_copy_constructible_v<GlText>);
static_assert(std::is_nothrow_move_constructible_v<GlText>);

} // namespace kv
