#version 150 core
// Flat shapes are drawn in the tint colour.

flat in vec4 color;

out vec4 fragColor;

void main() {
    fragColor = color;
}
