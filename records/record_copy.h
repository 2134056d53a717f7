// The copy step shared by the record classes of a part's system layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "framework/base_data.h"

// Copies into `store` (of `store_size` bytes) the bytes that `source` holds
// as loaded, and zero-fills the rest of the store. Returns the number of
// bytes copied: the source's loaded size, at most `store_size`; 0 when the
// source is not loaded.
//
// Rationale: a record object that walks a kind keeps, past a short record,
// the tail of the record it loaded before. Copying only the delivered bytes,
// and keeping their count as the copy's loaded size, keeps a short record
// from picking up another record's bytes and from growing when it is saved.
inline uint64_t CopyDeliveredBytes(const __QCBaseData& source, uint8_t* store, size_t store_size) {
  const uint8_t* bytes = source.RecordBytes();
  const uint64_t loaded = bytes == nullptr ? 0 : source.LoadedSize();
  const size_t count = loaded < store_size ? static_cast<size_t>(loaded) : store_size;
  // The source may be this very object; memmove copes, and the tail is
  // cleared only after the copy.
  if (count > 0) std::memmove(store, bytes, count);
  std::memset(store + count, 0, store_size - count);
  return count;
}
