#include "reliability/PlayState.hpp"

#include <algorithm>
#include <bit>
#include <map>
#include <sstream>
#include <vector>

#include "engine/components/HealthAndScore.hpp"
#include "engine/core/EntityComponent.hpp"
#include "game/GameState.hpp"

namespace kv {

namespace {

constexpr std::uint64_t kFnvOffset = 14695981039346656037ull;
constexpr std::uint64_t kFnvPrime = 1099511628211ull;

void mix(std::uint64_t& hash, std::uint32_t word) {
    for (int byte = 0; byte < 4; ++byte) {
        hash ^= (word >> (8 * byte)) & 0xffu;
        hash *= kFnvPrime;
    }
}

std::uint32_t bitsOf(float value) { return std::bit_cast<std::uint32_t>(value); }

// No health component: a value no health can take, so that "none" and "0" differ.
constexpr std::uint32_t kNoHealth = 0xffffffffu;

} // namespace

std::uint64_t PlayState::hash(ArcadeStyleShooterGame& game) {
    std::map<const GameEntity*, std::uint32_t> health;
    for (HealthComponent* component : game.getComponentRegistry().getComponents<HealthComponent>()) {
        health[&component->entity] = bitsOf(component->health);
    }
    std::vector<std::vector<std::uint32_t>> records;
    for (const GameEntity* entity : game.getTaggedRegistry().getEntities(0)) {
        std::vector<std::uint32_t> record{bitsOf(entity->getPosition().x), bitsOf(entity->getPosition().y),
                                          bitsOf(entity->getOrientation()), entity->isActive() ? 1u : 0u};
        const auto found = health.find(entity);
        record.push_back(found == health.end() ? kNoHealth : found->second);
        for (int tag : entity->getTags()) {
            record.push_back(static_cast<std::uint32_t>(tag));
        }
        records.push_back(std::move(record));
    }
    // Sorted, so that the hash tells states apart and not the order they were walked in.
    std::sort(records.begin(), records.end());
    std::uint64_t hash = kFnvOffset;
    mix(hash, static_cast<std::uint32_t>(records.size()));
    for (const auto& record : records) {
        mix(hash, static_cast<std::uint32_t>(record.size()));
        for (std::uint32_t word : record) {
            mix(hash, word);
        }
    }
    mix(hash, static_cast<std::uint32_t>(playerScore));
    mix(hash, static_cast<std::uint32_t>(playerHighScore));
    mix(hash, mainMenuActive ? 1u : 0u);
    return hash;
}

std::size_t PlayState::entityCount(ArcadeStyleShooterGame& game) {
    return game.getTaggedRegistry().getEntities(0).size();
}

std::size_t PlayState::componentCount(ArcadeStyleShooterGame& game) {
    return game.getComponentRegistry().getComponents<EntityComponent>().size();
}

std::string PlayState::describe(ArcadeStyleShooterGame& game) {
    std::stringstream out;
    out << entityCount(game) << " entities (" << game.getTaggedRegistry().getEntities(kTagEnemy).size()
        << " enemies), score " << playerScore;
    return out.str();
}

} // namespace kv
