// The lookup rules of the host bridge: where the host is looked for, that
// every lookup is made once, and what each service answers when missing.
#include "host/host_services.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "host/platform_lookup.h"
#include "tests/support/host_test.h"

namespace {

// A platform lookup that records every call and finds the host under one
// name. Like the platforms' own lookups, it takes a null handle as the
// process's own program, which exports the services or not.
struct RecordingLookup {
  static inline std::vector<std::string> calls;
  static inline std::string host_name;
  static inline bool program_exports = false;
  static inline int token = 0;

  static host::ModuleHandle FindModule(const char* name) {
    calls.push_back(std::string("module ") + name);
    return host_name == name ? &token : nullptr;
  }
  static host::ServiceAddress FindService(host::ModuleHandle module, const char* name) {
    calls.push_back(std::string(module == nullptr ? "program " : "service ") + name);
    return module != nullptr || program_exports ? standin::FindService(name) : nullptr;
  }
  static void Install(const std::string& name, bool exports = false) {
    calls.clear();
    host_name = name;
    program_exports = exports;
    host::InstallPlatformLookup(host::PlatformLookup{&FindModule, &FindService});
  }
  static auto Count(const std::string& call) {
    return std::count(calls.begin(), calls.end(), call);
  }
};

class HostServicesTest : public testing_support::HostTest {};

// The demo host is found under its module name; a host under another name is
// reached through the null handle, as the running program. Each name and each
// service is looked up once.
TEST_F(HostServicesTest, LooksForQuilloThenTheDemoHostThenTheProgramOnceForAllServices) {
  doc.document_id = 7;
  for (const auto& [name, exports, found] :
       {std::tuple{"QUIDEMO.EXE", false, "service "}, {"Quillo2024.exe", true, "program "}}) {
    SCOPED_TRACE(name);
    RecordingLookup::Install(name, exports);
    doc.log.clear();
    EXPECT_EQ(host::GetCurrentCantorDocument(), 7);
    EXPECT_EQ(host::GetCurrentPartID(), 0);
    EXPECT_EQ(host::GetCurrentCantorDocument(), 7);
    EXPECT_EQ(RecordingLookup::calls,
              (std::vector<std::string>{"module QUILLO.EXE", "module QUIDEMO.EXE",
                                        std::string(found) + "QX_GetCurrentCantorDocument",
                                        std::string(found) + "QX_GetCurrentPartID"}));
    EXPECT_EQ(doc.CountCalls("QX_GetCurrentPartID"), 1u);
  }
}

TEST_F(HostServicesTest, WithoutAHostEveryServiceAnswersItsNeutralValue) {
  RecordingLookup::Install("SOMETHING.EXE");
  uint8_t address[8] = {1, 0, 0, 0, 0, 0, 0, 0};
  uint8_t buffer[4] = {};
  int32_t size = 4;
  EXPECT_EQ(host::LoadEData(0x534F4D53, address, buffer, &size, 0x19000000), 0);
  EXPECT_EQ(host::SaveEData(0x534F4D53, address, buffer, 4, 0x19000000), 0);
  EXPECT_EQ(host::CreateEData(0x534F4D53, address, buffer, 4, 0x19000000), 0);
  EXPECT_EQ(host::DeleteEData(0x534F4D53, address, 0x19000000), 0);
  EXPECT_EQ(host::NextEData(0x534F4D53, address, 0x19000000), 0);
  EXPECT_EQ(host::SlotToInst(1, 0), 0);
  host::UpdateLayout();
  EXPECT_EQ(host::GetCurrentCantorDocument(), 0);
  EXPECT_EQ(host::GetCurrentPartID(), -1);
  host::SetCurrentPartID(3);
  EXPECT_EQ(host::GetNextPartID(0), host::kNoPart);
  EXPECT_TRUE(doc.log.empty());
  EXPECT_EQ(doc.layout_updates, 0);
  // The module was looked for once under each name, never again.
  EXPECT_EQ(RecordingLookup::Count("module QUILLO.EXE"), 1);
  EXPECT_EQ(RecordingLookup::Count("module QUIDEMO.EXE"), 1);
}

TEST_F(HostServicesTest, AServiceMissingAtFirstUseStaysMissing) {
  RecordingLookup::Install("QUILLO.EXE");
  doc.missing_services = {"QX_GetCurrentPartID"};
  EXPECT_EQ(host::GetCurrentPartID(), -1);
  doc.missing_services.clear();  // the host "gains" the service later
  EXPECT_EQ(host::GetCurrentPartID(), -1);
  EXPECT_EQ(RecordingLookup::Count("service QX_GetCurrentPartID"), 1);
  EXPECT_EQ(doc.CountCalls("QX_GetCurrentPartID"), 0u);
}

TEST_F(HostServicesTest, WrappersPassArgumentsThroughWithTheInterfaceVersion) {
  doc.parts = {0, 4, 9};
  doc.slot_to_staff[{3, 1}] = 12;
  EXPECT_EQ(host::GetNextPartID(4), 9);
  EXPECT_EQ(host::GetNextPartID(9), host::kNoPart);
  EXPECT_EQ(host::SlotToInst(3, 1), 12);
  host::SetCurrentPartID(4);
  host::UpdateLayout();
  EXPECT_EQ(doc.current_part, 4);
  EXPECT_EQ(doc.LogText(),
            "GetNextPartID(4, 0) p0 v19000000 -> 9\n"
            "GetNextPartID(9, 0) p0 v19000000 -> -1\n"
            "SlotToInst(3, 1) p0 v19000000 -> 12\n"
            "SetCurrentPartID(4, 0) p0 v19000000 -> 1\n"
            "UpdateLayout(1, 0) p4 v19000000 -> 1\n");
}

// The platform's own lookup: the module names stand for the running program,
// and so does a null handle.
TEST(NativeLookupTest, FindsTheRunningProgramsExportsByName) {
  host::ModuleHandle program = host::NativeFindModule(host::kHostModuleName);
  ASSERT_NE(program, nullptr);
  EXPECT_NE(host::NativeFindService(program, "malloc"), nullptr);
  EXPECT_NE(host::NativeFindService(nullptr, "malloc"), nullptr);
  EXPECT_EQ(host::NativeFindService(program, "QX_NoSuchService"), nullptr);
}

}  // namespace
