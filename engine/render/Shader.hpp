// A linked GLSL program and the uniform interface every engine program shares.
#pragma once

#include <GL/glew.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <glm/mat4x4.hpp>
#include <glm/vec2.hpp>
#include <glm/vec4.hpp>

namespace kv {

using glm::mat4;
using glm::vec2;
using glm::vec4;

// Vertex data always sits in attribute 0 ("position"): vec2 (x, y) for shapes, vec4 (x, y, u, v) for
// sprites and text. A uniform the program does not declare has location -1 and setting it does nothing.
// The setters act on the current program, so call use() first; they skip the call when the uniform already
// holds the value (only they set this program's uniforms). The program is never deleted: it lives as long
// as the context, which also spares a Shader held past the window's end from touching GL.
//
// A program that also declares the per-vertex "queuedProjViewModel" and "queuedTexOffset" (and optionally
// "queuedTint") takes queued draws (DrawQueue.hpp): it uses them instead of its uniforms when
// queuedTexOffset.z is 1, and the current value of a disabled attribute, (0, 0, 0, 1), keeps immediate
// draws on the uniforms.
// One stage's GLSL text and where it came from, which the log line of a failure names.
struct ShaderSource {
    // Reads the file, resolved against the asset root (AssetFiles.hpp); throws naming it when it is missing,
    // unreadable or empty.
    static ShaderSource fromFile(const std::string& path);

    std::string origin; // a file path, or the name of a text of the engine's own
    std::string text;
};

class Shader {
public:
    // Reads both files as ShaderSource::fromFile does.
    Shader(const std::string& vertexPath, const std::string& fragmentPath);
    // Throws with the driver's log when a stage doesn't compile or the program doesn't link, and logs where
    // the failing text came from to standard error first.
    Shader(const ShaderSource& vertex, const ShaderSource& fragment);
    // Drops its queued draws, which can no longer be drawn.
    ~Shader();
    Shader(const Shader&) = delete;
    Shader& operator=(const Shader&) = delete;

    // Issues the queued draws first: whatever is drawn next must come after them.
    void use() const;
    void setProjectionViewModel(const mat4& matrix);
    // Added to the texture coordinates: selects a sprite-sheet frame.
    void setTextureOffset(const vec2& offset);
    void setTint(const vec4& color);
    // Any other float uniform.
    void setFloat(GLint location, float value);

    bool takesQueuedDraws() const { return queuedDraws; }
    // The vertex array and buffer that queued draws stream through, made by the first flush that needs them;
    // like the program, they live as long as the context.
    struct Stream {
        GLuint vertexArray = 0;
        GLuint buffer = 0;
        GLuint magnifiedSampler = 0; // Sampling::magnified
    };
    Stream& getQueueStream() { return stream; }

    GLint getUniformLocation(const std::string& name) const;
    GLint getAttributeLocation(const std::string& name) const;
    GLuint getProgramId() const { return programId; }

private:
    void build(const ShaderSource& vertex, const ShaderSource& fragment);
    static void checkCompileErrors(GLuint shader);
    static void checkLinkingErrors(GLuint program);

    GLuint programId = 0;
    GLint projViewModelLocation = -1;
    GLint texOffsetLocation = -1;
    GLint tintLocation = -1;
    // Looked up and kept; drawing binds attribute 0 regardless.
    GLint positionLocation = -1;
    bool queuedDraws = false;
    Stream stream;
    std::optional<mat4> projViewModelValue;
    std::optional<vec2> texOffsetValue;
    std::optional<vec4> tintValue;
    std::vector<std::pair<GLint, float>> floatValues;
};

} // namespace kv
