// Loads one font (description, page texture, text shader) and makes texts, labels and buttons sharing it.
#pragma once

#include <memory>
#include <string>
#include <type_traits>

#include <glm/vec2.hpp>

#include "engine/text/GlLabel.hpp"
#include "engine/text/GlLabelButton.hpp"
#include "engine/text/GlText.hpp"

namespace kv {

class GlyphAtlas;
class GlTexture;
class Shader;

// The text shader is read from shaders/ relative to the working directory, whatever the font directory.
class GlLabelFactory {
public:
    // Reads fontDirectory/fontFile, then the shader, then the page image named by the description. The
    // first step that fails throws its own runtime error.
    GlLabelFactory(const std::string& fontDirectory, const std::string& fontFile);
    GlLabelFactory(const GlLabelFactory&) = delete;
    GlLabelFactory& operator=(const GlLabelFactory&) = delete;

    GlText createText(const std::string& text, float fontSize) const;
    GlLabel createLabel(const std::string& text, float fontSize) const;
    std::shared_ptr<GlLabel> createLabelPtr(const std::string& text, float fontSize) const;
    GlLabelButton createLabelButton(const vec2& extent, const std::string& text, float fontSize) const;

    const std::shared_ptr<GlyphAtlas>& getAtlas() const { return atlas; }
    const std::shared_ptr<Shader>& getShader() const { return shader; }
    const std::shared_ptr<GlTexture>& getTexture() const { return texture; }

private:
    std::shared_ptr<GlyphAtlas> atlas;
    std::shared_ptr<Shader> shader;
    std::shared_ptr<GlTexture> texture;
};

static_assert(!std::is_copy_constructible_v<GlLabelFactory>);

} // namespace kv
