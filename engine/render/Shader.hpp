// A linked GLSL program and the uniform interface every engine program shares.
#pragma once

#include <GL/glew.h>

#include <string>

#include <glm/mat4x4.hpp>
#include <glm/vec2.hpp>
#include <glm/vec4.hpp>

namespace kv {

using glm::mat4;
using glm::vec2;
using glm::vec4;

// Vertex data always sits in attribute 0 ("position"): vec2 (x, y) for shapes, vec4 (x, y, u, v) for
// sprites and text. A uniform the program does not declare has location -1 and setting it does nothing.
// The setters act on the current program, so call use() first. The program is never deleted: it lives
// as long as the context, which also spares a Shader held past the window's end from touching GL.
class Shader {
public:
    // Throws with the driver's log when a stage doesn't compile or the program doesn't link, and logs which
    // file it was to standard error first.
    Shader(const std::string& vertexPath, const std::string& fragmentPath);
    Shader(const Shader&) = delete;
    Shader& operator=(const Shader&) = delete;

    void use() const;
    void setProjectionViewModel(const mat4& matrix);
    // Added to the texture coordinates: selects a sprite-sheet frame.
    void setTextureOffset(const vec2& offset);
    void setTint(const vec4& color);

    GLint getUniformLocation(const std::string& name) const;
    GLint getAttributeLocation(const std::string& name) const;
    GLuint getProgramId() const { return programId; }

private:
    static void checkCompileErrors(GLuint shader);
    static void checkLinkingErrors(GLuint program);

    GLuint programId = 0;
    GLint projViewModelLocation = -1;
    GLint texOffsetLocation = -1;
    GLint tintLocation = -1;
    // Looked up and kept; drawing binds attribute 0 regardless.
    GLint positionLocation = -1;
};

} // namespace kv
