#include "game/GameRules.hpp"

#include "engine/components/HealthAndScore.hpp"
#include "game/GameState.hpp"

namespace kv {

void retire(GameEntity& entity) {
    entity.setActive(false);
    entity.addTag(kTagRetired);
}

GameEntity* findActivePlayer(TaggedEntityRegistry& registry) {
    // Same answer as the first of getActiveEntities(player), without building a set every frame.
    for (GameEntity* entity : registry.getEntities(kTagPlayer)) {
        if (entity->isActive()) {
            return entity;
        }
    }
    return nullptr;
}

void damageAndScore(GameEntity& target, float damage) {
    auto& health = target.getComponent<HealthComponent>();
    health.doDamage(damage);
    if (health.health <= 0.0f) {
        playerScore += target.getComponent<ScoreComponent>().score;
    }
}

} // namespace kv
