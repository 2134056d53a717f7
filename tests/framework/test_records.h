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
#include "standin/store/host_document.h"

inline constexpr uint32_t kTestTag = standin::MakeTag("TeSt");
inline constexpr uint32_t kTestIncidenceTag = standin::MakeTag("TeIn");

class TestRecord : public QCNoInciOther {
 public:
  static constexpr int32_t kSize = 8;
  static inline int live = 0;  // objects alive, to see that owners delete them
  TestRecord() { ++live; }
  ~TestRecord() override { --live; }
  uint8_t* DataBuffer() override { return bytes; }
  std::unique_ptr<QCBaseData> CreateInstance() const override {
    return std::make_unique<TestRecord>();
  }
  uint32_t DataTag() const override { return kTestTag; }
  int32_t DataSize() const override { return kSize; }
  void CopyDataFrom(QCBaseData& other) override {
    std::memcpy(bytes, other.DataBuffer(), kSize);
    UseStorage(bytes, kSize);
  }
  uint8_t bytes[kSize] = {};
};

// Keeps the framework's default CopyDataFrom (a heap copy of the loaded bytes).
class HeapCopyRecord : public TestRecord {
 public:
  std::unique_ptr<QCBaseData> CreateInstance() const override {
    return std::make_unique<HeapCopyRecord>();
  }
  void CopyDataFrom(QCBaseData& other) override { QCBaseData::CopyDataFrom(other); }
};

class TestIncidence : public QCInciOther {
 public:
  static constexpr int32_t kSize = 4;
  TestIncidence() { UseStorage(bytes, kSize); }
  uint8_t* DataBuffer() override { return bytes; }
  std::unique_ptr<QCBaseData> CreateInstance() const override {
    return std::make_unique<TestIncidence>();
  }
  // A tag override names another kind of incidence, as for enclosures.
  uint32_t DataTag() const override {
    return TagOverride() != 0 ? TagOverride() : kTestIncidenceTag;
  }
  int32_t DataSize() const override { return kSize; }
  void CopyDataFrom(QCBaseData& other) override {
    std::memcpy(bytes, other.DataBuffer(), kSize);
    UseStorage(bytes, kSize);
  }
  uint8_t bytes[kSize] = {};
};

class TestRecords : public QCCollectionNoInciOther {
 public:
  std::unique_ptr<QCBaseData> CreateElement() const override {
    return std::make_unique<TestRecord>();
  }
};

class TestIncidences : public QCCollectionInciOther {
 public:
  std::unique_ptr<QCInciOther> CreateInciElement() const override {
    return std::make_unique<TestIncidence>();
  }
};
