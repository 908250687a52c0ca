#include "tools/assetgen/ContactSheet.hpp"

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/core/Diagnostics.hpp"

namespace kv {

namespace {

constexpr int kSheetWidth = 1640;
constexpr int kSheetHeight = 1420;
constexpr float kGap = 20.0f; // pixels between pictures
const vec4 kBackground(0.055f, 0.06f, 0.085f, 1.0f);
constexpr float kExplosionPreviewScale = 0.5f;
constexpr int kExplosionsPerRow = 12;

const SpriteImage& find(const std::vector<SpriteImage>& sprites, const std::string& fileName) {
    const auto it = std::find_if(sprites.begin(), sprites.end(),
                                 [&](const SpriteImage& sprite) { return sprite.fileName == fileName; });
    checkState(it != sprites.end(), [&](std::stringstream& out) { out << "no sprite " << fileName; });
    return *it;
}

// In-game size in preview pixels (one per game unit) times `zoom`.
vec2 drawnSize(const SpriteImage& sprite, float zoom) {
    return vec2(sprite.raster.getWidth(), sprite.raster.getHeight()) * sprite.pixelScale * zoom;
}

// Draws a sprite so that its origin lands on `at`; returns the drawn width.
float drawAtOrigin(Raster& sheet, const SpriteImage& sprite, vec2 at, float zoom, bool tinted) {
    const vec2 size = drawnSize(sprite, zoom);
    // The origin counts from the bottom-left corner, the sheet from the top-left.
    const vec2 topLeft(at.x - sprite.origin.x * size.x, at.y - (1.0f - sprite.origin.y) * size.y);
    sheet.drawScaled(sprite.raster, topLeft, sprite.pixelScale * zoom, tinted ? sprite.tint : vec4(1.0f));
    return size.x;
}

float smoothStep(float edge0, float edge1, float x) {
    const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

// Draws one line of white text from the distance field the way the game's text shader does: the outline
// threshold and the smoothing band follow the label's rule for the scale, widened to at least one pixel.
void drawText(Raster& sheet, const FontBaker& font, const std::string& text, vec2 topLeft, float size) {
    const float scale = size / static_cast<float>(font.getPixelSize());
    const float t = std::clamp(0.75f * scale, 0.0f, 1.0f);
    const float edge = 0.4f + 0.1f * t;
    const float softness = 0.2f - 0.15f * t;
    // Distance units per screen pixel: 128 levels per spread of 8 page pixels, shrunk by the scale.
    const float pixelDistance = 16.0f / 255.0f / scale;
    const float halfWidth = std::max(softness, 0.7f * pixelDistance);
    float pen = 0.0f;
    int previous = 0;
    for (char character : text) {
        const BakedGlyph* glyph = font.findGlyph(character);
        if (glyph == nullptr) {
            continue;
        }
        pen += static_cast<float>(font.kerningBetween(previous, character));
        const float left = topLeft.x + (pen + static_cast<float>(glyph->xoffset)) * scale;
        const float top = topLeft.y + static_cast<float>(glyph->yoffset) * scale;
        const int right = static_cast<int>(std::ceil(left + static_cast<float>(glyph->width) * scale));
        const int bottom = static_cast<int>(std::ceil(top + static_cast<float>(glyph->height) * scale));
        for (int y = std::max(0, static_cast<int>(top)); y < std::min(sheet.getHeight(), bottom); ++y) {
            for (int x = std::max(0, static_cast<int>(left)); x < std::min(sheet.getWidth(), right); ++x) {
                // Bilinear sample of the page, as the GPU filters it.
                const float u =
                    (static_cast<float>(x) + 0.5f - left) / scale + static_cast<float>(glyph->x) - 0.5f;
                const float v =
                    (static_cast<float>(y) + 0.5f - top) / scale + static_cast<float>(glyph->y) - 0.5f;
                const int u0 = static_cast<int>(std::floor(u));
                const int v0 = static_cast<int>(std::floor(v));
                const float fu = u - static_cast<float>(u0);
                const float fv = v - static_cast<float>(v0);
                const float distance =
                    (font.distanceAt(u0, v0) * (1 - fu) + font.distanceAt(u0 + 1, v0) * fu) * (1 - fv) +
                    (font.distanceAt(u0, v0 + 1) * (1 - fu) + font.distanceAt(u0 + 1, v0 + 1) * fu) * fv;
                const float coverage = smoothStep(edge - halfWidth, edge + halfWidth, distance);
                sheet.blend(x, y, vec4(coverage));
            }
        }
        pen += static_cast<float>(glyph->xadvance);
        previous = character;
    }
}

} // namespace

Raster paintContactSheet(const std::vector<SpriteImage>& sprites, const std::vector<ExplosionArt>& explosions,
                         const FontBaker* font) {
    Raster sheet(kSheetWidth, kSheetHeight);
    sheet.fill(kBackground);

    const SpriteImage& ship = find(sprites, "space_ship.png");
    const SpriteImage& turret = find(sprites, "dual_turret.png");
    const SpriteImage& swarmer = find(sprites, "blueshuttlenoweps.png");
    const SpriteImage& diver = find(sprites, "bluecargoship.png");
    const SpriteImage& hull = find(sprites, "WB_baseu3_d0.png");
    const SpriteImage& core = find(sprites, "WB_base_d0.png");
    const SpriteImage& flame = find(sprites, "firebolt.png");

    // Row 1, in-game size and tint; everything centred on one line.
    const float rowOne = kGap + 0.5f * drawnSize(hull, 1.0f).y;
    float x = kGap;
    const vec2 hullSize = drawnSize(hull, 1.0f);
    drawAtOrigin(sheet, hull, vec2(x + 0.5f * hullSize.x, rowOne), 1.0f, true);
    drawAtOrigin(sheet, core, vec2(x + 0.5f * hullSize.x, rowOne), 1.0f, true);
    x += hullSize.x + kGap;
    const vec2 shipSize = drawnSize(ship, 1.0f);
    drawAtOrigin(sheet, ship, vec2(x + 0.4f * shipSize.x, rowOne), 1.0f, true);
    drawAtOrigin(sheet, turret, vec2(x + 0.4f * shipSize.x, rowOne), 1.0f, true);
    x += shipSize.x + kGap;
    for (const SpriteImage* enemy : {&swarmer, &diver}) {
        const vec2 size = drawnSize(*enemy, 1.0f);
        drawAtOrigin(sheet, *enemy, vec2(x + 0.5f * size.x, rowOne), 1.0f, true);
        x += size.x + kGap;
    }
    // A burst of flames the way the flamethrower lays them down: sizes 40 to 70, each scaled by 0.0625.
    for (float size : {40.0f, 55.0f, 70.0f}) {
        const float zoom = 0.0625f * size;
        const vec2 drawn = drawnSize(flame, zoom);
        for (int layer = 0; layer < 3; ++layer) {
            drawAtOrigin(sheet, flame, vec2(x + 0.5f * drawn.x, rowOne), zoom, true);
        }
        x += drawn.x + kGap;
    }

    // Row 2, untinted at twice the size.
    constexpr float kZoom = 2.0f;
    const float rowTwoTop = rowOne + 0.5f * hullSize.y + kGap;
    float rowTwoHeight = 0.0f;
    for (const SpriteImage* sprite : {&ship, &turret, &swarmer, &diver, &core, &flame}) {
        rowTwoHeight = std::max(rowTwoHeight, drawnSize(*sprite, kZoom).y);
    }
    const float rowTwo = rowTwoTop + 0.5f * rowTwoHeight;
    x = kGap;
    for (const SpriteImage* sprite : {&ship, &turret, &swarmer, &diver, &core, &flame}) {
        const vec2 size = drawnSize(*sprite, kZoom);
        drawAtOrigin(sheet, *sprite, vec2(x + sprite->origin.x * size.x, rowTwo), kZoom, false);
        x += size.x + kGap;
    }

    // Explosion rows: evenly spaced frames from the first to the last.
    float top = rowTwo + 0.5f * rowTwoHeight + kGap;
    const float frameSize = kExplosionFrameSize * kExplosionPreviewScale;
    for (const ExplosionArt& explosion : explosions) {
        const int count = std::min(kExplosionsPerRow, explosion.style.frameCount);
        for (int i = 0; i < count; ++i) {
            const int frame = i * (explosion.style.frameCount - 1) / (count - 1);
            const Raster cell = explosion.sheet.crop((frame % explosion.style.columns) * kExplosionFrameSize,
                                                     (frame / explosion.style.columns) * kExplosionFrameSize,
                                                     kExplosionFrameSize, kExplosionFrameSize);
            sheet.drawScaled(cell, vec2(kGap + static_cast<float>(i) * frameSize, top),
                             vec2(kExplosionPreviewScale), vec4(1.0f));
        }
        top += frameSize + 4.0f;
    }

    // A few frames of the large explosion at full size, to judge the detail.
    const ExplosionArt& large = explosions.front();
    const int detailFrames[] = {2, 10, 22, 38, 50, 58};
    float left = kGap;
    for (int frame : detailFrames) {
        const Raster cell = large.sheet.crop((frame % large.style.columns) * kExplosionFrameSize,
                                             (frame / large.style.columns) * kExplosionFrameSize,
                                             kExplosionFrameSize, kExplosionFrameSize);
        sheet.drawScaled(cell, vec2(left, top + kGap), vec2(1.0f), vec4(1.0f));
        left += kExplosionFrameSize + 8.0f;
    }

    if (font != nullptr) {
        float lineTop = top + kGap + kExplosionFrameSize + kGap;
        for (float size : {20.0f, 30.0f, 44.0f, 60.0f}) {
            drawText(sheet, *font, "Score: 12345  New highscore! Start game", vec2(kGap, lineTop), size);
            lineTop += size * 1.4f;
        }
    }
    return sheet;
}

} // namespace kv
