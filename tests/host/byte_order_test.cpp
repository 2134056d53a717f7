// Host bytes are little-endian whatever the machine: the word-copy writes and
// the byte-at-a-time path that big-endian machines take write the same bytes,
// and exactly as many as the field holds.
#include "host/byte_order.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

namespace {

constexpr uint8_t kGuard = 0xA5;

TEST(ByteOrderTest, EveryWayOfWritingGivesTheSameBytesAndNoMore) {
  for (const uint32_t value : {0x00000000u, 0x000000FFu, 0x0000ABCDu, 0x12345678u, 0xFFFFFFFFu}) {
    for (const size_t size : {size_t{2}, size_t{4}}) {
      std::array<uint8_t, 8> word{}, bytewise{};
      word.fill(kGuard);
      bytewise.fill(kGuard);
      if (size == 2) {
        host::WriteU16(word.data(), 2, static_cast<uint16_t>(value));
      } else {
        host::WriteU32(word.data(), 2, value);
      }
      host::WriteLittleEndian(bytewise.data(), 2, value, size);
      EXPECT_EQ(word, bytewise) << std::hex << value << " in " << size << " bytes";
      for (size_t i = 0; i < word.size(); ++i) {
        const bool inside = i >= 2 && i < 2 + size;
        // Least significant byte first.
        const uint8_t expected = inside ? static_cast<uint8_t>(value >> (8 * (i - 2))) : kGuard;
        EXPECT_EQ(bytewise[i], expected) << "byte " << i << " of " << std::hex << value;
      }
      const uint32_t read =
          size == 2 ? host::ReadU16(word.data(), 2) : host::ReadU32(word.data(), 2);
      EXPECT_EQ(read, size == 2 ? (value & 0xFFFF) : value);
    }
  }
}

TEST(ByteOrderTest, SignedWordsReadBackNegative) {
  std::array<uint8_t, 2> bytes{};
  host::WriteLittleEndian(bytes.data(), 0, 0xFFFE, 2);
  EXPECT_EQ(host::ReadI16(bytes.data(), 0), -2);
}

}  // namespace
