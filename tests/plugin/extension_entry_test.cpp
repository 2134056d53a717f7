// The exported entry points as the host sees them: the version exchange, the
// init flags, both menu record forms byte by byte, and dispatch.
#include "plugin/extension_api.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/host_version.h"
#include "standin/store/menu_commands.h"
#include "tests/support/host_records.h"
#include "tests/support/host_test.h"

namespace {

class ExtensionEntryTest : public testing_support::HostTest {};

std::string Field8(const std::vector<uint8_t>& item, size_t offset) {
  return std::string(reinterpret_cast<const char*>(&item[offset]));
}

std::string Field16(const std::vector<uint8_t>& item, size_t offset) {
  std::string text;
  for (size_t i = offset; item[i] != 0 || item[i + 1] != 0; i += 2) {
    EXPECT_EQ(item[i + 1], 0) << "unit at byte " << i;
    text += static_cast<char>(item[i]);
  }
  return text;
}

uint32_t U32(const std::vector<uint8_t>& item, size_t offset) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) value |= static_cast<uint32_t>(item[offset + i]) << (8 * i);
  return value;
}

TEST_F(ExtensionEntryTest, VersionExchangeKeepsTheHostsNumber) {
  EXPECT_EQ(host::HostVersion(), 0x19000000u);
  EXPECT_EQ(QuilloExtensionVersion(0x0FFFFFFF), 0x10000000u);
  EXPECT_EQ(host::HostVersion(), 0x0FFFFFFFu);
  EXPECT_EQ(QuilloExtensionVersion(0x12345678), 0x10000000u);
  EXPECT_EQ(host::HostVersion(), 0x12345678u);
}

TEST_F(ExtensionEntryTest, InitSetsBitZeroAndKeepsTheOthers) {
  uint32_t flags = 6;
  EXPECT_EQ(QuilloExtensionInit(nullptr, &flags), 1);
  EXPECT_EQ(flags, 7u);
  EXPECT_EQ(QuilloExtensionInit(nullptr, nullptr), 0);
  EXPECT_EQ(QuilloExtensionGetMenuStatus(nullptr), 1);
}

TEST_F(ExtensionEntryTest, EightBitMenuRecords) {
  using standin::kMenuCommandCount;
  for (int16_t index = 0; index < kMenuCommandCount; ++index) {
    const standin::MenuCommandText& command = standin::kMenuCommands[index];
    SCOPED_TRACE(command.menu_text);
    std::vector<uint8_t> item(196 + 1, 0xAA);  // and one byte past the record
    ASSERT_EQ(QuilloExtensionEnumerate(nullptr, index, item.data()), 1);
    EXPECT_EQ(Field8(item, 0), command.menu_text);
    EXPECT_EQ(Field8(item, 64), command.description);
    EXPECT_EQ(Field8(item, 128), command.short_name);
    // Each text field is zero-filled after its text.
    for (size_t field : {0u, 64u, 128u}) {
      for (size_t i = field + Field8(item, field).size(); i < field + 64; ++i)
        EXPECT_EQ(item[i], 0) << "byte " << i;
    }
    EXPECT_EQ(U32(item, 192), 1u);
    EXPECT_EQ(item[196], 0xAA);
  }

  std::vector<uint8_t> negative(196, 0xAA);
  ASSERT_EQ(QuilloExtensionEnumerate(nullptr, -1, negative.data()), 1);
  EXPECT_EQ(Field8(negative, 0), standin::kMenuCommands[0].menu_text);

  // The first index past the menu ends it, writing nothing.
  std::vector<uint8_t> untouched(196, 0xAA);
  EXPECT_EQ(QuilloExtensionEnumerate(nullptr, kMenuCommandCount, untouched.data()), 0);
  EXPECT_EQ(untouched, std::vector<uint8_t>(196, 0xAA));
  EXPECT_EQ(QuilloExtensionEnumerate(nullptr, 0, nullptr), 0);
}

TEST_F(ExtensionEntryTest, Utf16MenuRecordsWriteOnlyTextAndTerminator) {
  using standin::kMenuCommandCount;
  for (int16_t index = 0; index < kMenuCommandCount; ++index) {
    const standin::MenuCommandText& command = standin::kMenuCommands[index];
    SCOPED_TRACE(command.menu_text);
    std::vector<uint8_t> item(772 + 1, 0xAA);  // and one byte past the record
    ASSERT_EQ(QuilloExtensionEnumerate_UTF16(nullptr, index, item.data()), 1);
    EXPECT_EQ(Field16(item, 0), command.menu_text);
    EXPECT_EQ(Field16(item, 256), command.description);
    EXPECT_EQ(Field16(item, 512), command.short_name);
    // After the short name's terminating unit the host's bytes stay.
    const size_t after = 512 + 2 * std::strlen(command.short_name) + 2;
    for (size_t i = after; i < 768; ++i) EXPECT_EQ(item[i], 0xAA) << "byte " << i;
    EXPECT_EQ(U32(item, 768), 1u);
    EXPECT_EQ(item[772], 0xAA);
  }

  std::vector<uint8_t> untouched(772, 0xAA);
  EXPECT_EQ(QuilloExtensionEnumerate_UTF16(nullptr, kMenuCommandCount, untouched.data()), 0);
  EXPECT_EQ(untouched, std::vector<uint8_t>(772, 0xAA));
  EXPECT_EQ(QuilloExtensionEnumerate_UTF16(nullptr, 1, nullptr), 0);
}

TEST_F(ExtensionEntryTest, InvokeAsksForTheDocumentBeforeLookingAtTheIndex) {
  // The first index past the menu runs nothing.
  const int16_t past = standin::kMenuCommandCount;
  EXPECT_EQ(QuilloExtensionInvoke(nullptr, past, testing_support::SelectMeasures(0, 0).data()), 0);
  EXPECT_EQ(doc.LogText(), "GetCurrentCantorDocument(0, 0) p0 v19000000 -> 1\n");
  doc.log.clear();
  // A negative index lists the first command but runs none, whatever the selection.
  EXPECT_EQ(QuilloExtensionInvoke(nullptr, -1, testing_support::SelectMeasures(3, 4).data()), 0);
  EXPECT_EQ(doc.LogText(), "GetCurrentCantorDocument(0, 0) p0 v19000000 -> 1\n");
  doc.log.clear();
  EXPECT_EQ(QuilloExtensionInvoke(nullptr, 5, nullptr), 0);
  EXPECT_TRUE(doc.log.empty());
}

TEST_F(ExtensionEntryTest, StartNewPieceBelowMeasureTwoRefusesWithoutLayoutUpdate) {
  EXPECT_EQ(QuilloExtensionInvoke(nullptr, 0, testing_support::SelectMeasures(1, 1).data()), 0);
  EXPECT_EQ(QuilloExtensionInvoke(nullptr, 0, nullptr), 0);
  EXPECT_EQ(doc.layout_updates, 0);
  EXPECT_EQ(doc.CountCalls("QX_LoadEData"), 0u);
}

}  // namespace
