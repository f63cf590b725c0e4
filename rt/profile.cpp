// The cycle-counting profiler: node table, scope registry and timing.
#include "rt/profile.h"

#include <cstdint>

ProfileNode profile_sentinel{};
ProfileNode profile_root_node{};
ProfileNode* profile_current_node = &profile_root_node;

namespace {

constexpr uint32_t kInitialTableSlots = 256;

ProfileScope global_scope = PROFILE_SCOPE("_global");

struct Profiler {
  // Capacity 1 (one sentinel slot) means the table is not created yet.
  std::vector<ProfileNode*> slots{&profile_sentinel};
  uint32_t entries = 0;
  std::vector<ProfileScope*> registry;

  uint32_t mask() const { return static_cast<uint32_t>(slots.size()) - 1; }
};

// Never destroyed: nodes stay reachable (and valid) until the process ends.
Profiler& profiler() {
  static Profiler* p = new Profiler;
  return *p;
}

// Arithmetic right shift of the hash read as a signed word (defined in C++20),
// with every sum formed unsigned so nothing overflows.
uint32_t signed_shift(uint32_t h, int bits) {
  return static_cast<uint32_t>(static_cast<int32_t>(h) >> bits);
}

uint32_t slot_hash(const ProfileScope* scope, const ProfileNode* parent) {
  uint32_t h = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(scope) +
                                     reinterpret_cast<uintptr_t>(parent));
  return h + signed_shift(h, 8);
}

uint32_t probe_step(uint32_t h) { return ((h << 8) + signed_shift(h, 4)) | 1u; }

bool holds(const ProfileNode* node, const ProfileScope* scope, const ProfileNode* parent) {
  return node != &profile_sentinel && node->parent == parent && node->scope == scope;
}

// First empty slot on the probe sequence of (scope, parent).
uint32_t free_slot(const Profiler& p, const ProfileScope* scope, const ProfileNode* parent) {
  const uint32_t h = slot_hash(scope, parent);
  const uint32_t step = probe_step(h);
  uint32_t i = h & p.mask();
  while (p.slots[i] != &profile_sentinel) i = (i + step) & p.mask();
  return i;
}

ProfileNode* create_node(ProfileScope* scope, ProfileNode* parent) {
  uint32_t level = 0;
  for (const ProfileNode* n = parent; n != nullptr; n = n->parent) level += n->scope == scope;
  return new ProfileNode{0, 0, 0, parent, scope, level};
}

void create_table(Profiler& p) {
  p.slots.assign(kInitialTableSlots, &profile_sentinel);
  p.entries = 0;
  // Every outermost scope becomes a child of "_global", which is never left.
  profile_enter(&global_scope);
}

void grow_table(Profiler& p) {
  std::vector<ProfileNode*> old;
  old.swap(p.slots);
  p.slots.assign(old.size() * 2, &profile_sentinel);
  p.entries = 0;
  for (ProfileNode* node : old) {
    if (node == &profile_sentinel) continue;
    p.slots[free_slot(p, node->scope, node->parent)] = node;
    ++p.entries;
  }
}

}  // namespace

ProfileNode* profile_find_node(ProfileScope* scope) {
  Profiler& p = profiler();
  for (;;) {
    const uint32_t h = slot_hash(scope, profile_current_node);
    uint32_t i = h & p.mask();
    if (holds(p.slots[i], scope, profile_current_node)) return p.slots[i];
    const uint32_t step = probe_step(h);
    while (p.slots[i] != &profile_sentinel) {
      i = (i + step) & p.mask();
      if (holds(p.slots[i], scope, profile_current_node)) return p.slots[i];
    }
    if (!scope->registered) {
      if (p.slots.size() == 1) {
        create_table(p);
        continue;  // the current node is now "_global": look again
      }
      p.registry.push_back(scope);
      scope->registered = 1;
    }
    ProfileNode* node = create_node(scope, profile_current_node);
    if (2 * p.entries > p.slots.size()) {
      grow_table(p);
      i = free_slot(p, scope, profile_current_node);
    }
    p.slots[i] = node;
    ++p.entries;
    return node;
  }
}

ProfileNode* profile_current() { return profile_current_node; }
ProfileNode* profile_root() { return &profile_root_node; }
uint32_t profile_table_capacity() { return static_cast<uint32_t>(profiler().slots.size()); }
uint32_t profile_table_entries() { return profiler().entries; }
const std::vector<ProfileScope*>& profile_registry() { return profiler().registry; }

std::vector<ProfileNode*> profile_nodes() {
  std::vector<ProfileNode*> nodes;
  for (ProfileNode* node : profiler().slots)
    if (node != &profile_sentinel) nodes.push_back(node);
  return nodes;
}

void profile_reset() {
  Profiler& p = profiler();
  for (ProfileNode* node : profile_nodes()) delete node;
  for (ProfileScope* scope : p.registry) {
    scope->registered = 0;
    scope->cache = &profile_sentinel;
  }
  p.registry.clear();
  p.slots.assign(1, &profile_sentinel);
  p.entries = 0;
  profile_root_node = ProfileNode{};
  profile_current_node = &profile_root_node;
}
