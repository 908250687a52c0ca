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

// Paths resolve against the asset root (AssetFiles.hpp). The text shader is shaders/dist_text.* there,
// whatever the font directory, or the engine's own (EngineShaders.hpp).
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
    // While dbgShader is unset, the first button made loads the engine's shape program, which the buttons
    // made here draw their rectangles with when dbgShader is still unset at drawing.
    GlLabelButton createLabelButton(const vec2& extent, const std::string& text, float fontSize) const;

    const std::shared_ptr<GlyphAtlas>& getAtlas() const { return atlas; }
    const std::shared_ptr<Shader>& getShader() const { return shader; }
    const std::shared_ptr<GlTexture>& getTexture() const { return texture; }

private:
    std::shared_ptr<GlyphAtlas> atlas;
    std::shared_ptr<Shader> shader;
    std::shared_ptr<GlTexture> texture;
    mutable std::shared_ptr<Shader> buttonShader; // loaded with the first button that needs it
};

static_assert(!std::is_copy_constructible_v<GlLabelFactory>);

} // namespace kv
