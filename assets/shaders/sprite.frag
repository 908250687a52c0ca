#version 150 core
// The sheet's colour, multiplied by the tint.

in vec2 texCoord;

// Texture unit 0.
uniform sampler2D sheet;
uniform vec4 tint;

out vec4 fragColor;

void main() {
    fragColor = texture(sheet, texCoord) * tint;
}
