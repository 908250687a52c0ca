#include "engine/core/Scene.hpp"

#include "engine/components/Collision.hpp"
#include "engine/core/GameEntity.hpp"

namespace kv {

Scene::Scene(TaggedEntityRegistry& entities, TypedComponentRegistry& components)
    : entities(entities), components(components) {}

Scene::~Scene() {
    deleteAllEntities();
}

void Scene::update(float dt) {
    resetCollisions();
    updateComponents(dt);
    deleteRetiredEntities();
}

void Scene::resetCollisions() {
    components.copyComponents(collisionSnapshot);
    for (CollisionComponent* component : collisionSnapshot) {
        component->resetForFrame();
    }
}

void Scene::updateComponents(float dt) {
    components.copyComponents(updateSnapshot);
    for (UpdatableComponent* component : updateSnapshot) {
        component->update(dt);
    }
}

void Scene::deleteRetiredEntities() {
    entities.deleteInactiveEntities(kRetiredTag);
}

void Scene::deleteAllEntities() {
    // Roots only, gathered first: each takes its own subtree, and no root takes another with it.
    std::vector<GameEntity*> roots;
    for (GameEntity* entity : entities.getEntities(0)) {
        if (entity->getParent() == nullptr) {
            roots.push_back(entity);
        }
    }
    for (GameEntity* root : roots) {
        delete root;
    }
}

} // namespace kv
