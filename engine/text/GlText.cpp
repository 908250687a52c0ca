#include "engine/text/GlText.hpp"

#include <utility>
#include <vector>

#include "engine/render/DrawQueue.hpp"
#include "engine/render/GlTexture.hpp"
#include "engine/render/VertexAttributes.hpp"
#include "engine/text/GlyphAtlas.hpp"

namespace kv {

GlyphQuad::GlyphQuad(const Glyph& glyph, const vec2& pen) {
    const float left = pen.x + static_cast<float>(glyph.xoffset);
    const float right = left + static_cast<float>(glyph.width);
    const float top = pen.y - static_cast<float>(glyph.yoffset);
    const float bottom = top - static_cast<float>(glyph.height);
    values = {
        left,  bottom, glyph.texLeft,  glyph.texBottom, //
        right, bottom, glyph.texRight, glyph.texBottom, //
        left,  top,    glyph.texLeft,  glyph.texTop,    //
        left,  top,    glyph.texLeft,  glyph.texTop,    //
        right, bottom, glyph.texRight, glyph.texBottom, //
        right, top,    glyph.texRight, glyph.texTop,
    };
}

GlText::GlText(std::shared_ptr<const GlyphAtlas> atlas, std::shared_ptr<const GlTexture> texture,
               const std::string& text, float fontSize)
    : atlas(std::move(atlas)), texture(std::move(texture)), text(text), fontSize(fontSize) {
    glGenBuffers(1, &vbo);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glGenVertexArrays(1, &vao);
    glBindVertexArray(vao);
    glEnableVertexAttribArray(kPositionAttribute);
    glVertexAttribPointer(kPositionAttribute, GlyphQuad::kFloatsPerVertex, GL_FLOAT, GL_FALSE, 0, nullptr);
}

GlText::GlText(GlText&& other) noexcept
    : atlas(other.atlas), texture(std::move(other.texture)), text(std::move(other.text)),
      fontSize(other.fontSize), bufferedText(std::move(other.bufferedText)), dimensions(other.dimensions),
      dirty(other.dirty), bufferCapacity(other.bufferCapacity), glyphCount(other.glyphCount),
      vao(std::exchange(other.vao, 0)), vbo(std::exchange(other.vbo, 0)), buildCount(other.buildCount) {
    other.text.clear();
    other.bufferedText.clear();
    other.dimensions = vec2(-1.0f, -1.0f);
    other.dirty = true;
    other.bufferCapacity = 0;
    other.glyphCount = 0;
}

GlText& GlText::operator=(GlText&& other) noexcept {
    if (this != &other) {
        release();
        atlas = other.atlas;
        texture = std::move(other.texture);
        text = std::exchange(other.text, std::string());
        fontSize = other.fontSize;
        bufferedText = std::exchange(other.bufferedText, std::string());
        dimensions = std::exchange(other.dimensions, vec2(-1.0f, -1.0f));
        dirty = std::exchange(other.dirty, true);
        bufferCapacity = std::exchange(other.bufferCapacity, 0);
        glyphCount = std::exchange(other.glyphCount, 0);
        vao = std::exchange(other.vao, 0);
        vbo = std::exchange(other.vbo, 0);
        buildCount = other.buildCount;
    }
    return *this;
}

GlText::~GlText() {
    release();
}

void GlText::release() noexcept {
    // A moved-from text owns no GL names.
    if (vbo != 0) {
        glDeleteBuffers(1, &vbo);
        vbo = 0;
    }
    if (vao != 0) {
        glDeleteVertexArrays(1, &vao);
        vao = 0;
    }
}

void GlText::setText(const std::string& s) {
    text = s;
    dirty = (s != bufferedText);
    dimensions = vec2(-1.0f, -1.0f);
}

void GlText::setFontSize(float size) {
    fontSize = size;
    dimensions = vec2(-1.0f, -1.0f);
}

float GlText::getScale() const {
    return atlas->scaleFor(fontSize);
}

const vec2& GlText::getDimensions() const {
    if (dimensions.x == -1.0f) {
        dimensions = atlas->calculateTextDimensions(text, fontSize);
    }
    return dimensions;
}

void GlText::regenerateBuffer() const {
    // A character the font lacks throws before anything is uploaded; until a build succeeds the text shows
    // nothing and matches no string, so no later setText may take it for clean.
    bufferedText.clear();
    glyphCount = 0;
    std::vector<GlyphQuad> quads;
    quads.reserve(text.size());
    atlas->walkForRender(text, [&quads](const Glyph& glyph, int x, int y) {
        quads.emplace_back(glyph, vec2(static_cast<float>(x), static_cast<float>(y)));
    });
    const int count = static_cast<int>(quads.size());
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    if (count > bufferCapacity) {
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(quads.size() * sizeof(GlyphQuad)), quads.data(),
                     GL_STATIC_DRAW);
        bufferCapacity = count;
    } else if (count > 0) {
        glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(quads.size() * sizeof(GlyphQuad)),
                        quads.data());
    }
    glyphCount = count;
    bufferedText = text;
    dirty = false;
    ++buildCount;
}

void GlText::draw() const {
    if (text.empty() || vao == 0) {
        return;
    }
    flushQueuedDraws();
    if (dirty) {
        regenerateBuffer();
    }
    texture->bind();
    glBindVertexArray(vao);
    glDrawArrays(GL_TRIANGLES, 0, glyphCount * GlyphQuad::kVertexCount);
}

} // namespace kv
