#include "tests/support/host_test.h"

#include <cstring>

namespace testing_support {
namespace {

int g_host_token = 0;

host::ModuleHandle FindModule(const char* name) {
  return std::strcmp(name, "QUILLO.EXE") == 0 ? &g_host_token : nullptr;
}

host::ServiceAddress FindService(host::ModuleHandle module, const char* name) {
  return module == nullptr ? nullptr : standin::FindService(name);
}

}  // namespace

host::PlatformLookup StandInLookup() {
  return host::PlatformLookup{&FindModule, &FindService};
}

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
  host::InstallPlatformLookup(StandInLookup());
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

}  // namespace testing_support
