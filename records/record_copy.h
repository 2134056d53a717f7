// The byte copy that record classes with storage of their own use in
// CopyDataFrom.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace records {

// Copies a `size`-byte record from `from` to `to` (they may be the same).
// When the source was loaded with fewer bytes than `size` (0 < from_loaded <
// size), only those bytes are copied and the rest of `to` is zeroed.
//
// Rationale: collections load every record through one probe object, so the
// probe's storage past a short load still holds the previous record's bytes.
// A copy that carried them would write another record's data into this one
// when it is saved at full size.
inline void CopyRecordBytes(uint8_t* to, const uint8_t* from, size_t size, uint64_t from_loaded) {
  const size_t copied =
      from_loaded > 0 && from_loaded < size ? static_cast<size_t>(from_loaded) : size;
  std::memmove(to, from, copied);
  std::memset(to + copied, 0, size - copied);
}

}  // namespace records
