#include "smalltalk/dir_listing.h"

#include <dirent.h>

#include <new>

#include "smalltalk/env_expand.h"
#include "smalltalk/fatal.h"
#include "smalltalk/memory_counters.h"

namespace {

struct Listing {
  bool used = false;
  bool open = false;
  bool more = false;
  int entryNumber = 0;
  DIR* dir = nullptr;
  std::string current;  // name of the current entry
  std::string path;     // the expanded path, for reopening
};

// The table lives in one counted block, acquired once and kept for the run.
Listing* listings = nullptr;

Listing* slotAt(int slot) {
  if (slot < 0 || slot >= kListingSlots || listings == nullptr || !listings[slot].used)
    return nullptr;
  return &listings[slot];
}

void closeDir(Listing& l) {
  if (l.dir != nullptr) closedir(l.dir);
  l.dir = nullptr;
  l.open = false;
  l.more = false;
}

// Starts the search at the first entry; false when the directory cannot be
// read or holds nothing (the listing is then closed).
bool startSearch(Listing& l) {
  closeDir(l);
  l.entryNumber = 0;
  l.dir = opendir(l.path.c_str());
  if (l.dir == nullptr) return false;
  dirent* first = readdir(l.dir);
  if (first == nullptr) {
    closeDir(l);
    return false;
  }
  l.current = first->d_name;
  l.open = true;
  l.more = true;
  return true;
}

void advance(Listing& l) {
  dirent* next = l.dir != nullptr ? readdir(l.dir) : nullptr;
  if (next == nullptr) {
    l.more = false;
    return;
  }
  l.current = next->d_name;
  ++l.entryNumber;
}

}  // namespace

void prepareListingTable() {
  if (listings != nullptr) return;
  void* block = acquireBlock(kListingSlots * sizeof(Listing));
  TOLVA_CHECK(block != nullptr, kSourcePrimitives);
  listings = static_cast<Listing*>(block);
  for (int i = 0; i < kListingSlots; ++i) new (&listings[i]) Listing();
}

void clearListingTable() {
  prepareListingTable();
  for (int i = 0; i < kListingSlots; ++i) {
    closeDir(listings[i]);
    listings[i] = Listing{};
  }
}

std::optional<int> openListing(const std::string& path) {
  if (path.size() > kMaxListingPath) return std::nullopt;
  std::optional<std::string> expanded = expandEnvReferences(path, kMaxListingPath);
  if (!expanded) return std::nullopt;
  prepareListingTable();
  for (int slot = 0; slot < kListingSlots; ++slot) {
    Listing& l = listings[slot];
    if (l.used) continue;
    l.path = expanded->empty() ? "." : *expanded;
    if (!startSearch(l)) {
      l = Listing{};
      return std::nullopt;
    }
    l.used = true;
    return slot;
  }
  return std::nullopt;
}

std::optional<int> closeListing(int slot) {
  Listing* l = slotAt(slot);
  if (l == nullptr) return std::nullopt;
  int answer = l->open ? 0 : -1;
  closeDir(*l);
  *l = Listing{};
  return answer;
}

std::optional<DirEntryInfo> nextListingEntry(int slot) {
  Listing* l = slotAt(slot);
  if (l == nullptr || !l->open || !l->more) return std::nullopt;
  DirEntryInfo entry{l->entryNumber, l->current};
  advance(*l);
  return entry;
}

std::optional<int> listingPosition(int slot) {
  Listing* l = slotAt(slot);
  if (l == nullptr) return std::nullopt;
  return l->open ? l->entryNumber : -1;
}

bool seekListing(int slot, int position) {
  Listing* l = slotAt(slot);
  if (l == nullptr) return false;
  if (!startSearch(*l)) return true;  // the listing stays in its slot, closed
  while (l->more && l->entryNumber != position) advance(*l);
  return true;
}

bool rewindListing(int slot) { return seekListing(slot, 0); }
