// GL tests of texts, labels and buttons: a test window plus a label factory on the generated font, with
// the runtime directory as working directory (the factory reads its shaders from there).
#pragma once

#include <algorithm>
#include <filesystem>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "engine/text/GlLabelFactory.hpp"
#include "engine/text/GlyphAtlas.hpp"
#include "tests/support/GlTestContext.hpp"

namespace kv::test {

class FontFixture : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        previousDirectory = std::filesystem::current_path();
        std::filesystem::current_path(VANTOR_RUNTIME_DIR);
        factory = std::make_unique<GlLabelFactory>("fonts", "OpenSans-Regular.fnt");
        // As the game draws: glyph coverage is the text shader's alpha.
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }

    void TearDown() override {
        factory.reset();
        std::filesystem::current_path(previousDirectory);
        GlTest::TearDown();
    }

    const GlyphAtlas& atlas() const { return *factory->getAtlas(); }
    float atlasSize() const { return static_cast<float>(factory->getAtlas()->size); }

    std::unique_ptr<GlLabelFactory> factory;

private:
    std::filesystem::path previousDirectory;
};

// Pixel bounds, inclusive, in glReadPixels coordinates.
struct PixelBox {
    int minX = 1 << 30;
    int minY = 1 << 30;
    int maxX = -1;
    int maxY = -1;
    bool empty() const { return maxX < 0; }
};

// Bounds of the pixels with any channel above threshold in a read-back of the whole framebuffer.
inline PixelBox litBox(const std::vector<Rgb>& pixels, int width, int threshold = 100) {
    PixelBox box;
    for (int i = 0; i < static_cast<int>(pixels.size()); ++i) {
        const Rgb& p = pixels[static_cast<std::size_t>(i)];
        if (std::max({p.r, p.g, p.b}) > threshold) {
            const int x = i % width;
            const int y = i / width;
            box.minX = std::min(box.minX, x);
            box.maxX = std::max(box.maxX, x);
            box.minY = std::min(box.minY, y);
            box.maxY = std::max(box.maxY, y);
        }
    }
    return box;
}

} // namespace kv::test
