#include "tests/support/host_test.h"

#include "plugin/extension_api.h"
#include "tests/support/host_records.h"
#include "tests/support/stand_in_lookup.h"

namespace testing_support {
standin::Bytes Words(std::initializer_list<uint16_t> words) {
  standin::Bytes bytes;
  for (uint16_t word : words) {
    bytes.push_back(static_cast<uint8_t>(word & 0xFF));
    bytes.push_back(static_cast<uint8_t>(word >> 8));
  }
  return bytes;
}

void HostTest::SetUp() {
  standin::SetActiveDocument(&doc);
  ConnectModuleToStandIn();
  UseHostVersion(host::kVersionBeforeReported);
}

void HostTest::TearDown() {
  standin::SetActiveDocument(nullptr);
  host::SetHostVersion(host::kVersionBeforeReported);
}

void HostTest::UseHostVersion(uint32_t version) {
  host::SetHostVersion(version);
  doc.host_version = version;
}

int32_t HostTest::InvokeOn(standin::HostDocument& document, int16_t index, int first, int last) {
  const SelectionRecord selection =
      SelectMeasures(static_cast<int16_t>(first), static_cast<int16_t>(last));
  standin::SetActiveDocument(&document);
  ConnectModuleToStandIn();
  QuilloExtensionVersion(document.host_version);
  const int32_t answer = QuilloExtensionInvoke(nullptr, index, selection.data());
  standin::SetActiveDocument(&doc);
  return answer;
}

}  // namespace testing_support
