#include "engine/text/GlLabelFactory.hpp"

#include "engine/render/EngineShaders.hpp"
#include "engine/render/GlTexture.hpp"
#include "engine/render/Shader.hpp"
#include "engine/text/GlyphAtlas.hpp"

namespace kv {

namespace {

constexpr bool kMipmappedPage = true;

} // namespace

GlLabelFactory::GlLabelFactory(const std::string& fontDirectory, const std::string& fontFile)
    : atlas(std::make_shared<GlyphAtlas>(fontDirectory + "/" + fontFile)),
      shader(loadEngineShader(EngineShader::text)),
      texture(std::make_shared<GlTexture>(fontDirectory + "/" + atlas->pageFile, kMipmappedPage)) {}

GlText GlLabelFactory::createText(const std::string& text, float fontSize) const {
    return GlText(atlas, texture, text, fontSize);
}

GlLabel GlLabelFactory::createLabel(const std::string& text, float fontSize) const {
    return GlLabel(atlas, texture, shader, text, fontSize);
}

std::shared_ptr<GlLabel> GlLabelFactory::createLabelPtr(const std::string& text, float fontSize) const {
    return std::make_shared<GlLabel>(atlas, texture, shader, text, fontSize);
}

GlLabelButton GlLabelFactory::createLabelButton(const vec2& extent, const std::string& text,
                                                float fontSize) const {
    if (dbgShader == nullptr && !buttonShader) {
        buttonShader = loadEngineShader(EngineShader::shape);
    }
    return GlLabelButton(extent, atlas, texture, shader, text, fontSize, buttonShader);
}

} // namespace kv
