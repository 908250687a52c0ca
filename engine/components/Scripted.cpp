#include "engine/components/Scripted.hpp"

#include <utility>
#include <vector>

#include "engine/components/Input.hpp"
#include "engine/core/Diagnostics.hpp"
#include "engine/core/GameEntity.hpp"

namespace kv {

namespace {
// Fixed priority of delayed callbacks and spawners.
constexpr int kScriptPriority = 1000;

// Each spawn must bring the next one closer, or the loop that catches up with due spawns never ends: an
// interval of 0 or less, not a number, or too short to change the countdown at all.
void checkAdvances(float countdown, float interval) {
    checkState(countdown + interval > countdown, [&](std::stringstream& out) {
        out << "TimedEntitySpawner: interval must be greater than 0 seconds";
        if (interval > 0.0f) {
            out << " and long enough to advance a countdown of " << countdown;
        }
        out << ", was " << interval;
    });
}
} // namespace

LambdaComponent::LambdaComponent(GameEntity& entity, ComponentCallback callback, int priority)
    : UpdatableComponent(entity, priority), callback(std::move(callback)) {}

void LambdaComponent::update(float dt) {
    if (entity.isActive()) {
        callback(*this, dt);
    }
}

TimedLambdaComponent::TimedLambdaComponent(GameEntity& entity, float delay, ComponentCallback callback)
    : UpdatableComponent(entity, kScriptPriority), remaining(delay), callback(std::move(callback)) {}

void TimedLambdaComponent::update(float dt) {
    if (!entity.isActive()) {
        return;
    }
    remaining -= dt;
    if (remaining > 0.0f) {
        return;
    }
    callback(*this, -remaining);
    delete this;
}

TimedEntitySpawner::TimedEntitySpawner(GameEntity& entity, float interval, bool enabled,
                                       EntityFactory factory)
    : UpdatableComponent(entity, kScriptPriority), interval(interval), enabled(enabled),
      factory(std::move(factory)) {
    checkAdvances(0.0f, interval);
    entity.registerComponent<TimedEntitySpawner>(*this);
}

TimedEntitySpawner::~TimedEntitySpawner() {
    entity.deregisterComponent<TimedEntitySpawner>(*this);
}

void TimedEntitySpawner::update(float dt) {
    if (!entity.isActive()) {
        return;
    }
    if (countdown > 0.0f) {
        countdown -= dt;
        if (!enabled || countdown > 0.0f) {
            return;
        }
    } else {
        countdown = 0.0f;
        if (!enabled) {
            return;
        }
    }
    // countdown is now how far past due the next spawn is (0 or less). interval is public and may have been
    // rewritten since construction (the wave director does so every frame), so it is checked here.
    do {
        checkAdvances(countdown, interval);
        spawn(-countdown);
        countdown += interval;
    } while (countdown <= 0.0f);
}

void TimedEntitySpawner::spawn(float age) {
    GameEntity* spawned = factory();
    checkState(spawned != nullptr, "TimedEntitySpawner: factory returned no entity");
    const auto updatables = spawned->getComponents<UpdatableComponent>();
    const std::vector<UpdatableComponent*> snapshot(updatables.begin(), updatables.end());
    for (UpdatableComponent* component : snapshot) {
        component->update(age);
    }
}

void TimedEntitySpawner::addMouseControl(int button) {
    new MouseButtonComponent(entity, button, [this](bool pressed) { enabled = pressed; });
}

} // namespace kv
