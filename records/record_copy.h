// The byte copies that record classes with storage of their own use in
// CopyDataFrom.
//
// Rationale: collections load every record of a kind through one probe
// object, so past a record the host delivered short, the probe's storage
// still holds the previous record's tail. A copy that carried those bytes
// would write another record's data into this one when it is saved.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "framework/base_data.h"

namespace records {

// Copies `count` bytes from `from` to `to` (they may be the same) and zeroes
// the rest of the `size`-byte store.
inline void CopyAndClearTail(uint8_t* to, const uint8_t* from, size_t count, size_t size) {
  // A whole record, the usual case, is one copy of a size that the record
  // classes know at compile time, so the compiler makes it a few moves.
  if (count == size) {
    std::memmove(to, from, size);
    return;
  }
  if (count > 0) std::memmove(to, from, count);
  std::memset(to + count, 0, size - count);
}

// Copies a `size`-byte record whose source was loaded with `from_loaded`
// bytes: only those bytes when 0 < from_loaded < size, else all `size`.
inline void CopyRecordBytes(uint8_t* to, const uint8_t* from, size_t size, uint64_t from_loaded) {
  const size_t copied =
      from_loaded > 0 && from_loaded < size ? static_cast<size_t>(from_loaded) : size;
  CopyAndClearTail(to, from, copied, size);
}

// Copies into `store` the bytes `source` holds as loaded (at most
// `store_size`; none when it is not loaded). Returns the count, for the
// copy's loaded size, so that a short record stays short when saved.
inline uint64_t CopyDeliveredBytes(const QCBaseData& source, uint8_t* store, size_t store_size) {
  const uint8_t* bytes = source.RecordBytes();
  const uint64_t loaded = bytes == nullptr ? 0 : source.LoadedSize();
  const size_t count = loaded < store_size ? static_cast<size_t>(loaded) : store_size;
  CopyAndClearTail(store, bytes, count, store_size);
  return count;
}

}  // namespace records
