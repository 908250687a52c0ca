// The programs the engine's own classes draw with, which any game may draw with as well.
#pragma once

#include <memory>
#include <string>

namespace kv {

class Shader;

// Flat shapes in the tint colour (shaders/debug.*), textured and tinted sprites (shaders/sprite.*) and
// distance-field text (shaders/dist_text.*).
enum class EngineShader { shape, sprite, text };

// Each stage is read from its file under the asset root (AssetFiles.hpp) where the game has one, so that a
// game can restyle it; for a stage without a file the engine's own text, compiled into the library (and
// installed under share/kv/shaders), stands in. A file that is there but unreadable, empty or broken fails as
// in Shader's constructor.
std::shared_ptr<Shader> loadEngineShader(EngineShader shader);

// The engine's own text of a stage by its file name in shaders/ ("debug.vert", ...); null for another name.
const char* findEngineShaderText(const std::string& fileName);

} // namespace kv
