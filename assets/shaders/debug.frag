#version 150 core
// Flat shapes are drawn in the tint colour.

uniform vec4 tint;

out vec4 fragColor;

void main() {
    fragColor = tint;
}
