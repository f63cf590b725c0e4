// The cycle-counting profiler: a tree of nodes, one per (scope, parent) pair,
// each accumulating the cycles during which it was the innermost node (self
// time) and how often it was entered. Nodes live in an open-addressing table
// that grows by doubling and are never freed during a run.
#pragma once

#include <cstdint>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#else
#include <chrono>
#endif

struct ProfileNode;

// One static record per timed routine. cache remembers the node found last
// time, so that a repeat entry from the same parent needs no table lookup.
struct ProfileScope {
  const char* name;
  uint8_t registered;  // 0 until the scope's first node is created
  ProfileNode* cache;  // initially the sentinel node
};

struct ProfileNode {
  uint64_t start;        // counter value when this node last became current
  uint64_t accumulated;  // cycles while this node was the current one
  uint32_t count;        // number of entries
  ProfileNode* parent;
  ProfileScope* scope;
  uint32_t level;  // nodes of the same scope among its ancestors
};

// The node that marks empty table slots and uncached scopes.
extern ProfileNode profile_sentinel;

// A scope record for a routine: ProfileScope s = PROFILE_SCOPE("name");
#define PROFILE_SCOPE(scope_name) ProfileScope{(scope_name), 0, &profile_sentinel}

// The node of (scope, current node), created if missing.
ProfileNode* profile_find_node(ProfileScope* scope);

// The root of the tree (all zero at start) and the innermost node entered.
// Plain globals rather than members of the lazily made table: enter and leave
// run in every slot-0 call, and they should cost no more than the two counter
// reads, a compare and a few loads and stores. Only the profiler writes them.
extern ProfileNode profile_root_node;
extern ProfileNode* profile_current_node;

// The processor's cycle counter (a steady clock where there is none).
inline uint64_t profile_cycle_counter() {
#if defined(__x86_64__) || defined(__i386__)
  return __rdtsc();
#else
  return static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
#endif
}

// Bracket a timed routine; every exit path calls profile_leave exactly once.
// Inline so that a repeat entry from the same parent (the cached node) costs
// no call; a changed parent goes through profile_find_node.
inline void profile_enter(ProfileScope* scope) {
  if (scope->cache->parent != profile_current_node) scope->cache = profile_find_node(scope);
  ProfileNode* node = scope->cache;
  node->count += 1;
  const uint64_t t = profile_cycle_counter();
  ProfileNode* outer = profile_current_node;
  outer->accumulated += t - outer->start;
  node->start = t;
  profile_current_node = node;
}

inline void profile_leave() {
  const uint64_t t = profile_cycle_counter();
  ProfileNode* inner = profile_current_node;
  inner->accumulated += t - inner->start;
  // An unmatched leave at the root has nowhere to go; it only stops the clock.
  ProfileNode* outer = inner->parent != nullptr ? inner->parent : inner;
  outer->start = t;
  profile_current_node = outer;
}

// Read-only views for reports and tests.
ProfileNode* profile_current();
ProfileNode* profile_root();
uint32_t profile_table_capacity();  // 1 until the first timed call
uint32_t profile_table_entries();
const std::vector<ProfileScope*>& profile_registry();
// Every node in the table (the root is not in the table).
std::vector<ProfileNode*> profile_nodes();

// Frees every node and returns the profiler to its state at program start;
// the registered scopes forget their caches. For tests and fresh runs.
void profile_reset();
