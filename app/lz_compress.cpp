// The block codec's compressor: one pass, one hash lookup per item start,
// runs measured before the match search, stored fallback when nothing shrinks.
//
// Pictures spend most of their bytes in stretches that repeat with a short
// period (flat colour areas); there every item becomes an 18-byte copy, and
// once each phase of the period has had its first item, the same copy. From
// the first 18-byte copy on, such a stretch is emitted as a whole (see
// copyStretch): its first items are checked one by one, wherever their
// partners lie, and the rest with one scan of the stretch's bytes, which
// also gives the item that follows it.
//
// Elsewhere the cost is in poorly predicted branches (literal or copy, which
// length, where a stretch starts and ends), so the per-item work keeps as few
// of them as it can without making the next item's position wait for a compare.
//
// Where the time goes on the demo picture (perf, December 2026): the stretch
// scans about a quarter, at about the speed the caches deliver the bytes;
// the one-at-a-time items about two fifths, their samples gathered at the
// table entry's test and at the run and match compares, which wait on the
// byte loads and the hash before them (so every step taken off that chain
// shows); the stretch bookkeeping (period search, first items, table
// entries, group writes) most of the rest. Writing the bulk copies while
// scanning, group by group, measured slower than scanning first.
#include "app/lz_codec.h"
#include "app/lz_compare.h"
#include "app/lz_format.h"

#include <algorithm>

namespace {

using namespace lz;

constexpr uint32_t kHashEntries = 4096;
constexpr uint32_t kHashMultiplier = 40543;
constexpr uint32_t kEmpty = 0xFFFFFFFF;
constexpr uint32_t kLongestCopyWord = kMaxCopy - kMinCopy;  // length nibble of an 18-byte copy
// Stretches are looked for that repeat after 1 to kMaxStrideItems whole copies.
constexpr uint32_t kMaxStrideItems = 8;
constexpr uint32_t kWideStore = 32;  // copy words written by two 16-byte stores

// Bits 4 to 15 of key * kHashMultiplier for key = ((p[0] << 4 ^ p[1]) << 4)
// ^ p[2]. Every item's table entry waits for it, so it is computed in as
// few steps as it can: the key's shifts side by side, and the product's
// bits 4 to 15 moved to the top of a 32-bit product, where one shift
// leaves them alone.
inline uint32_t hashAt(const uint8_t* p) {
  const uint32_t key = (uint32_t(p[0]) << 8) ^ ((uint32_t(p[1]) << 4) ^ p[2]);
  static_assert(kHashEntries == 1u << 12, "the hash is bits 4 to 15 of the product");
  return (key * (kHashMultiplier << 16)) >> 20;
}

// Leading bytes that a and b share, at most kMaxCopy and `room` (the bytes
// left in the input). The length is found with branches on purpose: the next
// item's position depends on it, and a predicted branch lets the processor
// start on that item before the compare is done (a branch-free length made
// the compressor 40% slower). The branches test the compares themselves, not
// the length counted from them, so that a mispredicted one is found out a
// step sooner, and a whole 18-byte match (the common outcome, which goes on
// to copyStretch) takes one branch after the first.
inline uint32_t matchLength(const uint8_t* a, const uint8_t* b, uint32_t room) {
  if (room < kMaxCopy) return commonLength(a, b, room);
  const uint32_t same = sameMask16(a, b);
  if (same == 0xFFFF) {
    uint16_t x, y;
    memcpy(&x, a + 16, sizeof x);
    memcpy(&y, b + 16, sizeof y);
    if (x == y) return kMaxCopy;
    return a[16] != b[16] ? 16 : 17;
  }
  return uint32_t(std::countr_zero(~same));
}

// Length of the run of src[pos] starting at pos, at most kMaxRun and the input's end.
inline uint32_t runLength(const uint8_t* src, uint32_t pos, uint32_t n) {
  const uint32_t limit = std::min(n - pos, kMaxRun);
  const uint8_t* p = src + pos;
  const uint8_t c = p[0];
  uint32_t r = 1;
  if constexpr (std::endian::native == std::endian::little) {
    const uint64_t pattern = c * 0x0101010101010101ull;
    while (r + 8 <= limit) {
      const uint64_t differ = load64(p + r) ^ pattern;
      if (differ) return r + uint32_t(std::countr_zero(differ)) / 8;
      r += 8;
    }
  }
  while (r < limit && p[r] == c) ++r;
  return r;
}

// Does the item at pos start a run item? A run is measured only when the next
// byte repeats the first, and it becomes an item only when its first kMinRun
// bytes are equal: one 16-byte compare (which reads one byte beyond them)
// settles both tests, and the outcome is well predicted, where the first
// test alone is not (neighbouring bytes often agree in pictures).
static_assert(kMinRun == 16, "the run test compares 16 bytes at once");
inline uint32_t runAt(const uint8_t* src, uint32_t pos, uint32_t n) {
  if (n - pos > kMinRun) {
    if (!sixteenEqualBytes(src + pos)) return 0;
  } else if (pos + 1 >= n || src[pos + 1] != src[pos]) {
    return 0;
  }
  const uint32_t r = runLength(src, pos, n);
  return r >= kMinRun ? r : 0;
}

// The block under construction: the open group's control word position, its
// flag bits (older ones shift out above bit 15) and its item count.
struct Writer {
  uint8_t* dst;
  size_t end;  // lzCompressBound(n): the bytes dst holds
  uint32_t out = 3, control = 1, bits = 0;
  int items = 0;

  // Completes a full group's control word and opens the next group. Without
  // a branch (one item in 16 opens a group, which a branch would mispredict):
  // the control word is stored every time, and rewritten until it is complete.
  void startItem() {
    store16be(dst + control, bits);
    const bool full = items == kGroupItems;
    control = full ? out : control;
    out += full ? kControlBytes : 0;
    items = full ? 0 : items;
  }
  void literal(uint8_t c) {
    startItem();
    dst[out++] = c;
    bits <<= 1;
    ++items;
  }
  void copy(uint32_t offset, uint32_t len) {
    startItem();
    store16be(dst + out, offset * 16 + len - kMinCopy);
    out += kCopyBytes;
    bits = bits << 1 | 1;
    ++items;
  }
  void run(uint32_t len, uint8_t c) {
    startItem();
    dst[out] = 0;
    store16be(dst + out + 1, len - kMinRun);
    dst[out + 3] = c;
    out += kRunBytes;
    bits = bits << 1 | 1;
    ++items;
  }
  // `count` copies of 18 bytes at `offset`: the open group's share, then
  // whole groups (a control word of all ones and 16 copy words each), then
  // the rest in a new open group.
  void copies(uint32_t offset, uint32_t count) {
    const uint32_t word = offset * 16 + kLongestCopyWord;
    startItem();
    uint32_t share = std::min(count, uint32_t(kGroupItems - items));
    if (end - out < kWideStore + (count / kGroupItems + 1) * (kWideStore + kControlBytes)) {
      for (uint32_t i = 0; i < count; ++i) copy(offset, kMaxCopy);
      return;
    }
    fill16Words(dst + out, word);
    fill16Words(dst + out + 16, word);
    out += share * kCopyBytes;
    bits = bits << share | ((1u << share) - 1);
    items += int(share);
    count -= share;
    if (count == 0) return;
    store16be(dst + control, bits);
    uint32_t whole = (count - 1) / kGroupItems;  // groups filled, the last one stays open
    for (; whole > 0; --whole) {
      store16be(dst + out, 0xFFFF);
      fill16Words(dst + out + kControlBytes, word);
      fill16Words(dst + out + kControlBytes + 16, word);
      out += kControlBytes + kGroupItems * kCopyBytes;
      count -= kGroupItems;
    }
    control = out;
    fill16Words(dst + out + kControlBytes, word);
    fill16Words(dst + out + kControlBytes + 16, word);
    out += kControlBytes + count * kCopyBytes;
    bits = ~0u;
    items = int(count);
  }
  uint32_t finish() {
    store16be(dst + control, bits << (kGroupItems - items));
    return out;
  }
};

// The input and the hash table. The block's writer is kept apart, in locals
// of run(), so that its fields stay in registers across the byte stores.
struct Compressor {
  // Item starts by hash, kEmpty at first. A member (the first), so that an
  // entry is addressed from the stack pointer: a step less before each lookup.
  uint32_t table[kHashEntries];
  const uint8_t* src;
  uint32_t n;
  bool wide;        // scan with 32-byte compares

  // The item at pos: a run, a copy or a literal; an 18-byte copy goes on
  // with the copies after it (see copyStretch). Answers the bytes covered.
  uint32_t item(Writer& w, uint32_t pos) {
    const uint32_t run = runAt(src, pos, n);
    if (run) {
      w.run(run, src[pos]);
      return run;
    }
    uint32_t len = 0, offset = 0;
    if (pos + 2 < n) {
      const uint32_t h = hashAt(src + pos);
      const uint32_t m = table[h];
      if (m != kEmpty && pos - m < kWindow) {
        offset = pos - m;
        len = matchLength(src + pos, src + m, n - pos);
        if (len == kMaxCopy) return copyStretch(w, pos, h, offset);
      }
      table[h] = pos;
    }
    if (len >= kMinCopy) {
      w.copy(offset, len);
      return len;
    }
    w.literal(src[pos]);
    return 1;
  }

  // Number of leading bytes that src + pos shares with the input `offset`
  // bytes earlier, up to the input's end.
  uint32_t repeatLength(uint32_t pos, uint32_t offset) const {
    return wide ? commonLengthAvx2(src + pos, src + pos - offset, n - pos)
                : commonLength(src + pos, src + pos - offset, n - pos);
  }

  // The smallest number of whole copies, up to kMaxStrideItems, after which
  // the input at pos seems to come back (its first 16 bytes do); 0 if none.
  uint32_t repeatItems(uint32_t pos) const {
    // (n - pos, not pos + ..., which could wrap near 4 GB)
    const uint32_t within = n - pos < kMaxStrideItems * kMaxCopy + 16
                                ? (n - pos < kMaxCopy + 16 ? 0 : (n - pos - 16) / kMaxCopy)
                                : kMaxStrideItems;
    for (uint32_t t = 1; t <= within; ++t)
      if (sameMask16(src + pos, src + pos + t * kMaxCopy) == 0xFFFF) return t;
    return 0;
  }

  // Number of leading items of the period of `stride` items from pos that
  // are 18-byte copies with hashes unlike those before them (at least the
  // first, whose hash and offset the callers put in hashes[0], offsets[0]);
  // fills in their hashes and offsets. No run needs to be looked for: an
  // item whose 18 bytes match a table entry cannot start one, as the entry
  // would have, and run starts never enter the table.
  static bool seenBefore(const uint32_t* hashes, uint32_t count, uint32_t h) {
    bool seen = false;
    for (uint32_t i = 0; i < count; ++i) seen |= hashes[i] == h;
    return seen;
  }

  uint32_t firstPeriod(uint32_t pos, uint32_t stride, uint32_t* hashes, uint32_t* offsets) const {
    uint32_t count = 1;
    for (; count < stride; ++count) {
      const uint32_t q = pos + count * kMaxCopy;
      const uint32_t h = hashAt(src + q);
      if (seenBefore(hashes, count, h)) break;
      const uint32_t m = table[h];
      if (m == kEmpty || q - m >= kWindow || matchLength(src + q, src + m, n - q) != kMaxCopy) break;
      hashes[count] = h;
      offsets[count] = q - m;
    }
    return count;
  }

  // The 18-byte copy at pos (hash h, `offset` back) and the copies after it.
  // When the input repeats itself `stride` whole copies later, the items
  // from pos on are 18-byte copies for as long as it does, provided the
  // first `stride` of them are (each checked on its own: they find their
  // partners wherever the table says) and their hashes differ: every later
  // item then sees the same bytes as the one `stride` items earlier, and
  // finds that item in the table. One scan of the repetition gives the
  // length of every later item, including the partial copy that ends it.
  uint32_t copyStretch(Writer& w, uint32_t pos, uint32_t h, uint32_t offset) {
    const uint32_t stride = repeatItems(pos);
    uint32_t hashes[kMaxStrideItems], offsets[kMaxStrideItems];
    hashes[0] = h;
    offsets[0] = offset;
    const uint32_t count = firstPeriod(pos, stride, hashes, offsets);
    for (uint32_t i = 0; i < count; ++i) {
      table[hashes[i]] = pos + i * kMaxCopy;
      w.copy(offsets[i], kMaxCopy);
    }
    if (count < stride || stride == 0) return count * kMaxCopy;
    const uint32_t period = stride * kMaxCopy;
    const uint32_t start = pos + period;
    const uint32_t same = repeatLength(start, period);
    const uint32_t whole = same / kMaxCopy, tail = same - whole * kMaxCopy;
    const uint32_t q = start + whole * kMaxCopy;
    // The item after the repetition is known without a search when its
    // partial copy has kMinCopy bytes or more and no run starts there: it
    // has the hash of the item `stride` back, whose position the table
    // holds, and the bytes agree for exactly the rest of the scan.
    const bool tailCopy = tail >= kMinCopy && !runAt(src, q, n);
    // Each hash's entry ends as the last item of its phase: the last
    // `stride` items, the partial copy among them when there is one.
    const uint32_t last = whole + (tailCopy ? 1 : 0);  // the first of them
    uint32_t phase = (stride & (stride - 1)) == 0 ? last & (stride - 1) : last % stride;
    for (uint32_t j = last; j < last + stride; ++j) {
      table[hashes[phase]] = pos + j * kMaxCopy;
      phase = phase + 1 == stride ? 0 : phase + 1;
    }
    if (whole > 0) w.copies(period, whole);
    if (!tailCopy) return q - pos;
    w.copy(period, tail);
    return q + tail - pos;
  }

  uint32_t run(uint8_t* dst) {
    Writer w{dst, lzCompressBound(n)};
    uint32_t pos = 0;
    while (pos < n) pos += item(w, pos);
    return w.finish();
  }
};

}  // namespace

uint32_t lzCompress(uint8_t* dst, const uint8_t* src, uint32_t n) {
  dst[0] = kLzCompressed;
  Compressor compressor;
  compressor.src = src;
  compressor.n = n;
  compressor.wide = wideCompareAvailable();
  memset(compressor.table, 0xFF, sizeof compressor.table);  // every entry kEmpty
  const uint32_t out = compressor.run(dst);
  if (out > n) {
    dst[0] = kLzStored;
    if (n > 0) memcpy(dst + 1, src, n);
    return n + 1;
  }
  return out;
}
