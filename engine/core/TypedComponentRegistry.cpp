#include "engine/core/TypedComponentRegistry.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <stdexcept>

#include "engine/core/Diagnostics.hpp"
#include "engine/core/EntityComponent.hpp"

namespace kv {

bool ComponentComparator::operator()(const EntityComponent* a, const EntityComponent* b) const {
    if (a->priority != b->priority) {
        return a->priority < b->priority;
    }
    return a->creationNumber < b->creationNumber;
}

namespace {
// Blanks a run carries before it is squeezed, beyond as many as it has live entries after its first blank:
// squeezing moves those entries, so it waits until that many removals have paid for it. Counting only from
// the first blank matters in a long run whose old entries stay while its young ones come and go: the tail
// is squeezed often and stays short, and the search from the end stays in it.
constexpr std::size_t kBlanksBeforeSqueeze = 64;

bool before(const ComponentSet::Entry& entry, std::uint64_t creationNumber) {
    return entry.creationNumber < creationNumber;
}
} // namespace

std::size_t nextComponentTypeId() {
    static std::size_t issued = 0;
    return issued++;
}

std::size_t ComponentSet::runIndex(int priority) const {
    const auto run = std::lower_bound(byPriority.begin(), byPriority.end(), priority,
                                      [](const Run& run, int wanted) { return run.priority < wanted; });
    return static_cast<std::size_t>(run - byPriority.begin());
}

ComponentSet::Run* ComponentSet::findRun(int priority) {
    const std::size_t run = runIndex(priority);
    return run < byPriority.size() && byPriority[run].priority == priority ? &byPriority[run] : nullptr;
}

void ComponentSet::insert(EntityComponent& component) {
    Run* run = findRun(component.priority);
    if (run == nullptr) {
        const auto at = byPriority.begin() + static_cast<std::ptrdiff_t>(runIndex(component.priority));
        run = &*byPriority.insert(at, Run{component.priority, {}, 0});
        ++layout;
    }
    std::vector<Entry>& entries = run->entries;
    const std::uint64_t number = component.creationNumber;
    if (entries.empty() || entries.back().creationNumber < number) {
        entries.push_back(Entry{number, &component});
        ++live;
        return;
    }
    // Registered out of creation order (after a component made later), or again.
    const auto at = std::lower_bound(entries.begin(), entries.end(), number, before);
    if (at != entries.end() && at->creationNumber == number) {
        if (at->component == nullptr) {
            at->component = &component;
            --run->blanks;
            ++live;
        }
        return;
    }
    entries.insert(at, Entry{number, &component});
    ++live;
    ++layout;
}

void ComponentSet::erase(const EntityComponent& component) {
    Run* run = findRun(component.priority);
    if (run == nullptr) {
        return;
    }
    // Most components that go were made lately (shots, sparks): search back from the end with a widening
    // step, so that removing one of them reads only the recently used tail of a long run.
    std::vector<Entry>& entries = run->entries;
    const std::uint64_t number = component.creationNumber;
    std::size_t low = 0;
    std::size_t high = entries.size(); // entries from here on were made after the component
    for (std::size_t step = 1; high > low; step *= 2) {
        const std::size_t probe = high - std::min(step, high);
        if (entries[probe].creationNumber <= number) {
            low = probe;
            break;
        }
        high = probe;
    }
    const auto end = entries.begin() + static_cast<std::ptrdiff_t>(high);
    const auto at = std::lower_bound(entries.begin() + static_cast<std::ptrdiff_t>(low), end, number, before);
    if (at == end || at->component != &component) {
        return;
    }
    at->component = nullptr;
    ++run->blanks;
    --live;
    run->firstBlank = std::min(run->firstBlank, static_cast<std::size_t>(at - entries.begin()));
    if (run->blanks > kBlanksBeforeSqueeze + (entries.size() - run->firstBlank - run->blanks)) {
        squeeze(*run);
    }
}

void ComponentSet::squeeze(Run& run) {
    const auto first = run.entries.begin() + static_cast<std::ptrdiff_t>(run.firstBlank);
    run.entries.erase(std::remove_if(first, run.entries.end(),
                                     [](const Entry& entry) { return entry.component == nullptr; }),
                      run.entries.end());
    run.blanks = 0;
    run.firstBlank = kNoBlank;
    ++layout;
}

ComponentSet::Cursor ComponentSet::first() const {
    Cursor cursor;
    cursor.run = 0;
    settle(cursor);
    return cursor;
}

void ComponentSet::advance(Cursor& cursor) const {
    if (cursor.layout == layout) {
        ++cursor.entry;
    } else {
        cursor.run = runIndex(cursor.priority);
        cursor.entry = 0;
        if (cursor.run < byPriority.size() && byPriority[cursor.run].priority == cursor.priority) {
            const std::vector<Entry>& entries = byPriority[cursor.run].entries;
            const auto next = std::upper_bound(entries.begin(), entries.end(), cursor.creationNumber,
                                               [](std::uint64_t number, const Entry& entry) {
                                                   return number < entry.creationNumber;
                                               });
            cursor.entry = static_cast<std::size_t>(next - entries.begin());
        }
    }
    settle(cursor);
}

void ComponentSet::settle(Cursor& cursor) const {
    while (!atEnd(cursor)) {
        const Run& run = byPriority[cursor.run];
        if (cursor.entry == run.entries.size()) {
            ++cursor.run;
            cursor.entry = 0;
        } else if (run.entries[cursor.entry].component == nullptr) {
            ++cursor.entry;
        } else {
            cursor.layout = layout;
            cursor.priority = run.priority;
            cursor.creationNumber = run.entries[cursor.entry].creationNumber;
            return;
        }
    }
    cursor.run = kPastTheRuns;
}

EntityComponent* ComponentSet::front() const {
    for (const Run& run : byPriority) {
        for (const Entry& entry : run.entries) {
            if (entry.component != nullptr) {
                return entry.component;
            }
        }
    }
    return nullptr;
}

TypedComponentRegistry::TypedComponentRegistry(TypedComponentRegistry* parent) : parent(parent) {}

const EntityComponent* TypedComponentRegistry::findSingle(std::size_t typeId,
                                                          const std::type_info& type) const {
    // On the collision pass's path: nothing is built for a message unless the look-up fails.
    const ComponentSet* set = findSet(typeId);
    if (set == nullptr || set->empty()) {
        throwRuntimeError(
            [&](std::stringstream& out) { out << "component was not found: " << readableTypeName(type); });
    }
    if (set->size() > 1) {
        throwRuntimeError([&](std::stringstream& out) {
            out << "multiple components were found: " << set->size() << " of " << readableTypeName(type);
        });
    }
    return set->front();
}

ComponentSet& TypedComponentRegistry::setFor(std::size_t typeId) {
    if (typeId >= sets.size()) {
        sets.resize(typeId + 1);
    }
    if (!sets[typeId]) {
        sets[typeId] = std::make_unique<ComponentSet>();
    }
    return *sets[typeId];
}

} // namespace kv
