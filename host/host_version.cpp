#include "host/host_version.h"

namespace host {
namespace {
uint32_t g_host_version = kVersionBeforeReported;
}  // namespace

uint32_t HostVersion() {
  return g_host_version;
}

void SetHostVersion(uint32_t version) {
  g_host_version = version;
}

}  // namespace host
