// A module that exports only the version entry point, for the tests of the
// host program's message about a module that lacks the others.
#include "fake_module.h"

FAKE_MODULE_EXPORT uint32_t QuilloExtensionVersion(uint32_t /*host_version*/) {
  return 0x10000000;
}
