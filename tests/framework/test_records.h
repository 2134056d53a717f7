// Small record classes for exercising the framework's defaults against the
// stand-in host: an 8-byte record addressed by cmper, and a 4-byte incidence
// record. Their tags are document-wide in the stand-in host.
#pragma once

#include <cstring>
#include <memory>

#include "framework/collection_inci_other.h"
#include "framework/collection_no_inci_other.h"
#include "framework/inci_other.h"
#include "framework/no_inci_other.h"
#include "standin/host_document.h"

inline constexpr uint32_t kTestTag = standin::MakeTag("TeSt");
inline constexpr uint32_t kTestIncidenceTag = standin::MakeTag("TeIn");

class TestRecord : public __QCNoInciOther {
 public:
  static constexpr int32_t kSize = 8;
  static inline int live = 0;  // objects alive, to see that owners delete them
  TestRecord() { ++live; }
  ~TestRecord() override { --live; }
  uint8_t* DataBuffer() override { return bytes; }
  std::unique_ptr<__QCBaseData> CreateInstance() const override {
    return std::make_unique<TestRecord>();
  }
  uint32_t DataTag() const override { return kTestTag; }
  int32_t DataSize() const override { return kSize; }
  void CopyDataFrom(__QCBaseData& other) override {
    std::memcpy(bytes, other.DataBuffer(), kSize);
    UseStorage(bytes, kSize);
  }
  uint8_t bytes[kSize] = {};
};

// Keeps the framework's default CopyDataFrom (a heap copy of the loaded bytes).
class HeapCopyRecord : public TestRecord {
 public:
  std::unique_ptr<__QCBaseData> CreateInstance() const override {
    return std::make_unique<HeapCopyRecord>();
  }
  void CopyDataFrom(__QCBaseData& other) override { __QCBaseData::CopyDataFrom(other); }
};

class TestIncidence : public __QCInciOther {
 public:
  static constexpr int32_t kSize = 4;
  TestIncidence() { UseStorage(bytes, kSize); }
  uint8_t* DataBuffer() override { return bytes; }
  std::unique_ptr<__QCBaseData> CreateInstance() const override {
    return std::make_unique<TestIncidence>();
  }
  uint32_t DataTag() const override { return kTestIncidenceTag; }
  int32_t DataSize() const override { return kSize; }
  void CopyDataFrom(__QCBaseData& other) override {
    std::memcpy(bytes, other.DataBuffer(), kSize);
    UseStorage(bytes, kSize);
  }
  uint8_t bytes[kSize] = {};
};

class TestRecords : public __QCCollectionNoInciOther {
 public:
  std::unique_ptr<__QCBaseData> CreateElement() const override {
    return std::make_unique<TestRecord>();
  }
};

class TestIncidences : public __QCCollectionInciOther {
 public:
  std::unique_ptr<__QCInciOther> CreateInciElement() const override {
    return std::make_unique<TestIncidence>();
  }
};
