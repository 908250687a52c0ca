// Draws held back so that consecutive ones with the same program and texture reach the GPU as one.
#pragma once

#include <GL/glew.h>

#include <array>
#include <span>

#include <glm/mat4x4.hpp>
#include <glm/vec2.hpp>
#include <glm/vec4.hpp>

namespace kv {

using glm::mat4;
using glm::vec2;
using glm::vec4;

class Shader;

// One vertex as a queued draw streams it: the drawable's own (x, y, u, v) with the uniforms that an
// immediate draw would set, so that the shader does the same arithmetic on the same numbers.
struct QueuedVertex {
    vec4 position;
    mat4 projViewModel;
    vec4 tint;
    // x, y: texture offset; z: 1, which tells the shader to take these values rather than its uniforms.
    vec4 texOffset;
};

// How queued triangles sample their texture: with the texture's own filters (mipmaps included), or as
// magnified. Drawn magnified everywhere (at most one texel per pixel, the caller's to know), a mipmapped
// texture filters its base level with its magnification filter; a sampler without mipmaps then gives the
// same colours and spares the rasteriser the level-of-detail and mipmap work. The texture must filter
// linearly and repeat, as the engine's textures do.
enum class Sampling { textureFilters, magnified };

// Queues triangles (three vertices each, in the order the driver forms them from the drawable's primitive)
// for shader, sampling texture (0 for none), to be drawn at the next flushQueuedDraws() with the GL state
// then (blending, viewport). Every pixel meets the queued fragments in the order they were queued: the
// triangles go to the end of the latest run of the same shader and texture only when they share no pixel
// with anything queued after that run, else they start a new run. shader must take queued draws
// (Shader::takesQueuedDraws).
void queueTriangles(Shader& shader, GLuint texture, std::span<const vec4> triangles, const mat4& projViewModel,
                    const vec4& tint, const vec2& texOffset, Sampling sampling = Sampling::textureFilters);

// Issues every queued draw. Sampler objects are the queue's alone: it leaves texture unit 0 without one.
// The engine's own drawing calls it before drawing any other way (Shader::use, Drawable::draw of its
// drawables, text), and the game loop before each buffer swap; code that reads the framebuffer, clears it
// or changes GL state between queued draws and the swap calls it first.
void flushQueuedDraws();

// Drops the queued draws of a shader that goes away before they were drawn: they can no longer be drawn.
// Other shaders' draws stay queued.
void forgetQueuedDraws(const Shader& shader);

// The viewport as x, y, width, height. While draws are queued it cannot change without changing them too,
// so it is read from GL once per filling of the queue.
const std::array<GLint, 4>& queuedViewport();

} // namespace kv
