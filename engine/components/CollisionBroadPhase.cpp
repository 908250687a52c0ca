#include "engine/components/CollisionBroadPhase.hpp"

#include <algorithm>
#include <cmath>
#include <memory>

#include "engine/components/Collision.hpp"
#include "engine/core/GameEntity.hpp"

namespace kv {

namespace {

constexpr double kBaseCellSize = 16.0;   // world units: cells of the finest level
constexpr std::int32_t kLevelCount = 24; // up to 16 * 2^23 world units; larger shapes meet every query
constexpr std::int32_t kEveryQuery = -1; // the level of entries that every query returns
// Cell coordinates stay well inside 32 bits; entries beyond meet every query.
constexpr double kLargestCellIndex = 1.0e9;
// The shape tests round in single precision; reaching this much further keeps the bounds conservative.
constexpr double kRelativeSlack = 1.0e-4;
constexpr double kAbsoluteSlack = 1.0e-3; // world units
constexpr std::uint32_t kMinimumBuckets = 16;

struct Bounds {
    float x;
    float y;
    float radius;
    bool valid;
};

Bounds boundsOf(const CollisionGeometry& geometry) {
    const vec2 centre = geometry.centre();
    const float radius = geometry.boundingRadius();
    const bool valid =
        std::isfinite(centre.x) && std::isfinite(centre.y) && std::isfinite(radius) && radius >= 0.0f;
    return Bounds{centre.x, centre.y, radius, valid};
}

// How far apart two centres may be for the shapes around them to touch, with the slack above.
double reachOf(double radiusA, double radiusB) {
    return (radiusA + radiusB) * (1.0 + kRelativeSlack) + kAbsoluteSlack;
}

struct CellSizes {
    double size[kLevelCount];
    constexpr CellSizes() : size() {
        for (std::int32_t level = 0; level < kLevelCount; ++level) {
            size[level] = kBaseCellSize * static_cast<double>(1u << level);
        }
    }
};
constexpr CellSizes kCellSizes;

// World units.
double cellSizeOf(std::int32_t level) {
    return kCellSizes.size[level];
}

// The finest level whose cells are at least the circle's diameter, or kEveryQuery.
std::int32_t levelOf(float radius) {
    const double diameter = 2.0 * static_cast<double>(radius);
    for (std::int32_t level = 0; level < kLevelCount; ++level) {
        if (cellSizeOf(level) >= diameter) {
            return level;
        }
    }
    return kEveryQuery;
}

std::uint32_t hashCell(std::int32_t level, std::int32_t x, std::int32_t y) {
    std::uint32_t hash = static_cast<std::uint32_t>(x) * 73856093u;
    hash ^= static_cast<std::uint32_t>(y) * 19349663u;
    hash ^= static_cast<std::uint32_t>(level) * 83492791u;
    return hash ^ (hash >> 16);
}

// Holds the scratch lists of one nesting depth while a pass runs, whatever way the pass ends.
class ScratchLease {
public:
    template <typename Scratch>
    ScratchLease(std::deque<Scratch>& scratches, std::size_t& depth, Scratch*& taken) : depth(depth) {
        if (depth == scratches.size()) {
            scratches.emplace_back();
        }
        taken = &scratches[depth];
        ++depth;
    }
    ~ScratchLease() { --depth; }
    ScratchLease(const ScratchLease&) = delete;
    ScratchLease& operator=(const ScratchLease&) = delete;

private:
    std::size_t& depth;
};

} // namespace

CollisionBroadPhase* CollisionBroadPhase::of(TaggedEntityRegistry& registry) {
    TaggedEntityRegistry::Attachment* attachment = registry.getAttachment();
    if (attachment == nullptr) {
        auto made = std::make_unique<CollisionBroadPhase>(registry);
        CollisionBroadPhase* broadPhase = made.get();
        registry.setAttachment(std::move(made));
        return broadPhase;
    }
    return dynamic_cast<CollisionBroadPhase*>(attachment);
}

CollisionBroadPhase::CollisionBroadPhase(TaggedEntityRegistry& registry) : registry(registry) {}

CollisionBroadPhase::TagIndex& CollisionBroadPhase::indexOf(int tag) {
    TagIndex& index = indexes[tag];
    if (index.members == nullptr) {
        index.members = &registry.getEntities(tag);
        index.revision = &registry.getTagRevision(tag);
        index.levelSize.assign(kLevelCount, 0);
        index.levelRadius.assign(kLevelCount, 0.0f);
    }
    return index;
}

CollisionBroadPhase::Stamp CollisionBroadPhase::stampOf(const TagIndex& index) const {
    return Stamp{*index.revision, registry.getPlacementRevision(), CollisionGeometry::shapeRevision};
}

void CollisionBroadPhase::rebuild(TagIndex& index) {
    // Only a change of the tag's set (or of a member's components) changes who is in the index and with
    // which shape; moves and reshaping need only the bounds read again.
    if (!index.built || index.builtAt.tag != *index.revision) {
        index.entries.clear();
        for (GameEntity* entity : *index.members) {
            const CollisionGeometry* geometry = nullptr;
            // An entity without exactly one CollisionComponent makes the full walk throw; it must be met.
            if (entity->countComponents<CollisionComponent>() == 1) {
                geometry = entity->getComponent<CollisionComponent>().geometry.get();
            }
            index.entries.push_back(Entry{entity, geometry, 0.0f, 0.0f, 0.0f, 0, 0, kEveryQuery});
        }
    }
    index.everyQuery.clear();
    std::fill(index.levelSize.begin(), index.levelSize.end(), 0u);
    std::fill(index.levelRadius.begin(), index.levelRadius.end(), 0.0f);
    std::size_t gridded = 0;
    for (std::uint32_t item = 0; item < index.entries.size(); ++item) {
        Entry& entry = index.entries[item];
        entry.level = kEveryQuery;
        if (entry.geometry != nullptr) {
            const Bounds bounds = boundsOf(*entry.geometry);
            const std::int32_t level = bounds.valid ? levelOf(bounds.radius) : kEveryQuery;
            if (level != kEveryQuery) {
                const double cellX = std::floor(static_cast<double>(bounds.x) / cellSizeOf(level));
                const double cellY = std::floor(static_cast<double>(bounds.y) / cellSizeOf(level));
                if (std::abs(cellX) <= kLargestCellIndex && std::abs(cellY) <= kLargestCellIndex) {
                    entry.x = bounds.x;
                    entry.y = bounds.y;
                    entry.radius = bounds.radius;
                    entry.cellX = static_cast<std::int32_t>(cellX);
                    entry.cellY = static_cast<std::int32_t>(cellY);
                    entry.level = level;
                    ++index.levelSize[level];
                    index.levelRadius[level] = std::max(index.levelRadius[level], bounds.radius);
                    ++gridded;
                }
            }
        }
        if (entry.level == kEveryQuery) {
            index.everyQuery.push_back(item);
        }
    }

    std::uint32_t buckets = kMinimumBuckets;
    while (buckets < 2 * gridded) {
        buckets *= 2;
    }
    index.bucketMask = buckets - 1;
    // Counts per bucket, summed up to each bucket's end; filling each bucket from its end down leaves
    // bucketStart[b] at the bucket's first item, and bucketStart[b + 1] at its end.
    index.bucketStart.assign(buckets + 1, 0u);
    for (const Entry& entry : index.entries) {
        if (entry.level != kEveryQuery) {
            ++index.bucketStart[hashCell(entry.level, entry.cellX, entry.cellY) & index.bucketMask];
        }
    }
    std::uint32_t end = 0;
    for (std::uint32_t bucket = 0; bucket <= buckets; ++bucket) {
        end += index.bucketStart[bucket];
        index.bucketStart[bucket] = end;
    }
    index.bucketItems.resize(gridded);
    for (std::size_t item = index.entries.size(); item-- > 0;) {
        const Entry& entry = index.entries[item];
        if (entry.level != kEveryQuery) {
            const std::uint32_t bucket = hashCell(entry.level, entry.cellX, entry.cellY) & index.bucketMask;
            index.bucketItems[--index.bucketStart[bucket]] = static_cast<std::uint32_t>(item);
        }
    }
    index.built = true;
    index.builtAt = stampOf(index);
}

void CollisionBroadPhase::collect(const TagIndex& index, float x, float y, float radius,
                                  std::optional<std::uint64_t> after, Scratch& scratch) const {
    std::vector<std::uint32_t>& found = scratch.found;
    found.clear();
    const double qx = x;
    const double qy = y;
    auto reaches = [&](const Entry& entry) {
        const double dx = qx - static_cast<double>(entry.x);
        const double dy = qy - static_cast<double>(entry.y);
        const double reach = reachOf(radius, entry.radius);
        return dx * dx + dy * dy <= reach * reach;
    };

    // Cells to look at on each level, within the indexable range (no gridded entry lies beyond it); a level
    // whose span misses that range entirely is skipped. When the cells outnumber the entries, testing every
    // entry is cheaper.
    struct Span {
        std::int32_t x0, x1, y0, y1;
        bool empty;
    };
    auto clampToRange = [](double cell) {
        return static_cast<std::int32_t>(std::clamp(cell, -kLargestCellIndex, kLargestCellIndex));
    };
    Span spans[kLevelCount];
    double cells = 0.0;
    for (std::int32_t level = 0; level < kLevelCount; ++level) {
        Span& span = spans[level];
        span.empty = true;
        if (index.levelSize[level] == 0) {
            continue;
        }
        const double reach = reachOf(radius, index.levelRadius[level]);
        const double size = cellSizeOf(level);
        const double x0 = std::floor((qx - reach) / size);
        const double x1 = std::floor((qx + reach) / size);
        const double y0 = std::floor((qy - reach) / size);
        const double y1 = std::floor((qy + reach) / size);
        if (x1 < -kLargestCellIndex || x0 > kLargestCellIndex || y1 < -kLargestCellIndex ||
            y0 > kLargestCellIndex) {
            continue;
        }
        span = Span{clampToRange(x0), clampToRange(x1), clampToRange(y0), clampToRange(y1), false};
        cells += (static_cast<double>(span.x1) - span.x0 + 1.0) * (static_cast<double>(span.y1) - span.y0 + 1.0);
    }
    if (cells > static_cast<double>(index.entries.size())) {
        for (std::uint32_t item = 0; item < index.entries.size(); ++item) {
            const Entry& entry = index.entries[item];
            if (entry.level != kEveryQuery && reaches(entry)) {
                found.push_back(item);
            }
        }
    } else {
        for (std::int32_t level = 0; level < kLevelCount; ++level) {
            const Span& span = spans[level];
            if (span.empty) {
                continue;
            }
            for (std::int32_t cellY = span.y0; cellY <= span.y1; ++cellY) {
                for (std::int32_t cellX = span.x0; cellX <= span.x1; ++cellX) {
                    const std::uint32_t bucket = hashCell(level, cellX, cellY) & index.bucketMask;
                    for (std::uint32_t at = index.bucketStart[bucket]; at < index.bucketStart[bucket + 1];
                         ++at) {
                        const std::uint32_t item = index.bucketItems[at];
                        const Entry& entry = index.entries[item];
                        // A bucket may also hold other cells; each entry sits in exactly one cell.
                        if (entry.level == level && entry.cellX == cellX && entry.cellY == cellY &&
                            reaches(entry)) {
                            found.push_back(item);
                        }
                    }
                }
            }
        }
    }
    found.insert(found.end(), index.everyQuery.begin(), index.everyQuery.end());
    // Entries are in the live set's order, so their positions sort the entities.
    std::sort(found.begin(), found.end());

    std::vector<GameEntity*>& candidates = scratch.candidates;
    candidates.clear();
    for (std::uint32_t item : found) {
        GameEntity* entity = index.entries[item].entity;
        if (!after || *after < entity->getCreationNumber()) {
            candidates.push_back(entity);
        }
    }
}

void CollisionBroadPhase::visitNear(CollisionComponent& component, int tag, float dt) {
    const EntitySet& members = registry.getEntities(tag);
    if (!enabled || members.size() < minimumIndexed) {
        component.visitAll(tag, members, members.begin(), dt);
        return;
    }
    TagIndex& index = indexOf(tag);
    Scratch* scratch = nullptr;
    const ScratchLease lease(scratches, depth, scratch);
    // The creation number of the entity visited last: the live walk goes on with the members above it. Not
    // the entity itself, which the visit's callbacks may have deleted.
    std::optional<std::uint64_t> cursor;
    for (;;) {
        if (!index.built || index.builtAt != stampOf(index)) {
            rebuild(index);
        }
        const Bounds bounds = boundsOf(*component.geometry);
        if (!bounds.valid) {
            // A shape with an undefined or negative measure has no bounds to search with.
            component.visitAll(tag, members, cursor ? members.upper_bound(*cursor) : members.begin(), dt);
            return;
        }
        collect(index, bounds.x, bounds.y, bounds.radius, cursor, *scratch);
        const Stamp stamp = index.builtAt;
        bool changed = false;
        for (GameEntity* other : scratch->candidates) {
            cursor = other->getCreationNumber();
            if (component.visit(tag, other, dt)) {
                return;
            }
            if (stampOf(index) != stamp) {
                changed = true;
                break;
            }
        }
        if (!changed) {
            return;
        }
    }
}

} // namespace kv
