#version 150 core
// Textured quads: position is (x, y, u, v); texOffset moves the coordinates to a sprite-sheet frame.

in vec4 position;

uniform mat4 projViewModel;
uniform vec2 texOffset;

out vec2 texCoord;

void main() {
    texCoord = position.zw + texOffset;
    gl_Position = projViewModel * vec4(position.xy, 0.0, 1.0);
}
