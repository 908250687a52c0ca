#version 150 core
// Textured quads: position is (x, y, u, v); texOffset moves the coordinates to a sprite-sheet frame.
// Queued draws bring the matrix, tint and offset in each vertex instead, marked by queuedTexOffset.z = 1;
// the arithmetic is the same either way.

in vec4 position;
in mat4 queuedProjViewModel;
in vec4 queuedTint;
in vec4 queuedTexOffset;

uniform mat4 projViewModel;
uniform vec2 texOffset;
uniform vec4 tint;

out vec2 texCoord;
flat out vec4 color;

void main() {
    bool queued = queuedTexOffset.z == 1.0;
    texCoord = position.zw + (queued ? queuedTexOffset.xy : texOffset);
    color = queued ? queuedTint : tint;
    gl_Position = (queued ? queuedProjViewModel : projViewModel) * vec4(position.xy, 0.0, 1.0);
}
