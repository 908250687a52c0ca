#include "engine/render/EngineShaders.hpp"

#include <cstddef>
#include <filesystem>
#include <system_error>

#include "engine/core/AssetFiles.hpp"
#include "engine/render/Shader.hpp"

namespace kv {

namespace {

const std::string kShaderDirectory = "shaders/";
// File names without their stage, in the order of EngineShader.
const char* const kFileBaseNames[] = {"debug", "sprite", "dist_text"};

ShaderSource stageSource(const std::string& fileName) {
    const std::string path = kShaderDirectory + fileName;
    std::error_code unknown; // a file that cannot even be looked at counts as absent
    if (std::filesystem::exists(resolveAssetPath(path), unknown)) {
        return ShaderSource::fromFile(path);
    }
    return ShaderSource{"the engine's own " + path, findEngineShaderText(fileName)};
}

} // namespace

std::shared_ptr<Shader> loadEngineShader(EngineShader shader) {
    const std::string name = kFileBaseNames[static_cast<std::size_t>(shader)];
    const ShaderSource vertex = stageSource(name + ".vert");
    return std::make_shared<Shader>(vertex, stageSource(name + ".frag"));
}

} // namespace kv
