// The cycle-counting profiler: a tree of nodes, one per (scope, parent) pair,
// each accumulating the cycles during which it was the innermost node (self
// time) and how often it was entered. Nodes live in an open-addressing table
// that grows by doubling and are never freed during a run.
#pragma once

#include <cstdint>
#include <vector>

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

// Bracket a timed routine; every exit path calls profile_leave exactly once.
void profile_enter(ProfileScope* scope);
void profile_leave();

// The node of (scope, current node), created if missing.
ProfileNode* profile_find_node(ProfileScope* scope);

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
