// Directory listings held in numbered listing slots. A listing shows every
// entry of one directory in the platform's order, numbered from 0; the path
// may hold environment references ("$HOME/src").
#pragma once

#include <optional>
#include <string>

constexpr int kListingSlots = 128;
constexpr std::size_t kMaxListingPath = 260;

struct DirEntryInfo {
  int number;
  std::string name;
};

// Acquires the table (counted in the memory counters) if it does not exist
// yet; the driver calls it at entry, opening a listing when needed.
void prepareListingTable();

// Empties every slot (closing what is open), acquiring the table first when
// needed. The bootstrap's last step calls it, and tests do.
void clearListingTable();

// Opens a listing of the directory in the lowest empty slot; nullopt when the
// path is too long, the directory cannot be listed or every slot is in use.
std::optional<int> openListing(const std::string& path);

// Closes and empties the slot: 0, or -1 when the listing was already closed;
// nullopt for an empty or invalid slot.
std::optional<int> closeListing(int slot);

// The current entry, after which the listing advances; nullopt when there are
// no more entries or the slot is empty.
std::optional<DirEntryInfo> nextListingEntry(int slot);

// The current entry number, -1 for a closed listing; nullopt for an empty slot.
std::optional<int> listingPosition(int slot);

// Reopens the listing from its path and advances to the entry number position
// (or the end). false for an empty slot.
bool seekListing(int slot, int position);
bool rewindListing(int slot);
