// Parts: listing the document's parts and visiting each as the host's
// current part, with the previous current part restored after every visit.
#include "records/parts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/part.h"
#include "tests/support/host_records.h"
#include "tests/support/host_test.h"

namespace {

using standin::Bytes;
using standin::MakeTag;
using testing_support::kPartTag;

// Notes the host's current part at each visit.
class PartRecorder : public QCIteratorHandler {
 public:
  explicit PartRecorder(standin::HostDocument& doc, int stop_at = -1, bool begins = true)
      : doc_(doc), stop_at_(stop_at), begins_(begins) {}
  bool BeginIteration() override {
    ++begun;
    return begins_;
  }
  bool Iterate(QCBase* /*element*/) override {
    current_parts.push_back(doc_.current_part);
    return static_cast<int>(current_parts.size()) != stop_at_;
  }
  void EndIteration() override { ++ends; }
  std::vector<int16_t> current_parts;
  int begun = 0;
  int ends = 0;

 private:
  standin::HostDocument& doc_;
  int stop_at_;
  bool begins_;
};

class PartsTest : public testing_support::HostTest {
 protected:
  void AddParts(std::vector<int16_t> ids) {
    doc.parts = ids;
    for (int16_t id : ids) doc.Put(kPartTag, static_cast<uint16_t>(id), 0, Bytes(12, 0));
  }
};

// Part 0 first, then the parts the host names, passing over a part without
// a record, up to the end of the host's list or a part named again (next(2)
// answering 1 again, next(1) answering 0), listed or not.
TEST_F(PartsTest, ListsPartZeroThenThePartsTheHostNamesPassingOverThoseWithoutARecord) {
  const struct {
    std::vector<int16_t> ids;
    int erased;  // the part whose record is missing, or -1
    std::vector<int16_t> listed;
  } cases[] = {{{0, 3, 1}, -1, {0, 3, 1}}, {{0, 3, 1, 2}, 3, {0, 1, 2}},  {{0, 3, 1}, 1, {0, 3}},
               {{0, 3, 1}, 0, {3, 1}},     {{0, 1, 2, 1}, -1, {0, 1, 2}}, {{0, 1, 0}, -1, {0, 1}},
               {{0, 1, 2, 1}, 1, {0, 2}}};
  QCParts parts;  // each listing replaces the one before
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.ids) + " without " + std::to_string(c.erased));
    AddParts(c.ids);
    if (c.erased >= 0) doc.Erase(kPartTag, static_cast<uint16_t>(c.erased), 0);
    std::vector<int16_t> listed(static_cast<size_t>(parts.LoadAll()));
    for (size_t i = 0; i < listed.size(); ++i) {
      listed[i] = static_cast<QCPart*>(parts.ItemAt(static_cast<int32_t>(i)))->PartId();
    }
    EXPECT_EQ(listed, c.listed);
  }
  // Without the next-part service, the host's list ends after part 0.
  doc.missing_services = {"QX_GetNextPartID"};
  testing_support::ConnectModuleToStandIn();  // looks the services up afresh
  EXPECT_EQ(parts.LoadAll(), 1);
}

// Each visit makes its part current, even one that already is, and puts back
// the part that was current, also when the handler stops the walk. Parts of
// another document are visited without switching; a handler that does not
// begin is neither run nor ended, and no host call is made.
TEST_F(PartsTest, EachVisitSwitchesToThePartAndBack) {
  const int16_t home = doc.document_id;
  const struct {
    std::vector<int16_t> ids;
    int16_t current;
    int stop_at;  // the visit that answers false, or -1
    bool begins, other_document;
    int32_t visited;
    std::vector<int16_t> seen;  // the host's current part at each visit
    size_t switches;
  } cases[] = {{{}, 0, -1, true, false, 0, {}, 0},
               {{0, 2}, 2, -1, true, false, 2, {0, 2}, 4},
               {{0, 1, 2}, 1, 1, true, false, 0, {0}, 2},
               {{0, 1}, 0, -1, false, false, 0, {}, 0},
               {{0, 1}, 0, -1, true, true, 2, {0, 0}, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.ids) + " stop at " + std::to_string(c.stop_at));
    AddParts(c.ids);
    doc.current_part = c.current;
    doc.document_id = home;
    QCParts parts;
    ASSERT_EQ(parts.LoadAll(), static_cast<int32_t>(c.ids.size()));
    if (c.other_document) doc.document_id = 99;  // the user switched documents
    doc.log.clear();
    PartRecorder recorder(doc, c.stop_at, c.begins);
    EXPECT_EQ(parts.ForEachPart(recorder), c.visited);
    EXPECT_EQ(recorder.current_parts, c.seen);
    EXPECT_EQ(recorder.begun, 1);
    EXPECT_EQ(recorder.ends, c.begins ? 1 : 0);
    EXPECT_EQ(doc.current_part, c.current);
    EXPECT_EQ(doc.CountCalls("QX_SetCurrentPartID"), c.switches);
    EXPECT_TRUE(c.begins || doc.log.empty());
  }
}

TEST_F(PartsTest, PartsAreTheSameWhenTheyStandForOnePartOfOneDocument) {
  QCPart a(3), b(3), c(4);
  doc.document_id = 2;
  QCPart other_document(3);
  EXPECT_TRUE(a.IsSameClass(&b));
  EXPECT_FALSE(a.IsSameClass(&c));
  EXPECT_FALSE(a.IsSameClass(&other_document));
  EXPECT_FALSE(a.IsSameClass(nullptr));
  doc.current_part = 4;
  QCPart current(-1);  // -1 stands for the current part
  QCPart four(4);
  EXPECT_EQ(current.PartId(), 4);
  EXPECT_TRUE(current.IsSameClass(&four));
  EXPECT_EQ(a.ClassID(), 71);
  EXPECT_EQ(a.PartName().Length(), 0u);
  EXPECT_EQ(a.SavedPartId(), -2);
}

}  // namespace
