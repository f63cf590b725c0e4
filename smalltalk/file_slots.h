// The 128 file slots through which scripts reach files: each slot is empty or
// holds an open stream. Slot numbers come from the script; numbers outside
// 0-127 are refused. The names "stdin", "stdout" and "stderr" give a slot the
// process's standard streams, which are never closed: closing such a slot
// flushes the stream and points its descriptor at /dev/null, so the stream
// object itself stays valid.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

constexpr int kFileSlotCount = 128;

// Acquires the slot table (counted in the memory counters) if it does not
// exist yet; the driver calls it at entry, every slot operation when needed.
void prepareFileSlotTable();

// The stream in slot, or null for an empty slot or a number outside 0-127.
std::FILE* slotStream(int slot);
bool slotHoldsStandardInput(int slot);

// Opens name into slot: "stdin", "stdout", "stderr" give the standard streams;
// any other name is opened with fopen in binary mode (a "b" is added to a
// mode without one). A stream already in the slot is closed first (a standard
// stream only flushed). Answers the slot, or nullopt with the slot left empty.
std::optional<int> openFileSlot(int slot, const std::string& name, const std::string& mode);

// Closes the slot's stream as described above and empties the slot.
void closeFileSlot(int slot);

// Closes every slot (tests start from empty slots).
void clearFileSlots();
