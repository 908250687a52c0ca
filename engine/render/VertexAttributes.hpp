// Where the engine's shaders take their vertex inputs: Shader binds each input's name to its location, and
// the vertex arrays of the drawables, the text and the draw queue feed the same locations.
#pragma once

#include <GL/glew.h>

namespace kv {

// "position": a drawable's own vertices.
inline constexpr GLuint kPositionAttribute = 0;
// The values that queued draws carry in each vertex. "queuedProjViewModel" is a matrix: it takes four
// locations, one per column, 1 to 4.
inline constexpr GLuint kQueuedProjViewModelAttribute = 1;
inline constexpr GLuint kQueuedTintAttribute = 5;
inline constexpr GLuint kQueuedTexOffsetAttribute = 6;

} // namespace kv
