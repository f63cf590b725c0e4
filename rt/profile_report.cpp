// Text report of the profile tree built from the profiler's read-only views.
#include "rt/profile_report.h"

#include <algorithm>
#include <cinttypes>
#include <map>
#include <vector>

#include "rt/profile.h"

namespace {

using Children = std::map<const ProfileNode*, std::vector<ProfileNode*>>;

uint64_t total_cycles(const ProfileNode* node, const Children& children) {
  uint64_t total = node->accumulated;
  const auto found = children.find(node);
  if (found != children.end())
    for (const ProfileNode* child : found->second) total += total_cycles(child, children);
  return total;
}

void append_node(std::string* out, const ProfileNode* node, int depth, const Children& children) {
  const char* format =
      "%*s%s  level %" PRIu32 "  count %" PRIu32 "  self %" PRIu64 "  total %" PRIu64 "\n";
  const uint64_t total = total_cycles(node, children);
  const int length = std::snprintf(nullptr, 0, format, 2 * depth, "", node->scope->name,
                                   node->level, node->count, node->accumulated, total);
  std::string line(static_cast<size_t>(length) + 1, '\0');
  std::snprintf(line.data(), line.size(), format, 2 * depth, "", node->scope->name, node->level,
                node->count, node->accumulated, total);
  line.pop_back();  // the terminator snprintf wrote
  *out += line;
  const auto found = children.find(node);
  if (found == children.end()) return;
  for (const ProfileNode* child : found->second) append_node(out, child, depth + 1, children);
}

}  // namespace

std::string profile_report() {
  const std::vector<ProfileScope*>& registry = profile_registry();
  auto first_use = [&](const ProfileNode* n) {
    return std::find(registry.begin(), registry.end(), n->scope) - registry.begin();
  };
  Children children;
  for (ProfileNode* node : profile_nodes()) children[node->parent].push_back(node);
  for (auto& [parent, list] : children) {
    std::sort(list.begin(), list.end(), [&](const ProfileNode* a, const ProfileNode* b) {
      if (first_use(a) != first_use(b)) return first_use(a) < first_use(b);
      return a->level < b->level;
    });
  }
  std::string out;
  const auto top = children.find(profile_root());
  if (top != children.end())
    for (const ProfileNode* node : top->second) append_node(&out, node, 0, children);
  return out;
}

void profile_print(std::FILE* out) { std::fputs(profile_report().c_str(), out); }
