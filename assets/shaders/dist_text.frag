#version 150 core
// Distance-field text. The page keeps the distance in its alpha channel: 0.5 on the glyph outline,
// larger inside. Coverage ramps from edge - softness to edge + softness; the ramp is never narrower than
// about one screen pixel, so outlines stay smooth however large the text is drawn.

in vec2 texCoord;

// Texture unit 0.
uniform sampler2D page;
uniform vec4 tint;
// Distance of the outline.
uniform float edge;
// Half width of the smoothing band, in distance units.
uniform float softness;

out vec4 fragColor;

void main() {
    float dist = texture(page, texCoord).a;
    float halfWidth = max(max(softness, 0.7 * fwidth(dist)), 0.0001);
    float coverage = smoothstep(edge - halfWidth, edge + halfWidth, dist);
    fragColor = vec4(tint.rgb, tint.a * coverage);
}
