// Staff systems and frozen systems: short records, and the default frozen
// record; staff entries and their detail records; and the clones of the
// records that commands load one at a time. Field offsets, part scoping and
// whole staff lists moving between systems are seen through the splitter
// tests.
#include "records/staff_system.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>

#include "records/enclosure.h"
#include "records/freeze_system.h"
#include "records/part.h"
#include "records/staff_systems.h"
#include "records/system_staff.h"
#include "records/system_staves.h"
#include "tests/framework/test_records.h"
#include "tests/support/staff_systems.h"

namespace {

using namespace testing_support;

class StaffSystemTest : public HostTest {};

TEST_F(StaffSystemTest, ShortRecordKeepsItsSizeAndNoBytesOfItsNeighbour) {
  PutSystems(doc, 0, {{1, 5, 30}});
  doc.Put(kStaffSystemTag, 2, 0, Words({1, 2, 3, 4, 5}));             // 10 bytes: no end measure
  doc.Put(kStaffSystemTag, 3, 0, Words({1, 2, 3, 4, 5, 6, 0x0707}));  // just whole enough
  standin::Bytes thirteen = Words({1, 2, 3, 4, 5, 6, 0x0909});
  thirteen.pop_back();  // half an end measure
  doc.Put(kStaffSystemTag, 4, 0, thirteen);
  QCStaffSystems systems;
  ASSERT_EQ(systems.LoadAll(), 4);
  EXPECT_EQ(doc.log.front().size, 28);  // the room offered to a load
  for (int32_t i = 0; i < 4; ++i) EXPECT_EQ(systems.SystemAt(i)->HasAllFields(), i % 2 == 0) << i;
  EXPECT_EQ(systems.SystemAt(1)->EndMeasure(), 0);
  EXPECT_EQ(systems.SystemAt(3)->EndMeasure(), 9);  // not 0x0709, the tail of system 3
  ASSERT_TRUE(systems.SystemAt(1)->Save());
  EXPECT_EQ(*doc.Find(kStaffSystemTag, 2, 0), Words({1, 2, 3, 4, 5}));

  // A new system is not loaded: it cannot be saved.
  doc.log.clear();
  EXPECT_FALSE(QCStaffSystem().Save());
  EXPECT_TRUE(doc.log.empty());
}

TEST_F(StaffSystemTest, FreshFrozenSystemWritesTheDefaultRecord) {
  QCFreezeSystem freeze;
  freeze.SetEndMeasure(17);
  ASSERT_TRUE(freeze.SaveAs(9));
  EXPECT_EQ(*doc.Find(kFrozenSystemTag, 9, 0), Words({17, 1, 0, 0, 0, 0}));

  QCFreezeSystem missing;
  EXPECT_FALSE(missing.Load(4));
  EXPECT_FALSE(missing.Save());
  EXPECT_EQ(doc.CountCalls("QX_SaveEData"), 1u);
}

// Commands load these records one at a time and never clone them; a clone
// must still hold what its source loaded and no more: its bytes, its loaded
// size, and zeros after them.
TEST_F(StaffSystemTest, AClonedRecordHoldsTheBytesAndTheSizeItsSourceLoaded) {
  const standin::Bytes twelve = Words({0x0102, 0x0304, 0x0506, 0x0708, 0x090A, 0x0B0C});
  doc.Put(kFrozenSystemTag, 3, 0, twelve);
  doc.Put(kFrozenSystemTag, 4, 0, standin::Bytes{0x77});
  doc.Put(kEnclosureTag, 5, 0, twelve);
  doc.Put(kPartTag, 6, 0, twelve);

  QCFreezeSystem freeze;  // the short record loaded over a whole one
  ASSERT_TRUE(freeze.Load(3) && freeze.Load(4));
  QCEnclosure enclosure;
  ASSERT_TRUE(enclosure.Load(5));
  QCPart part(6);
  ASSERT_TRUE(part.Load(6));

  for (const auto& [source, loaded] :
       {std::pair<QCBaseData*, standin::Bytes>{&freeze, standin::Bytes{0x77}},
        {&enclosure, twelve},
        {&part, twelve}}) {
    SCOPED_TRACE(source->ClassName());
    std::unique_ptr<QCBaseData> clone = source->Clone();
    ASSERT_EQ(clone->LoadedSize(), loaded.size());
    standin::Bytes record = loaded;
    record.resize(static_cast<size_t>(clone->DataSize()), 0);
    EXPECT_EQ(standin::Bytes(clone->DataBuffer(), clone->DataBuffer() + record.size()), record);
  }
}

class SystemStaffTest : public HostTest {};

TEST_F(SystemStaffTest, DetailValueTravelsWithTheEntry) {
  PutStaff(doc, 0, 1, 0, 7, -5);
  QCSystemStaff entry;
  ASSERT_TRUE(entry.Load(1, 0));
  EXPECT_EQ(entry.DetailValue(), -5);
  std::unique_ptr<QCBaseData> clone = entry.Clone();
  EXPECT_EQ(RecordCast<QCSystemStaff>(clone.get())->Staff(), 7);
  EXPECT_EQ(RecordCast<QCSystemStaff>(clone.get())->DetailValue(), -5);
  ASSERT_TRUE(entry.SaveAs(4));
  EXPECT_EQ(*doc.Find(kStaffDetailTag, 4, 7), Words({0xFFFB, 0, 0, 0, 0}));
  EXPECT_EQ(StaffListsText(doc, 0), "1:[7=-5] 4:[7=-5]");

  // Back to 100: saving removes the detail record at the entry's address.
  entry.SetDetailValue(100);
  ASSERT_TRUE(entry.Save());
  EXPECT_EQ(StaffListsText(doc, 0), "1:[7=-5] 4:[7]");

  // A detail record the host refuses fails the save.
  doc.refuse = [](const standin::ServiceCall& call) { return call.tag == kStaffDetailTag; };
  entry.SetDetailValue(3);
  EXPECT_FALSE(entry.Save());
  doc.refuse = nullptr;

  // A new entry holds a zero record and can be filed without a load.
  QCSystemStaff fresh;
  fresh.SetStaff(8);
  fresh.SetDetailValue(2);
  ASSERT_TRUE(fresh.SaveAs(4));
  EXPECT_EQ(*doc.Find(kSystemStaffTag, 4, 1), Words({8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(StaffListsText(doc, 0), "1:[7=-5] 4:[7 8=2]");

  // A system and a staff numbered above 255 address the detail with both
  // bytes of each number.
  PutStaff(doc, 0, 300, 0, 260, 12);
  ASSERT_TRUE(entry.Load(300, 0));
  EXPECT_EQ(entry.DetailValue(), 12);
  ASSERT_TRUE(entry.SaveAs(301));
  EXPECT_EQ(*doc.Find(kStaffDetailTag, 301, 260), Words({12, 0, 0, 0, 0}));
  ASSERT_TRUE(entry.DeepDeleteData());
  EXPECT_EQ(doc.Find(kStaffDetailTag, 301, 260), nullptr);
  EXPECT_NE(doc.Find(kStaffDetailTag, 300, 260), nullptr);
}

TEST_F(SystemStaffTest, ADetailMovesWithAllItsBytes) {
  // The host keeps bytes of its own after the value: a copy filed under
  // another system writes them there, only the value as the entry says; a
  // value of 100 beside such bytes keeps the record.
  doc.Put(kStaffDetailTag, 1, 7, Words({0xFFFB, 0x1234, 0, 0x5678, 9}));
  PutStaff(doc, 0, 1, 0, 7);
  QCSystemStaff entry;
  ASSERT_TRUE(entry.Load(1, 0));
  std::unique_ptr<QCBaseData> clone = entry.Clone();
  auto* copy = RecordCast<QCSystemStaff>(clone.get());
  ASSERT_TRUE(copy->SaveAs(4));
  EXPECT_EQ(*doc.Find(kStaffDetailTag, 4, 7), Words({0xFFFB, 0x1234, 0, 0x5678, 9}));
  copy->SetDetailValue(100);
  ASSERT_TRUE(copy->Save());
  EXPECT_EQ(*doc.Find(kStaffDetailTag, 4, 7), Words({100, 0x1234, 0, 0x5678, 9}));

  // Any byte after the value keeps a detail of 100, the first one too.
  doc.Put(kStaffDetailTag, 1, 7, Words({100, 1, 0, 0, 0}));
  ASSERT_TRUE(entry.Load(1, 0));
  ASSERT_TRUE(entry.SaveAs(6));
  EXPECT_EQ(*doc.Find(kStaffDetailTag, 6, 7), Words({100, 1, 0, 0, 0}));

  // A detail delivered short reads as zero after its bytes, not as those of
  // the detail the object loaded before.
  doc.Put(kStaffDetailTag, 1, 7, Words({0xFFFB, 0x1234, 0, 0x5678, 9}));
  doc.Put(kStaffDetailTag, 2, 8, Words({4, 0x4321}));
  PutStaff(doc, 0, 2, 0, 8);
  ASSERT_TRUE(entry.Load(1, 0));
  ASSERT_TRUE(entry.Load(2, 0));
  ASSERT_TRUE(entry.SaveAs(6));
  EXPECT_EQ(*doc.Find(kStaffDetailTag, 6, 8), Words({4, 0x4321, 0, 0, 0}));

  // An object that held those bytes and then loads or copies an entry with
  // no detail holds none of them: filed with value 100, it removes the
  // detail record under its new number.
  PutStaff(doc, 0, 0, 0, 7);
  PutStaff(doc, 0, 3, 0, 7);  // system 3's entry for staff 7 has no detail
  struct Case {
    const char* what;
    bool copied;
    uint16_t system;
  };
  for (const Case& c :
       {Case{"copied from system 0", true, 0}, Case{"loaded from system 0", false, 0},
        Case{"loaded without a detail", false, 3}}) {
    SCOPED_TRACE(c.what);
    doc.Put(kStaffDetailTag, 5, 7, Words({3, 0, 0, 0, 0}));
    QCSystemStaff reused;
    ASSERT_TRUE(reused.Load(1, 0));
    QCSystemStaff under_zero;
    ASSERT_TRUE(under_zero.Load(0, 0));
    if (c.copied) {
      reused.CopyDataFrom(under_zero);
    } else {
      ASSERT_TRUE(reused.Load(c.system, 0));
    }
    ASSERT_TRUE(reused.SaveAs(5));
    EXPECT_EQ(doc.Find(kStaffDetailTag, 5, 7), nullptr);
  }
}

TEST_F(SystemStaffTest, AnEntryTooShortToNameItsStaffOrADetailTooShortMeanNoDetail) {
  const standin::Bytes entry_record = Words({7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  const standin::Bytes detail_record = Words({0xFFFB, 0, 0, 0, 0});
  for (const auto& [entry_size, detail_size, detail] :
       {std::tuple{2, 2, -5}, std::tuple{1, 10, 100}, std::tuple{24, 1, 100}}) {
    SCOPED_TRACE(testing::Message()
                 << entry_size << "-byte entry, " << detail_size << "-byte detail");
    doc.Put(kSystemStaffTag, 2, 0,
            standin::Bytes(entry_record.begin(), entry_record.begin() + entry_size));
    doc.Put(kStaffDetailTag, 2, 7,
            standin::Bytes(detail_record.begin(), detail_record.begin() + detail_size));
    QCSystemStaff entry;
    ASSERT_TRUE(entry.Load(2, 0));
    EXPECT_EQ(entry.DetailValue(), detail);
    // Filed under system 3, an entry that names no staff leaves the detail
    // record there of staff 7 (another entry's) alone and cannot be given one.
    const bool names_staff = entry_size >= 2;
    doc.Put(kStaffDetailTag, 3, 7, detail_record);
    ASSERT_TRUE(entry.SaveAs(3));
    EXPECT_EQ(doc.Find(kStaffDetailTag, 3, 7) != nullptr, !names_staff || detail != 100);
    entry.SetDetailValue(4);
    EXPECT_EQ(entry.Save(), names_staff);
  }
  // Listed after a whole entry, a short one holds none of that entry's bytes.
  PutStaff(doc, 0, 6, 0, 0x0107);
  doc.Put(kSystemStaffTag, 6, 1, standin::Bytes{5});
  QCSystemStaves list;
  ASSERT_EQ(list.LoadAllForCmper(6), 2);
  EXPECT_EQ(list.StaffAt(1)->Staff(), 5);
}

TEST_F(SystemStaffTest, AnEntryDeletedTakesTheDetailFoundBesideItAlong) {
  PutStaff(doc, 0, 2, 0, 7, -5);
  PutStaff(doc, 0, 2, 1, 8);
  // The first look for staff 7's detail is refused; the second finds it.
  int detail_loads = 0;
  doc.refuse = [&](const standin::ServiceCall& call) {
    return call.service == "QX_LoadEData" && call.tag == kStaffDetailTag && ++detail_loads == 1;
  };
  QCSystemStaff seven, eight;
  ASSERT_TRUE(seven.Load(2, 0));
  EXPECT_FALSE(seven.HasDetailRecord());
  EXPECT_TRUE(seven.LookAgainForDetail());
  EXPECT_EQ(seven.DetailValue(), -5);
  const size_t loads = doc.CountCalls("QX_LoadEData");
  EXPECT_TRUE(seven.LookAgainForDetail());  // found already: no third look
  EXPECT_EQ(doc.CountCalls("QX_LoadEData"), loads);
  ASSERT_TRUE(eight.Load(2, 1));
  EXPECT_FALSE(eight.LookAgainForDetail());
  // A copy knows what its source found, but nothing is found under system 0.
  QCSystemStaff copy;
  copy.CopyDataFrom(seven);
  EXPECT_TRUE(copy.HasDetailRecord());
  PutStaff(doc, 0, 0, 0, 7);
  doc.Put(kStaffDetailTag, 0, 7, Words({3, 0, 0, 0, 0}));
  QCSystemStaff zero;
  ASSERT_TRUE(zero.Load(0, 0));
  copy.CopyDataFrom(zero);
  EXPECT_FALSE(copy.HasDetailRecord());
  seven.SetAddress(0, 0);  // an entry filed under 0 is copied without its detail
  copy.CopyDataFrom(seven);
  EXPECT_FALSE(copy.HasDetailRecord());
  seven.SetAddress(2, 0);
  // A detail filed after the entry was loaded is not the entry's to delete.
  doc.Put(kStaffDetailTag, 2, 8, Words({9, 0, 0, 0, 0}));
  ASSERT_TRUE(seven.DeepDeleteData());
  ASSERT_TRUE(eight.DeepDeleteData());
  EXPECT_EQ(StaffListsText(doc, 0), "0:[7=3]");  // system 2 holds none
  EXPECT_EQ(doc.Find(kStaffDetailTag, 2, 7), nullptr);
  EXPECT_NE(doc.Find(kStaffDetailTag, 2, 8), nullptr);
  // A refused delete of the entry leaves its detail too.
  PutStaff(doc, 0, 3, 0, 7, 60);
  QCSystemStaff refused;
  ASSERT_TRUE(refused.Load(3, 0));
  doc.refuse = [](const standin::ServiceCall& call) { return call.service == "QX_DeleteEData"; };
  EXPECT_FALSE(refused.DeepDeleteData());
  EXPECT_NE(doc.Find(kStaffDetailTag, 3, 7), nullptr);
  doc.refuse = [&](const standin::ServiceCall& call) {
    return call.service == "QX_LoadEData" && call.tag == kStaffDetailTag && ++detail_loads == 1;
  };
  // Only an entry that names its staff (two bytes) has a detail to look for.
  doc.Put(kStaffDetailTag, 4, 7, Words({12, 0, 0, 0, 0}));
  for (const size_t size : {size_t{1}, size_t{2}}) {
    doc.Put(kSystemStaffTag, 4, 0, size == 2 ? standin::Bytes{7, 0} : standin::Bytes{7});
    detail_loads = 0;  // the first look is refused
    QCSystemStaff entry;
    ASSERT_TRUE(entry.Load(4, 0));
    const size_t before = doc.CountCalls("QX_LoadEData");
    EXPECT_EQ(entry.LookAgainForDetail(), size == 2) << size << "-byte entry";
    EXPECT_EQ(doc.CountCalls("QX_LoadEData"), before + (size == 2 ? 1 : 0));
  }
  QCSystemStaff unlisted;  // under system 0, no look at all
  PutStaff(doc, 0, 0, 1, 7);
  ASSERT_TRUE(unlisted.Load(0, 1));
  const size_t before_zero = doc.CountCalls("QX_LoadEData");
  EXPECT_FALSE(unlisted.LookAgainForDetail());
  EXPECT_EQ(doc.CountCalls("QX_LoadEData"), before_zero);
}

TEST_F(SystemStaffTest, AListReadIntoTheObjectsOfAnotherShowsOnlyItsOwnEntries) {
  // System 1: three entries, each with a detail; system 2: two entries
  // without one, the second a staff system 1 also has. Read one after the
  // other into one list, then back, the entries are each list's own: no
  // staff, detail or count carried over from the list read before.
  PutStaff(doc, 0, 1, 0, 4, -4);
  PutStaff(doc, 0, 1, 1, 5, -5);
  PutStaff(doc, 0, 1, 2, 6, -6);
  PutStaff(doc, 0, 2, 0, 9);
  PutStaff(doc, 0, 2, 1, 5);
  QCSystemStaves list;
  const auto shown = [&list] {
    std::string text;
    for (int32_t position = 0; position < list.Count(); ++position) {
      const QCSystemStaff* entry = list.StaffAt(position);
      text += std::to_string(entry->Staff()) + "=" + std::to_string(entry->DetailValue()) +
              (entry->HasDetailRecord() ? "d " : " ");
    }
    return text;
  };
  ASSERT_EQ(list.LoadAllForCmper(1), 3);
  EXPECT_EQ(shown(), "4=-4d 5=-5d 6=-6d ");
  ASSERT_EQ(list.LoadAllForCmper(2), 2);
  EXPECT_EQ(shown(), "9=100 5=100 ");
  // Written elsewhere, the entries of system 2 take no detail with them.
  ASSERT_TRUE(list.SaveAllForCmper(7));
  EXPECT_EQ(StaffListsText(doc, 0), "1:[4=-4 5=-5 6=-6] 2:[9 5] 7:[9 5]");
  ASSERT_EQ(list.LoadAllForCmper(1), 3);
  EXPECT_EQ(shown(), "4=-4d 5=-5d 6=-6d ");

  // An element of another class put in the list by hand is not loaded into:
  // the list then holds entries only.
  list.Append(std::make_unique<QCStaffSystem>());
  ASSERT_EQ(list.LoadAllForCmper(2), 2);
  ASSERT_EQ(list.LoadAllForCmper(1), 3);
  for (int32_t position = 0; position < list.Count(); ++position)
    EXPECT_NE(list.StaffAt(position), nullptr) << position;
  EXPECT_EQ(shown(), "4=-4d 5=-5d 6=-6d ");

  // Walks over the entries stop at such an element, put in after the load,
  // whichever way it came in.
  std::string walked;
  const auto walk = [&walked](QCSystemStaff& entry) {
    walked += std::to_string(entry.Staff()) + " ";
    return true;
  };
  EXPECT_TRUE(list.EachEntryFromLast(walk));
  EXPECT_EQ(walked, "6 5 4 ");
  list.Append(std::make_unique<QCStaffSystem>());
  walked.clear();
  EXPECT_FALSE(list.EachEntryFromLast(walk));
  EXPECT_EQ(walked, "");
  ASSERT_EQ(list.LoadAllForCmper(1), 3);
  list.PutAt(1, std::make_unique<QCStaffSystem>());
  walked.clear();
  EXPECT_FALSE(list.EachEntry(walk));
  EXPECT_EQ(walked, "4 ");
}

// A list of the framework's test incidences that can also be read as staff
// entries, as a list class reading records of more than one kind would.
class IncidencesReadAsStaves : public TestIncidences {
 public:
  bool ReadsWholeAsStaves(uint16_t cmper) const {
    return ReadsWholeForCmperAs<QCSystemStaff>(cmper);
  }
};

TEST_F(SystemStaffTest, AListReadAsOneKindIsNotReadWithTheProbeOfAnother) {
  // Under number 1, a whole list of test incidences, and a staff entry with
  // no bytes, which no read can carry.
  doc.Put(kTestIncidenceTag, 1, 0, Words({7, 7}));
  doc.Put(kSystemStaffTag, 1, 0, {});
  IncidencesReadAsStaves list;
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    EXPECT_TRUE(list.ReadsWholeForCmper(1));
    EXPECT_FALSE(list.ReadsWholeAsStaves(1));
  }
  EXPECT_TRUE(list.ReadsWholeForCmper(1));
}

TEST_F(SystemStaffTest, SystemZeroHasNoDetailRecords) {
  PutStaff(doc, 0, 0, 0, 7);
  doc.Put(kStaffDetailTag, 0, 7, Words({3, 0, 0, 0, 0}));
  QCSystemStaves list;
  EXPECT_EQ(list.LoadAll(), 0);
  ASSERT_EQ(list.LoadAllForCmper(0), 1);
  QCSystemStaff* entry = list.StaffAt(0);
  EXPECT_EQ(entry->DetailValue(), 100);
  EXPECT_EQ(doc.CountCalls("QX_LoadEData"), 2u);  // entries 0 and 1, no detail

  // Neither a clone nor a save gives it one or removes the host's.
  entry->SetDetailValue(5);
  EXPECT_EQ(RecordCast<QCSystemStaff>(entry->Clone().get())->DetailValue(), 100);
  entry->SetDetailValue(100);
  ASSERT_TRUE(entry->Save());
  EXPECT_EQ(doc.CountCalls("QX_DeleteEData"), 0u);
}

}  // namespace
