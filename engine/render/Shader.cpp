#include "engine/render/Shader.hpp"

#include <array>

#include <glm/gtc/type_ptr.hpp>

#include "engine/core/Diagnostics.hpp"

namespace kv {

namespace {
constexpr GLsizei kInfoLogSize = 1024; // characters, NUL included
constexpr GLuint kPositionAttribute = 0;

// Compiles one stage; on failure the shader object is deleted before the error leaves. The driver's log
// does not say which file it came from (a missing file compiles as empty source), so that goes to the log.
GLuint compileStage(GLenum type, const std::string& path, const std::string& source, void (*check)(GLuint)) {
    const GLuint shader = glCreateShader(type);
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    try {
        check(shader);
    } catch (...) {
        glDeleteShader(shader);
        logCritical("Shader file " + path + " doesn't compile");
        throw;
    }
    return shader;
}
} // namespace

Shader::Shader(const std::string& vertexPath, const std::string& fragmentPath) {
    const std::string vertexSource = loadFile(vertexPath);
    const std::string fragmentSource = loadFile(fragmentPath);

    const GLuint vertexShader = compileStage(GL_VERTEX_SHADER, vertexPath, vertexSource, checkCompileErrors);
    GLuint fragmentShader = 0;
    try {
        fragmentShader = compileStage(GL_FRAGMENT_SHADER, fragmentPath, fragmentSource, checkCompileErrors);
    } catch (...) {
        glDeleteShader(vertexShader);
        throw;
    }

    programId = glCreateProgram();
    glAttachShader(programId, vertexShader);
    glAttachShader(programId, fragmentShader);
    // The vertex buffers feed attribute 0; pin "position" there rather than trust the linker's choice.
    glBindAttribLocation(programId, kPositionAttribute, "position");
    glLinkProgram(programId);
    // The program keeps the stages alive as long as it needs them.
    glDeleteShader(vertexShader);
    glDeleteShader(fragmentShader);
    try {
        checkLinkingErrors(programId);
    } catch (...) {
        glDeleteProgram(programId);
        logCritical("Shader files " + vertexPath + " and " + fragmentPath + " don't link");
        throw;
    }

    projViewModelLocation = glGetUniformLocation(programId, "projViewModel");
    texOffsetLocation = glGetUniformLocation(programId, "texOffset");
    tintLocation = glGetUniformLocation(programId, "tint");
    positionLocation = glGetAttribLocation(programId, "position");
}

void Shader::use() const {
    glUseProgram(programId);
}

void Shader::setProjectionViewModel(const mat4& matrix) {
    glUniformMatrix4fv(projViewModelLocation, 1, GL_FALSE, glm::value_ptr(matrix));
}

void Shader::setTextureOffset(const vec2& offset) {
    glUniform2f(texOffsetLocation, offset.x, offset.y);
}

void Shader::setTint(const vec4& color) {
    glUniform4f(tintLocation, color.r, color.g, color.b, color.a);
}

GLint Shader::getUniformLocation(const std::string& name) const {
    return glGetUniformLocation(programId, name.c_str());
}

GLint Shader::getAttributeLocation(const std::string& name) const {
    return glGetAttribLocation(programId, name.c_str());
}

void Shader::checkCompileErrors(GLuint shader) {
    GLint status = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    if (status != GL_FALSE) {
        return;
    }
    std::array<GLchar, kInfoLogSize> log{};
    glGetShaderInfoLog(shader, kInfoLogSize, nullptr, log.data());
    throwRuntimeError([&](std::stringstream& out) { out << "Couldn't compile shader: " << log.data(); });
}

void Shader::checkLinkingErrors(GLuint program) {
    GLint status = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &status);
    if (status != GL_FALSE) {
        return;
    }
    std::array<GLchar, kInfoLogSize> log{};
    glGetProgramInfoLog(program, kInfoLogSize, nullptr, log.data());
    throwRuntimeError([&](std::stringstream& out) { out << "Couldn't link shader program: " << log.data(); });
}

} // namespace kv
