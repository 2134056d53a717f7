#include "tests/support/stand_in_lookup.h"

#include <cstring>

#include "standin/store/host_document.h"

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

void ConnectModuleToStandIn() {
  host::InstallPlatformLookup(StandInLookup());
}

}  // namespace testing_support
