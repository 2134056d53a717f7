// The stand-in host's record store: the behaviour the module relies on from
// the real host, and the faults the tests inject.
#include "standin/store/host_document.h"

#include <gtest/gtest.h>

namespace {

using standin::Bytes;
using standin::HostDocument;
using standin::MakeTag;

constexpr uint32_t kSystem = MakeTag("SOSS");
constexpr uint32_t kMeasure = MakeTag("SOMS");

struct Address {
  uint8_t bytes[8] = {};
  Address(uint16_t cmper, uint16_t inci) {
    bytes[0] = static_cast<uint8_t>(cmper);
    bytes[1] = static_cast<uint8_t>(cmper >> 8);
    bytes[2] = static_cast<uint8_t>(inci);
    bytes[3] = static_cast<uint8_t>(inci >> 8);
  }
  uint16_t cmper() const { return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8)); }
  uint16_t inci() const { return static_cast<uint16_t>(bytes[2] | (bytes[3] << 8)); }
};

TEST(HostDocumentTest, LoadCopiesAtMostTheRoomAndReportsTheCount) {
  HostDocument doc;
  doc.Put(kMeasure, 3, 0, Bytes{1, 2, 3, 4, 5});
  Address at(3, 0);
  uint8_t buffer[8] = {};
  int32_t size = 3;
  EXPECT_EQ(doc.LoadEData(kMeasure, at.bytes, buffer, &size, 0), 1);
  EXPECT_EQ(size, 3);
  EXPECT_EQ(buffer[2], 3);
  EXPECT_EQ(buffer[3], 0);
  size = 8;
  EXPECT_EQ(doc.LoadEData(kMeasure, at.bytes, buffer, &size, 0), 1);
  EXPECT_EQ(size, 5);
  Address missing(4, 0);
  EXPECT_EQ(doc.LoadEData(kMeasure, missing.bytes, buffer, &size, 0), 0);
}

TEST(HostDocumentTest, CreateAssignsIncidencesAndCmpers) {
  HostDocument doc;
  constexpr uint32_t kStaff = MakeTag("SOIu");
  uint8_t record[2] = {9, 9};
  Address first(5, 0xFFFF);
  ASSERT_EQ(doc.CreateEData(kStaff, first.bytes, record, 2, 0), 1);
  EXPECT_EQ(first.inci(), 0);
  Address second(5, 0xFFFF);
  ASSERT_EQ(doc.CreateEData(kStaff, second.bytes, record, 2, 0), 1);
  EXPECT_EQ(second.inci(), 1);

  doc.Put(MakeTag("SOMN"), 1, 0, Bytes{0});
  doc.Put(MakeTag("SOMN"), 4, 0, Bytes{0});
  Address fresh(0xFFFF, 0xFFFF);
  ASSERT_EQ(doc.CreateEData(MakeTag("SOMN"), fresh.bytes, record, 2, 0), 1);
  EXPECT_EQ(fresh.cmper(), 5);
  EXPECT_EQ(fresh.inci(), 0);
  Address taken(4, 0);
  EXPECT_EQ(doc.CreateEData(MakeTag("SOMN"), taken.bytes, record, 2, 0), 0);
}

// A number to be assigned never wraps round onto a record that exists: when
// none is left after the highest in use, the create is refused and the
// store and the address stay as they were.
TEST(HostDocumentTest, CreateRefusesWhenNoNumberIsLeft) {
  constexpr uint32_t kRegion = MakeTag("SOMN");
  constexpr uint32_t kStaff = MakeTag("SOIu");
  uint8_t record[2] = {9, 9};
  for (uint16_t highest : {uint16_t{0xFFFE}, uint16_t{0xFFFF}}) {
    SCOPED_TRACE(highest);
    HostDocument doc;
    doc.Put(kRegion, 1, 0, Bytes{1});
    doc.Put(kRegion, highest, 0, Bytes{2});
    doc.Put(kStaff, 7, 0, Bytes{3});
    doc.Put(kStaff, 7, highest, Bytes{4});
    const auto before = doc.records();
    Address cmper(0xFFFF, 0xFFFF);
    EXPECT_EQ(doc.CreateEData(kRegion, cmper.bytes, record, 2, 0), 0);
    EXPECT_EQ(cmper.cmper(), 0xFFFF);
    Address inci(7, 0xFFFF);
    EXPECT_EQ(doc.CreateEData(kStaff, inci.bytes, record, 2, 0), 0);
    EXPECT_EQ(inci.inci(), 0xFFFF);
    EXPECT_EQ(doc.records(), before);
    // The last number that can be assigned is 0xFFFE.
    doc.Erase(kStaff, 7, highest);
    doc.Put(kStaff, 7, 0xFFFD, Bytes{4});
    EXPECT_EQ(doc.CreateEData(kStaff, inci.bytes, record, 2, 0), 1);
    EXPECT_EQ(inci.inci(), 0xFFFE);
  }
}

TEST(HostDocumentTest, NextWalksOneTagOfOnePartInAddressOrder) {
  HostDocument doc;
  doc.parts = {0, 1};
  doc.Put(kSystem, 2, 0, Bytes{2}, 0);
  doc.Put(kSystem, 1, 0, Bytes{1}, 0);
  doc.Put(kSystem, 3, 0, Bytes{3}, 1);  // another part's system
  doc.Put(kMeasure, 9, 0, Bytes{9});    // another tag
  Address at(1, 0);
  EXPECT_EQ(doc.NextEData(kSystem, at.bytes, 0), 1);
  EXPECT_EQ(at.cmper(), 2);
  EXPECT_EQ(doc.NextEData(kSystem, at.bytes, 0), 0);
  EXPECT_EQ(at.cmper(), 2);
  doc.current_part = 1;
  Address from_start(0, 0);
  EXPECT_EQ(doc.NextEData(kSystem, from_start.bytes, 0), 1);
  EXPECT_EQ(from_start.cmper(), 3);
}

TEST(HostDocumentTest, AnAddressWithAReservedByteSetNamesNoRecord) {
  // Every service refuses it, and a record is neither made, changed nor
  // deleted; each reserved byte counts.
  for (int reserved = 4; reserved < 8; ++reserved) {
    SCOPED_TRACE(reserved);
    HostDocument doc;
    doc.Put(kMeasure, 3, 0, Bytes{1, 2});
    doc.Put(kMeasure, 5, 0, Bytes{5});
    Address at(3, 0);
    at.bytes[reserved] = 1;
    uint8_t buffer[4] = {};
    int32_t size = 4;
    EXPECT_EQ(doc.LoadEData(kMeasure, at.bytes, buffer, &size, 0), 0);
    EXPECT_EQ(doc.SaveEData(kMeasure, at.bytes, buffer, 2, 0), 0);
    EXPECT_EQ(doc.NextEData(kMeasure, at.bytes, 0), 0);
    EXPECT_EQ(doc.DeleteEData(kMeasure, at.bytes, 0), 0);
    Address fresh(0xFFFF, 0xFFFF);
    fresh.bytes[reserved] = 1;
    EXPECT_EQ(doc.CreateEData(kMeasure, fresh.bytes, buffer, 2, 0), 0);
    EXPECT_EQ(*doc.Find(kMeasure, 3, 0), (Bytes{1, 2}));
    EXPECT_EQ(doc.Find(kMeasure, 6, 0), nullptr);
    EXPECT_EQ(at.cmper(), 3);
  }
}

TEST(HostDocumentTest, FaultsRefuseMisreportAndStall) {
  HostDocument doc;
  doc.Put(kMeasure, 1, 0, Bytes(26, 0));
  doc.Put(kMeasure, 2, 0, Bytes(26, 0));
  doc.refuse = [](const standin::ServiceCall& call) { return call.service == "QX_SaveEData"; };
  Address at(1, 0);
  uint8_t buffer[26] = {1};
  EXPECT_EQ(doc.SaveEData(kMeasure, at.bytes, buffer, 26, 0), 0);
  EXPECT_EQ((*doc.Find(kMeasure, 1, 0))[0], 0);

  doc.reported_load_size = -4;
  int32_t size = 26;
  EXPECT_EQ(doc.LoadEData(kMeasure, at.bytes, buffer, &size, 0), 1);
  EXPECT_EQ(size, -4);

  doc.next_does_not_advance = true;
  EXPECT_EQ(doc.NextEData(kMeasure, at.bytes, 0), 1);
  EXPECT_EQ(at.cmper(), 1);
  EXPECT_EQ(doc.CountCalls("QX_SaveEData"), 1u);
}

TEST(HostDocumentTest, ServicesAreFoundByTheirExactNameUnlessTheDocumentHidesThem) {
  HostDocument doc;
  HostDocument* const before = standin::SetActiveDocument(&doc);
  for (const char* name : {"QX_LoadEData", "QX_NextEData", "QX_GetNextPartID"})
    EXPECT_NE(standin::FindService(name), nullptr) << name;
  EXPECT_EQ(standin::FindService("QX_LoadEDat"), nullptr);
  EXPECT_EQ(standin::FindService("QX_LoadEDataX"), nullptr);
  EXPECT_EQ(standin::FindService("qx_loadedata"), nullptr);
  doc.missing_services.insert("QX_NextEData");
  EXPECT_EQ(standin::FindService("QX_NextEData"), nullptr);
  EXPECT_NE(standin::FindService("QX_LoadEData"), nullptr);
  EXPECT_EQ(standin::SetActiveDocument(before), &doc);
}

TEST(HostDocumentTest, TagNamesRoundTrip) {
  uint32_t tag = 0;
  EXPECT_EQ(standin::TagName(kSystem), "SOSS");
  EXPECT_EQ(standin::TagName(0x4F025849), "0x4F025849");
  ASSERT_TRUE(standin::ParseTagName("0x4F025849", &tag));
  EXPECT_EQ(tag, 0x4F025849u);
  ASSERT_TRUE(standin::ParseTagName("otFM", &tag));
  EXPECT_EQ(tag, MakeTag("otFM"));
  EXPECT_FALSE(standin::ParseTagName("toolong", &tag));
}

}  // namespace
