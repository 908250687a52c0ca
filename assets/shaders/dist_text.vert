#version 150 core
// Glyph quads: position is (x, y, u, v) in the font page.

in vec4 position;

uniform mat4 projViewModel;
uniform vec2 texOffset;

out vec2 texCoord;

void main() {
    texCoord = position.zw + texOffset;
    gl_Position = projViewModel * vec4(position.xy, 0.0, 1.0);
}
