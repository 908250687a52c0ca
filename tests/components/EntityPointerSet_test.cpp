#include "engine/components/EntityPointerSet.hpp"

#include <cstdint>

#include <gtest/gtest.h>

namespace kv {
namespace {

// Stand-ins for entity addresses: never dereferenced, 16-byte aligned like heap blocks.
GameEntity* fake(std::uintptr_t n) {
    return reinterpret_cast<GameEntity*>(0x10000 + 16 * n);
}

TEST(EntityPointerSet, InsertsEachEntityOnceAndForgetsAllOnClear) {
    constexpr std::uintptr_t kMany = 300; // past the few held in the object and several table growths
    EntityPointerSet set;
    for (std::uintptr_t n = 0; n < kMany; ++n) {
        ASSERT_TRUE(set.insert(fake(n)));
        ASSERT_FALSE(set.insert(fake(n)));
    }
    EXPECT_EQ(set.size(), kMany);
    for (std::uintptr_t n = 0; n <= kMany; ++n) {
        ASSERT_EQ(set.count(fake(n)), n < kMany ? 1u : 0u);
    }
    set.clear();
    EXPECT_TRUE(set.empty());
    EXPECT_EQ(set.count(fake(0)), 0u);
    EXPECT_TRUE(set.insert(fake(5)));
}

} // namespace
} // namespace kv
