#include "engine/render/Shader.hpp"

#include <array>
#include <cstring>

#include <glm/gtc/type_ptr.hpp>

#include "engine/core/AssetFiles.hpp"
#include "engine/core/Diagnostics.hpp"
#include "engine/render/DrawQueue.hpp"
#include "engine/render/VertexAttributes.hpp"

namespace kv {

namespace {
constexpr GLsizei kInfoLogSize = 1024; // characters, NUL included

// Compiles one stage; on failure the shader object is deleted before the error leaves. The driver's log
// does not say which file it came from, so that goes to the log.
GLuint compileStage(GLenum type, const ShaderSource& source, void (*check)(GLuint)) {
    const GLuint shader = glCreateShader(type);
    const char* text = source.text.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    try {
        check(shader);
    } catch (...) {
        glDeleteShader(shader);
        logCritical("Shader file " + source.origin + " doesn't compile");
        throw;
    }
    return shader;
}

// Bit for bit, so that a uniform holding -0 or NaN is never taken for one holding 0 or NaN's other bits.
template <typename Value>
bool sameBits(const Value& a, const Value& b) {
    return std::memcmp(&a, &b, sizeof(Value)) == 0;
}

template <typename Value>
bool holds(const std::optional<Value>& held, const Value& value) {
    return held && sameBits(*held, value);
}
} // namespace

// An empty text would only fail to compile, with a log that hides why: a file that gives nothing is named.
ShaderSource ShaderSource::fromFile(const std::string& path) {
    const std::string resolved = resolveAssetPath(path);
    ShaderSource source{resolved, loadFile(resolved)};
    if (source.text.empty()) {
        throwRuntimeError([&](std::stringstream& out) {
            out << "Couldn't load shader file: " << resolved << " (" << describeReadFailure(resolved) << ")";
        });
    }
    return source;
}

Shader::Shader(const std::string& vertexPath, const std::string& fragmentPath) {
    const ShaderSource vertex = ShaderSource::fromFile(vertexPath);
    build(vertex, ShaderSource::fromFile(fragmentPath));
}

Shader::Shader(const ShaderSource& vertex, const ShaderSource& fragment) {
    build(vertex, fragment);
}

void Shader::build(const ShaderSource& vertex, const ShaderSource& fragment) {
    const GLuint vertexShader = compileStage(GL_VERTEX_SHADER, vertex, checkCompileErrors);
    GLuint fragmentShader = 0;
    try {
        fragmentShader = compileStage(GL_FRAGMENT_SHADER, fragment, checkCompileErrors);
    } catch (...) {
        glDeleteShader(vertexShader);
        throw;
    }

    programId = glCreateProgram();
    glAttachShader(programId, vertexShader);
    glAttachShader(programId, fragmentShader);
    // The vertex arrays feed these locations; pin the inputs there rather than trust the linker's choice.
    glBindAttribLocation(programId, kPositionAttribute, "position");
    glBindAttribLocation(programId, kQueuedProjViewModelAttribute, "queuedProjViewModel");
    glBindAttribLocation(programId, kQueuedTintAttribute, "queuedTint");
    glBindAttribLocation(programId, kQueuedTexOffsetAttribute, "queuedTexOffset");
    glLinkProgram(programId);
    // The program keeps the stages alive as long as it needs them.
    glDeleteShader(vertexShader);
    glDeleteShader(fragmentShader);
    try {
        checkLinkingErrors(programId);
    } catch (...) {
        glDeleteProgram(programId);
        logCritical("Shader files " + vertex.origin + " and " + fragment.origin + " don't link");
        throw;
    }

    projViewModelLocation = glGetUniformLocation(programId, "projViewModel");
    texOffsetLocation = glGetUniformLocation(programId, "texOffset");
    tintLocation = glGetUniformLocation(programId, "tint");
    positionLocation = glGetAttribLocation(programId, "position");
    queuedDraws = glGetAttribLocation(programId, "queuedProjViewModel") != -1 &&
                  glGetAttribLocation(programId, "queuedTexOffset") != -1;
}

Shader::~Shader() {
    forgetQueuedDraws(*this);
}

void Shader::use() const {
    flushQueuedDraws();
    glUseProgram(programId);
}

void Shader::setProjectionViewModel(const mat4& matrix) {
    if (!holds(projViewModelValue, matrix)) {
        glUniformMatrix4fv(projViewModelLocation, 1, GL_FALSE, glm::value_ptr(matrix));
        projViewModelValue = matrix;
    }
}

void Shader::setTextureOffset(const vec2& offset) {
    if (!holds(texOffsetValue, offset)) {
        glUniform2f(texOffsetLocation, offset.x, offset.y);
        texOffsetValue = offset;
    }
}

void Shader::setTint(const vec4& color) {
    if (!holds(tintValue, color)) {
        glUniform4f(tintLocation, color.r, color.g, color.b, color.a);
        tintValue = color;
    }
}

void Shader::setFloat(GLint location, float value) {
    for (auto& [known, held] : floatValues) {
        if (known == location) {
            if (!sameBits(held, value)) {
                glUniform1f(location, value);
                held = value;
            }
            return;
        }
    }
    glUniform1f(location, value);
    floatValues.emplace_back(location, value);
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
