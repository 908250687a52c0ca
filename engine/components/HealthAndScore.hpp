// Hit points, score worth and the switchable enemy AI of game entities.
#pragma once

#include <functional>

#include "engine/components/Scripted.hpp"
#include "engine/core/EntityComponent.hpp"
#include "engine/core/Scene.hpp" // kRetiredTag, which a death gives

namespace kv {

class GameEntity;

using DeathCallback = std::function<void()>;
// dt in seconds.
using AiCallback = std::function<void(float dt)>;

// Hit points. A hit that leaves none runs the death callback while the entity is still intact, then
// switches the entity (and its subtree) off and retires it.
class HealthComponent : public EntityComponent {
public:
    HealthComponent(GameEntity& entity, float health, DeathCallback onDeath, int priority);
    ~HealthComponent() override;

    // A negative amount heals; nothing caps health at maxHealth.
    void doDamage(float amount);

    float maxHealth;
    float health;
    DeathCallback onDeath;
};

// The points an entity is worth when killed.
class ScoreComponent : public EntityComponent {
public:
    ScoreComponent(GameEntity& entity, int score);
    ~ScoreComponent() override;

    int score;
};

// Runs an enemy's steering callback every frame unless switched off (a stunned enemy just drifts).
// Registers under EnemyAiComponent but not under LambdaComponent.
class EnemyAiComponent : public LambdaComponent {
public:
    EnemyAiComponent(GameEntity& entity, AiCallback ai, int priority);
    ~EnemyAiComponent() override;

    void updateAi(float dt);

    bool aiEnabled = true;
    AiCallback ai;
};

} // namespace kv
