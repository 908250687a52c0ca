#version 150 core
// The sheet's colour, multiplied by the tint.

in vec2 texCoord;
flat in vec4 color;

// Texture unit 0.
uniform sampler2D sheet;

out vec4 fragColor;

void main() {
    fragColor = texture(sheet, texCoord) * color;
}
