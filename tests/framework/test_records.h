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

// A record of `Size` bytes kept inside the object, copied into them.
template <typename Base, size_t Size>
class InlineRecord : public Base {
 public:
  uint8_t* DataBuffer() override { return bytes; }
  int32_t DataSize() const override { return static_cast<int32_t>(Size); }
  void CopyDataFrom(QCBaseData& other) override {
    std::memcpy(bytes, other.DataBuffer(), Size);
    this->UseStorage(bytes, Size);
  }
  uint8_t bytes[Size] = {};
};

class TestRecord : public InlineRecord<QCNoInciOther, 8> {
 public:
  static inline int live = 0;  // objects alive, to see that owners delete them
  TestRecord() { ++live; }
  ~TestRecord() override { --live; }
  std::unique_ptr<QCBaseData> CreateInstance() const override {
    return std::make_unique<TestRecord>();
  }
  uint32_t DataTag() const override { return kTestTag; }
};

// Keeps the framework's default CopyDataFrom (a heap copy of the loaded bytes).
class HeapCopyRecord : public TestRecord {
 public:
  std::unique_ptr<QCBaseData> CreateInstance() const override {
    return std::make_unique<HeapCopyRecord>();
  }
  void CopyDataFrom(QCBaseData& other) override { QCBaseData::CopyDataFrom(other); }
};

class TestIncidence : public InlineRecord<QCInciOther, 4> {
 public:
  TestIncidence() { UseStorage(bytes, sizeof bytes); }
  std::unique_ptr<QCBaseData> CreateInstance() const override {
    return std::make_unique<TestIncidence>();
  }
  // A tag override names another kind of incidence, as for enclosures.
  uint32_t DataTag() const override {
    return TagOverride() != 0 ? TagOverride() : kTestIncidenceTag;
  }
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
