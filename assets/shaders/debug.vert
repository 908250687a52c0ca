#version 150 core
// Flat shapes: points (x, y) in model units.

in vec2 position;

uniform mat4 projViewModel;

void main() {
    gl_Position = projViewModel * vec4(position, 0.0, 1.0);
}
