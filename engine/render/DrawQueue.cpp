#include "engine/render/DrawQueue.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <utility>
#include <vector>

#include <glm/common.hpp>

#include "engine/render/RgbaImage.hpp"
#include "engine/render/Shader.hpp"
#include "engine/render/VertexAttributes.hpp"

namespace kv {

namespace {
constexpr GLint kFloatsPerVec4 = 4;
constexpr int kMatrixColumns = 4;
constexpr float kQueuedMark = 1.0f;
// Pixels by which a visual's box is widened: the processor's transform of its corners rounds differently
// from the GPU's, by far less than this.
constexpr float kBoxMargin = 1.0f;
// How many runs back a visual looks for one to join: bounds the work per visual.
constexpr std::size_t kLookBack = 32;

// Window pixels a visual may cover.
struct Box {
    vec2 min;
    vec2 max;
};

constexpr Box kEverywhere{vec2(-std::numeric_limits<float>::infinity()),
                          vec2(std::numeric_limits<float>::infinity())};

bool overlap(const Box& a, const Box& b) {
    return a.min.x <= b.max.x && b.min.x <= a.max.x && a.min.y <= b.max.y && b.min.y <= a.max.y;
}

// Visuals of one program and texture, drawn with one call.
struct Run {
    Shader* shader = nullptr;
    GLuint texture = 0;
    Sampling sampling = Sampling::textureFilters;
    std::vector<QueuedVertex> vertices;
    std::vector<Box> boxes; // one per visual
    Box all{};
};

// The draws queued in the current context, deferred GL commands like the context's own command stream.
// It holds no GL names of its own, so no context's end can leave it holding stale ones.
struct Queue {
    std::vector<Run> runs; // the first `used` are queued; the others keep their storage for later
    std::size_t used = 0;
    std::vector<QueuedVertex> staging;
    std::array<GLint, 4> viewport{};
    bool viewportRead = false;
};

Queue& queue() {
    static Queue instance;
    return instance;
}

void clear(Queue& q) {
    q.used = 0;
    q.viewportRead = false;
}

// Where the triangles land in the window; everywhere when a corner is not in front of the camera or
// the arithmetic fails.
Box windowBox(std::span<const vec4> triangles, const mat4& projViewModel, const std::array<GLint, 4>& viewport) {
    Box box{vec2(std::numeric_limits<float>::infinity()), vec2(-std::numeric_limits<float>::infinity())};
    const vec2 origin(static_cast<float>(viewport[0]), static_cast<float>(viewport[1]));
    const vec2 halfSize(0.5f * static_cast<float>(viewport[2]), 0.5f * static_cast<float>(viewport[3]));
    for (const vec4& corner : triangles) {
        const vec4 clip = projViewModel * vec4(corner.x, corner.y, 0.0f, 1.0f);
        if (!(clip.w > 0.0f)) {
            return kEverywhere;
        }
        const vec2 window = origin + (vec2(clip) / clip.w + 1.0f) * halfSize;
        if (!std::isfinite(window.x) || !std::isfinite(window.y)) {
            return kEverywhere;
        }
        box = {glm::min(box.min, window), glm::max(box.max, window)};
    }
    return {box.min - kBoxMargin, box.max + kBoxMargin};
}

bool overlaps(const Run& run, const Box& box) {
    if (!overlap(run.all, box)) {
        return false;
    }
    return std::any_of(run.boxes.begin(), run.boxes.end(), [&](const Box& other) { return overlap(other, box); });
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
        attribute(kQueuedProjViewModelAttribute + static_cast<GLuint>(column),
                  offsetof(QueuedVertex, projViewModel) + static_cast<std::size_t>(column) * sizeof(vec4));
    }
    attribute(kQueuedTintAttribute, offsetof(QueuedVertex, tint));
    attribute(kQueuedTexOffsetAttribute, offsetof(QueuedVertex, texOffset));
}

// Without sampler objects (before OpenGL 3.3) magnified draws keep the texture's own sampling.
bool canSampleMagnified() {
    return glGenSamplers != nullptr && glBindSampler != nullptr;
}

// The engine's textures' wrap and filter (createTexture), minus the mipmaps.
GLuint magnifiedSampler(Shader::Stream& stream) {
    if (stream.magnifiedSampler == 0) {
        glGenSamplers(1, &stream.magnifiedSampler);
        glSamplerParameteri(stream.magnifiedSampler, GL_TEXTURE_MIN_FILTER, kTextureFilter);
        glSamplerParameteri(stream.magnifiedSampler, GL_TEXTURE_MAG_FILTER, kTextureFilter);
        glSamplerParameteri(stream.magnifiedSampler, GL_TEXTURE_WRAP_S, kTextureWrap);
        glSamplerParameteri(stream.magnifiedSampler, GL_TEXTURE_WRAP_T, kTextureWrap);
    }
    return stream.magnifiedSampler;
}
} // namespace

void queueTriangles(Shader& shader, GLuint texture, std::span<const vec4> triangles, const mat4& projViewModel,
                    const vec4& tint, const vec2& texOffset, Sampling sampling) {
    if (triangles.empty()) {
        return;
    }
    if (texture == 0 || !canSampleMagnified()) {
        sampling = Sampling::textureFilters;
    }
    Queue& q = queue();
    const Box box = windowBox(triangles, projViewModel, queuedViewport());
    // A visual joins the latest run of its program and texture if it shares no pixel with anything queued
    // after that run: then every pixel still meets its fragments in the order they were drawn, which is all
    // that blending depends on.
    Run* target = nullptr;
    const std::size_t stop = q.used > kLookBack ? q.used - kLookBack : 0;
    for (std::size_t i = q.used; i-- > stop;) {
        Run& run = q.runs[i];
        if (run.shader == &shader && run.texture == texture && run.sampling == sampling) {
            target = &run;
            break;
        }
        if (overlaps(run, box)) {
            break;
        }
    }
    if (target == nullptr) {
        if (q.used == q.runs.size()) {
            q.runs.emplace_back();
        }
        target = &q.runs[q.used++];
        target->shader = &shader;
        target->texture = texture;
        target->sampling = sampling;
        target->vertices.clear();
        target->boxes.clear();
        target->all = box;
    }
    const vec4 offset(texOffset.x, texOffset.y, kQueuedMark, 0.0f);
    for (const vec4& position : triangles) {
        target->vertices.push_back({position, projViewModel, tint, offset});
    }
    // At the end of its run: the driver draws a run's triangles in the order they were queued.
    target->boxes.push_back(box);
    target->all = {glm::min(target->all.min, box.min), glm::max(target->all.max, box.max)};
}

void flushQueuedDraws() {
    Queue& q = queue();
    if (q.used == 0) {
        return;
    }
    q.staging.clear();
    for (std::size_t i = 0; i < q.used; ++i) {
        q.staging.insert(q.staging.end(), q.runs[i].vertices.begin(), q.runs[i].vertices.end());
    }
    Shader::Stream& stream = q.runs.front().shader->getQueueStream();
    if (stream.vertexArray == 0) {
        setUpStream(stream);
    } else {
        glBindVertexArray(stream.vertexArray);
        glBindBuffer(GL_ARRAY_BUFFER, stream.buffer);
    }
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(q.staging.size() * sizeof(QueuedVertex)),
                 q.staging.data(), GL_STREAM_DRAW);
    // Only what changes between runs is set; what the queue found bound is unknown, so the first run sets all.
    const Shader* current = nullptr;
    GLuint boundTexture = 0;
    GLuint boundSampler = 0;
    GLint first = 0;
    for (std::size_t i = 0; i < q.used; ++i) {
        const Run& run = q.runs[i];
        if (run.shader != current) {
            glUseProgram(run.shader->getProgramId());
            current = run.shader;
        }
        if (run.texture != 0 && run.texture != boundTexture) {
            glBindTexture(GL_TEXTURE_2D, run.texture);
            boundTexture = run.texture;
        }
        const GLuint sampler = run.sampling == Sampling::magnified ? magnifiedSampler(stream) : 0;
        if (sampler != boundSampler) {
            glBindSampler(0, sampler);
            boundSampler = sampler;
        }
        const auto count = static_cast<GLsizei>(run.vertices.size());
        glDrawArrays(GL_TRIANGLES, first, count);
        first += count;
    }
    // A draw from enabled arrays leaves the current values of those attributes undefined; immediate draws
    // (whose vertex arrays have it disabled) read the mark from there and must find it unset.
    glVertexAttrib4f(kQueuedTexOffsetAttribute, 0.0f, 0.0f, 0.0f, 1.0f);
    if (boundSampler != 0) {
        glBindSampler(0, 0);
    }
    clear(q);
}

void forgetQueuedDraws(const Shader& shader) {
    Queue& q = queue();
    // The other runs keep their order, so every pixel still meets their fragments as queued; the dropped
    // runs' storage moves behind them for later use.
    std::size_t kept = 0;
    for (std::size_t i = 0; i < q.used; ++i) {
        if (q.runs[i].shader != &shader) {
            std::swap(q.runs[kept++], q.runs[i]);
        }
    }
    q.used = kept;
    if (kept == 0) {
        clear(q);
    }
}

const std::array<GLint, 4>& queuedViewport() {
    Queue& q = queue();
    if (q.used == 0 || !q.viewportRead) {
        glGetIntegerv(GL_VIEWPORT, q.viewport.data());
        q.viewportRead = true;
    }
    return q.viewport;
}

} // namespace kv
