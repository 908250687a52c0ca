// The frame every game on the engine runs, over the two registries that hold its play state.
#pragma once

#include <vector>

#include <glm/mat4x4.hpp>

namespace kv {

class CollisionComponent;
class TaggedEntityRegistry;
class TypedComponentRegistry;
class UpdatableComponent;

// Inactive entities carrying this tag are deleted by the scene's sweep after the update pass. A game's own
// tags leave it free.
inline constexpr int kRetiredTag = 99;

// One place for the usual frame. update() resets every collision component (so that a touching pair is met
// again this frame), updates every updatable component once, in registry order, over a snapshot (components
// may spawn entities, retire them and delete themselves meanwhile; those made during the pass wait for the
// next frame), then deletes the retired entities: the inactive ones tagged kRetiredTag. draw() draws every
// visual component in registry order. When the scene goes, every entity still registered goes with it.
//
// Holds the registries by reference: declare it after them, so that it goes before them.
class Scene {
public:
    Scene(TaggedEntityRegistry& entities, TypedComponentRegistry& components);
    ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // resetCollisions(), updateComponents(dt), deleteRetiredEntities(), in this order; dt in seconds.
    void update(float dt);
    void resetCollisions();
    void updateComponents(float dt);
    void deleteRetiredEntities();

    // Every visual component, lowest priority first, so that higher ones end up on top. Part of kv_gfx: the
    // rest of the scene needs no graphics.
    void draw(const glm::mat4& projectionView);

    // Every root entity, oldest first, each with its subtree and their components.
    void deleteAllEntities();

private:
    TaggedEntityRegistry& entities;
    TypedComponentRegistry& components;
    // Kept between frames, so that a steady frame allocates nothing.
    std::vector<CollisionComponent*> collisionSnapshot;
    std::vector<UpdatableComponent*> updateSnapshot;
};

} // namespace kv
