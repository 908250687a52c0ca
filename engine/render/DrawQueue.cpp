#include "engine/render/DrawQueue.hpp"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "engine/render/Shader.hpp"

namespace kv {

namespace {
constexpr GLuint kPositionAttribute = 0;
constexpr GLuint kProjViewModelAttribute = 1; // four columns: 1 to 4
constexpr GLuint kTintAttribute = 5;
constexpr GLuint kTexOffsetAttribute = 6;
constexpr GLint kFloatsPerVec4 = 4;
constexpr int kMatrixColumns = 4;
constexpr float kQueuedMark = 1.0f;

// Consecutive triangles of one program and texture: one draw call.
struct Run {
    Shader* shader;
    GLuint texture;
    GLint first;
    GLsizei count;
};

// The draws queued in the current context, deferred GL commands like the context's own command stream.
// It holds no GL names of its own, so no context's end can leave it holding stale ones.
struct Queue {
    std::vector<QueuedVertex> vertices;
    std::vector<Run> runs;
    std::array<GLint, 4> viewport{};
    bool viewportRead = false;
};

Queue& queue() {
    static Queue instance;
    return instance;
}

void setUpStream(Shader::Stream& stream) {
    glGenVertexArrays(1, &stream.vertexArray);
    glBindVertexArray(stream.vertexArray);
    glGenBuffers(1, &stream.buffer);
    glBindBuffer(GL_ARRAY_BUFFER, stream.buffer);
    auto attribute = [](GLuint index, std::size_t offset) {
        glEnableVertexAttribArray(index);
        glVertexAttribPointer(index, kFloatsPerVec4, GL_FLOAT, GL_FALSE, sizeof(QueuedVertex),
                              reinterpret_cast<const void*>(offset));
    };
    attribute(kPositionAttribute, offsetof(QueuedVertex, position));
    for (int column = 0; column < kMatrixColumns; ++column) {
        attribute(kProjViewModelAttribute + static_cast<GLuint>(column),
                  offsetof(QueuedVertex, projViewModel) + static_cast<std::size_t>(column) * sizeof(vec4));
    }
    attribute(kTintAttribute, offsetof(QueuedVertex, tint));
    attribute(kTexOffsetAttribute, offsetof(QueuedVertex, texOffset));
}
} // namespace

void queueTriangles(Shader& shader, GLuint texture, std::span<const vec4> triangles, const mat4& projViewModel,
                    const vec4& tint, const vec2& texOffset) {
    if (triangles.empty()) {
        return;
    }
    Queue& q = queue();
    if (q.runs.empty() || q.runs.back().shader != &shader || q.runs.back().texture != texture) {
        q.runs.push_back({&shader, texture, static_cast<GLint>(q.vertices.size()), 0});
    }
    Run& run = q.runs.back();
    const vec4 offset(texOffset.x, texOffset.y, kQueuedMark, 0.0f);
    for (const vec4& position : triangles) {
        q.vertices.push_back({position, projViewModel, tint, offset});
    }
    // At the end of its run: the driver draws a run's triangles in the order they were queued.
    const auto count = static_cast<GLsizei>(triangles.size());
    run.count += count;
}

void flushQueuedDraws() {
    Queue& q = queue();
    if (q.runs.empty()) {
        return;
    }
    Shader::Stream& stream = q.runs.front().shader->getQueueStream();
    if (stream.vertexArray == 0) {
        setUpStream(stream);
    } else {
        glBindVertexArray(stream.vertexArray);
        glBindBuffer(GL_ARRAY_BUFFER, stream.buffer);
    }
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(q.vertices.size() * sizeof(QueuedVertex)),
                 q.vertices.data(), GL_STREAM_DRAW);
    // Only what changes between runs is set; what the queue found bound is unknown, so the first run sets all.
    const Shader* current = nullptr;
    GLuint boundTexture = 0;
    for (const Run& run : q.runs) {
        if (run.shader != current) {
            glUseProgram(run.shader->getProgramId());
            current = run.shader;
        }
        if (run.texture != 0 && run.texture != boundTexture) {
            glBindTexture(GL_TEXTURE_2D, run.texture);
            boundTexture = run.texture;
        }
        glDrawArrays(GL_TRIANGLES, run.first, run.count);
    }
    // A draw from enabled arrays leaves the current values of those attributes undefined; immediate draws
    // (whose vertex arrays have it disabled) read the mark from there and must find it unset.
    glVertexAttrib4f(kTexOffsetAttribute, 0.0f, 0.0f, 0.0f, 1.0f);
    q.vertices.clear();
    q.runs.clear();
    q.viewportRead = false;
}

void forgetQueuedDraws(const Shader& shader) {
    Queue& q = queue();
    for (const Run& run : q.runs) {
        if (run.shader == &shader) {
            q.vertices.clear();
            q.runs.clear();
            q.viewportRead = false;
            return;
        }
    }
}

const std::array<GLint, 4>& queuedViewport() {
    Queue& q = queue();
    if (q.runs.empty() || !q.viewportRead) {
        glGetIntegerv(GL_VIEWPORT, q.viewport.data());
        q.viewportRead = !q.runs.empty();
    }
    return q.viewport;
}

} // namespace kv
