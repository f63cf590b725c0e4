// The block codec: a byte-block Lempel-Ziv coder with a 4096-entry hash table,
// 12-bit back references, 3- to 18-byte copies, runs of one byte value and a
// stored fallback for input that does not shrink.
//
// Block layout: one header byte (kLzCompressed or kLzStored). A compressed block
// is a sequence of groups: a 16-bit control word (high byte first) and up to 16
// items, item j belonging to bit 15 - j (0 literal, 1 copy or run).
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint8_t kLzCompressed = 0x40;
constexpr uint8_t kLzStored = 0x80;

// Bytes the destination of lzCompress must hold for n input bytes: the
// compressed form is built there before the stored fallback is decided.
constexpr size_t lzCompressBound(size_t n) { return n + 1 + 2 * ((n + 15) / 16) + (n == 0 ? 2 : 0); }

// Compresses n bytes of src into dst (lzCompressBound(n) bytes, all of which
// may be written); answers the block size.
uint32_t lzCompress(uint8_t* dst, const uint8_t* src, uint32_t n);

// Decodes a block of `size` bytes into dst, which holds `capacity` bytes.
// Answers the decoded size, or -1 for an empty or damaged block (an offset
// before the start of the output, an item cut off by the block end, output
// beyond the capacity). Never reads past the block nor writes past the
// capacity; bytes between the decoded size and the capacity may be changed
// (copies are made with fixed-width stores).
int32_t lzDecompress(const uint8_t* src, uint32_t size, uint8_t* dst, size_t capacity);
