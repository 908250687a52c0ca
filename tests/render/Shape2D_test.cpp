#include "engine/render/Shape2D.hpp"

#include <cmath>
#include <memory>
#include <stdexcept>
#include <type_traits>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/GlTestContext.hpp"

namespace kv {
namespace {

static_assert(!std::is_copy_constructible_v<Shape2D>);
static_assert(std::has_virtual_destructor_v<Drawable>);

using test::Rgb;
using ::testing::ElementsAre;
using ::testing::Pointwise;

constexpr float kRoundingTolerance = 1e-6f;

MATCHER_P(NearlyEquals, tolerance, "") {
    return std::fabs(std::get<0>(arg) - std::get<1>(arg)) <= tolerance;
}

TEST(ShapeGeneratorTest, CircleFanIsCentreThenClosedRimAndStripTheRimAlone) {
    EXPECT_THAT(generateCircleFan(4, 1.0f),
                Pointwise(NearlyEquals(kRoundingTolerance),
                          std::vector<float>{0, 0, 1, 0, 0, 1, -1, 0, 0, -1, 1, 0}));
    EXPECT_THAT(generateCircleStrip(4, 1.0f), Pointwise(NearlyEquals(kRoundingTolerance),
                                                        std::vector<float>{1, 0, 0, 1, -1, 0, 0, -1, 1, 0}));
    const std::vector<float> strip = generateCircleStrip(100, 2000.0f);
    ASSERT_EQ(strip.size(), 202u);
    for (std::size_t i = 0; i < strip.size(); i += 2) {
        EXPECT_NEAR(std::hypot(strip[i], strip[i + 1]), 2000.0f, 1e-2) << "point " << i / 2;
    }
    EXPECT_NEAR(strip[200], strip[0], 1e-2);
    EXPECT_NEAR(strip[201], strip[1], 1e-2);
    EXPECT_THROW(generateCircleFan(0, 1.0f), std::runtime_error);
    EXPECT_THROW(generateCircleStrip(-3, 1.0f), std::runtime_error);
}

TEST(ShapeGeneratorTest, RectangleFanStartsAtTheCentreAndRepeatsItsFirstCorner) {
    EXPECT_THAT(generateRectangleFan(vec2(4, 2), vec2(10, 20)),
                ElementsAre(10, 20, 12, 19, 12, 21, 8, 21, 8, 19, 12, 19));
}

TEST(ShapeGeneratorTest, TrianglePointsAlongPlusX) {
    EXPECT_THAT(generateTriangle(2.0f), ElementsAre(1, 0, -1, 1, -1, -1));
}

class Shape2DTest : public test::GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        shader = test::loadShippedShader("debug");
        shader->use();
        shader->setProjectionViewModel(pixelProjection());
        shader->setTint(vec4(1.0f, 1.0f, 0.0f, 1.0f));
    }

    // Primitives the draw call produces, counted by the GL.
    GLuint primitivesDrawn(Drawable& drawable) {
        GLuint query = 0;
        glGenQueries(1, &query);
        glBeginQuery(GL_PRIMITIVES_GENERATED, query);
        drawable.draw();
        glEndQuery(GL_PRIMITIVES_GENERATED);
        GLuint count = 0;
        glGetQueryObjectuiv(query, GL_QUERY_RESULT, &count);
        glDeleteQueries(1, &query);
        return count;
    }

    std::shared_ptr<Shader> shader;
};

TEST_F(Shape2DTest, DrawsHalfAsManyVerticesAsFloatsIgnoringAnOddOne) {
    Shape2D points({10, 10, 20, 20, 30, 30, 40}, GL_POINTS);
    EXPECT_EQ(primitivesDrawn(points), 3u);
    Shape2D fan(generateCircleFan(40, 10.0f), GL_TRIANGLE_FAN);
    EXPECT_EQ(primitivesDrawn(fan), 40u);
}

TEST_F(Shape2DTest, DestructionThroughTheInterfaceReleasesBufferAndVertexArray) {
    std::unique_ptr<Drawable> drawable = std::make_unique<Shape2D>(generateTriangle(10.0f), GL_TRIANGLE_FAN);
    const auto& shape = static_cast<const Shape2D&>(*drawable);
    const GLuint vbo = shape.getVbo();
    const GLuint vao = shape.getVao();
    ASSERT_TRUE(glIsBuffer(vbo));
    ASSERT_TRUE(glIsVertexArray(vao));
    drawable.reset();
    EXPECT_FALSE(glIsBuffer(vbo));
    EXPECT_FALSE(glIsVertexArray(vao));
}

} // namespace
} // namespace kv
