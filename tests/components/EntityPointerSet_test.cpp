#include "engine/components/EntityPointerSet.hpp"

#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

namespace kv {
namespace {

// Stand-ins for entity addresses: never dereferenced, 16-byte aligned like heap blocks.
GameEntity* fake(std::uintptr_t n) {
    return reinterpret_cast<GameEntity*>(0x10000 + 16 * n);
}

TEST(EntityPointerSet, InsertsEachEntityOnceAndForgetsAllOnClear) {
    EntityPointerSet set;
    EXPECT_TRUE(set.empty());
    // Past the few held in the object itself and through several growths of the table.
    for (std::uintptr_t n = 0; n < 300; ++n) {
        ASSERT_TRUE(set.insert(fake(n)));
        ASSERT_FALSE(set.insert(fake(n)));
    }
    EXPECT_EQ(set.size(), 300u);
    for (std::uintptr_t n = 0; n < 300; ++n) {
        ASSERT_EQ(set.count(fake(n)), 1u);
    }
    EXPECT_EQ(set.count(fake(300)), 0u);
    set.clear();
    EXPECT_TRUE(set.empty());
    EXPECT_EQ(set.count(fake(0)), 0u);
    EXPECT_EQ(set.count(fake(299)), 0u);
    EXPECT_TRUE(set.insert(fake(5)));
    EXPECT_EQ(set.size(), 1u);
}

} // namespace
} // namespace kv
