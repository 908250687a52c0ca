#version 150 core
// Flat shapes: points (x, y) in model units. Queued draws bring the matrix and tint in each vertex instead,
// marked by queuedTexOffset.z = 1.

in vec2 position;
in mat4 queuedProjViewModel;
in vec4 queuedTint;
in vec4 queuedTexOffset;

uniform mat4 projViewModel;
uniform vec4 tint;

flat out vec4 color;

void main() {
    bool queued = queuedTexOffset.z == 1.0;
    color = queued ? queuedTint : tint;
    gl_Position = (queued ? queuedProjViewModel : projViewModel) * vec4(position, 0.0, 1.0);
}
