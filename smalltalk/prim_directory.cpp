// Directory primitive 124: listings in numbered listing slots, answered entry
// by entry as DirectoryEntry objects.
#include "smalltalk/collector.h"
#include "smalltalk/dir_listing.h"
#include "smalltalk/object_table.h"
#include "smalltalk/prim_args.h"
#include "smalltalk/primitive_table.h"
#include "smalltalk/symbols.h"

namespace {

enum DirectoryOp : int32_t {
  kDirOpen = 1,
  kDirClose = 2,
  kDirNext = 3,
  kDirPosition = 4,
  kDirSeek = 5,
  kDirRewind = 6,
};

// A DirectoryEntry: entry number, the constant 1, nil, name length, name.
constexpr const char* kDirectoryEntryClass = "DirectoryEntry";
constexpr uint32_t kEntryWords = 5;
constexpr uint32_t kEntryNumber = 0;
constexpr uint32_t kEntryOne = 1;
constexpr uint32_t kEntryNameLength = 3;
constexpr uint32_t kEntryName = 4;

ObjectRef optionalInt(std::optional<int> value) { return value ? intResult(*value) : nilObj; }

// The entry is taken from the listing only when it can be answered.
ObjectRef nextEntry(int slot) {
  ObjectRef entryClass = globalValue(kDirectoryEntryClass);
  if (entryClass == nilObj || !isLiveObject(entryClass)) return nilObj;
  std::optional<DirEntryInfo> info = nextListingEntry(slot);
  if (!info) return nilObj;
  ObjectRef name = stringResult(info->name);
  RootGuard keepName(name);
  ObjectRef entry = newPointerObject(kEntryWords);
  setClass(entry, entryClass);
  storeWord(entry, kEntryNumber, intResult(info->number));
  storeWord(entry, kEntryOne, smallInt(1));
  storeWord(entry, kEntryNameLength, intResult(static_cast<int64_t>(info->name.size())));
  storeWord(entry, kEntryName, name);
  return entry;
}

}  // namespace

ObjectRef primDirectory(ObjectRef* args) {
  std::optional<int32_t> op = intArg(args[0]);
  if (!op) return nilObj;
  if (*op == kDirOpen) {
    std::optional<std::string> path = textCopyArg(args[1]);
    return path ? optionalInt(openListing(*path)) : nilObj;
  }
  std::optional<int32_t> slot = intArg(args[1]);
  if (!slot) return nilObj;
  switch (*op) {
    case kDirClose: return optionalInt(closeListing(*slot));
    case kDirNext: return nextEntry(*slot);
    case kDirPosition: return optionalInt(listingPosition(*slot));
    case kDirSeek: {
      std::optional<int32_t> position = intArg(args[2]);
      if (position) seekListing(*slot, *position);
      return nilObj;
    }
    case kDirRewind: rewindListing(*slot); return nilObj;
    default: return nilObj;
  }
}
