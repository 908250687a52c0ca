#include "engine/components/HealthAndScore.hpp"

#include <utility>

#include "engine/core/GameEntity.hpp"

namespace kv {

namespace {
// Fixed priority of score components.
constexpr int kScorePriority = 1000;
} // namespace

HealthComponent::HealthComponent(GameEntity& entity, float health, DeathCallback onDeath, int priority)
    : EntityComponent(entity, priority), maxHealth(health), health(health), onDeath(std::move(onDeath)) {
    entity.registerComponent<HealthComponent>(*this);
}

HealthComponent::~HealthComponent() {
    entity.deregisterComponent<HealthComponent>(*this);
}

void HealthComponent::doDamage(float amount) {
    health -= amount;
    if (health > 0.0f) {
        return;
    }
    onDeath();
    entity.setActive(false);
    entity.addTag(kRetiredTag);
}

ScoreComponent::ScoreComponent(GameEntity& entity, int score)
    : EntityComponent(entity, kScorePriority), score(score) {
    entity.registerComponent<ScoreComponent>(*this);
}

ScoreComponent::~ScoreComponent() {
    entity.deregisterComponent<ScoreComponent>(*this);
}

EnemyAiComponent::EnemyAiComponent(GameEntity& entity, AiCallback ai, int priority)
    : LambdaComponent(
          entity, [this](EntityComponent&, float dt) { updateAi(dt); }, priority),
      ai(std::move(ai)) {
    entity.registerComponent<EnemyAiComponent>(*this);
}

EnemyAiComponent::~EnemyAiComponent() {
    entity.deregisterComponent<EnemyAiComponent>(*this);
}

void EnemyAiComponent::updateAi(float dt) {
    if (entity.isActive() && aiEnabled) {
        ai(dt);
    }
}

} // namespace kv
