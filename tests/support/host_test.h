// HostTest: a fixture that runs the module in-process against a fresh
// stand-in document. Each test starts with an empty service cache, so service
// lookups, and the faults that make services missing, start afresh.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>

#include "host/host_version.h"
#include "host/platform_lookup.h"
#include "standin/store/host_document.h"
#include "tests/support/stand_in_lookup.h"

namespace testing_support {

// Little-endian bytes of 16-bit words, for building records.
standin::Bytes Words(std::initializer_list<uint16_t> words);

class HostTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Sets the host version the module sees, as the version entry point would.
  void UseHostVersion(uint32_t version);

  // Runs menu command `index` on measures `first` to `last` of `document`
  // through the module's entry points, as the host would, then makes `doc`
  // the active document again; the module's answer.
  int32_t InvokeOn(standin::HostDocument& document, int16_t index, int first, int last);

  standin::HostDocument doc;
};

}  // namespace testing_support
