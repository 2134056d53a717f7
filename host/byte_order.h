// Little-endian access to host record bytes.
//
// Every host record and address block is little-endian. Fields are read and
// written byte by byte so that the code is correct whatever the layout or
// alignment of the buffer, and no byte buffer is ever cast to a struct.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace host {

inline uint16_t ReadU16(const uint8_t* bytes, size_t offset) {
  return static_cast<uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

inline int16_t ReadI16(const uint8_t* bytes, size_t offset) {
  return static_cast<int16_t>(ReadU16(bytes, offset));
}

// Writes the `size` (at most 4) low bytes of `value` at `offset`, least
// significant first, one at a time: right on any machine.
inline void WriteLittleEndian(uint8_t* bytes, size_t offset, uint32_t value, size_t size) {
  for (size_t i = 0; i < size; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

// Writes go through a copy of the value's own bytes where those are already
// little-endian: compilers merge neighbouring byte stores into one word
// built byte by byte, a dozen instructions for an address block.
inline void WriteU16(uint8_t* bytes, size_t offset, uint16_t value) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(bytes + offset, &value, sizeof value);
  } else {
    WriteLittleEndian(bytes, offset, value, sizeof value);
  }
}

inline uint32_t ReadU32(const uint8_t* bytes, size_t offset) {
  return static_cast<uint32_t>(bytes[offset]) | (static_cast<uint32_t>(bytes[offset + 1]) << 8) |
         (static_cast<uint32_t>(bytes[offset + 2]) << 16) |
         (static_cast<uint32_t>(bytes[offset + 3]) << 24);
}

inline void WriteU32(uint8_t* bytes, size_t offset, uint32_t value) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(bytes + offset, &value, sizeof value);
  } else {
    WriteLittleEndian(bytes, offset, value, sizeof value);
  }
}

}  // namespace host
