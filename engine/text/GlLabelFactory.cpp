#include "engine/text/GlLabelFactory.hpp"

#include "engine/render/GlTexture.hpp"
#include "engine/render/Shader.hpp"
#include "engine/text/GlyphAtlas.hpp"

namespace kv {

namespace {

const std::string kTextVertexShaderPath = "shaders/dist_text.vert";
const std::string kTextFragmentShaderPath = "shaders/dist_text.frag";
constexpr bool kMipmappedPage = true;

} // namespace

GlLabelFactory::GlLabelFactory(const std::string& fontDirectory, const std::string& fontFile)
    : atlas(std::make_shared<GlyphAtlas>(fontDirectory + "/" + fontFile)),
      shader(std::make_shared<Shader>(kTextVertexShaderPath, kTextFragmentShaderPath)),
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
    return GlLabelButton(extent, atlas, texture, shader, text, fontSize);
}

} // namespace kv
