// QCStaffSystem: one system of the current part, the host's staff-system
// record 'SOSS'.
//
// Addressed by the system number as cmper (systems are numbered 1, 2, 3, ...
// in the order of the music), inci 0. System n covers the measures from its
// first measure up to, but not including, its end measure. The record lives
// inside the object.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "framework/no_inci_other.h"
#include "host/byte_order.h"

class QCStaffSystem final : public QCNoInciOther {
 public:
  static constexpr int32_t kClassID = class_id::kStaffSystem;
  // Host format; these numbers must not change.
  static constexpr uint32_t kTag = 0x534F5353;  // 'SOSS'
  // Record (28 bytes, little-endian):
  //   reserved: 2 bytes @0, indent: i16 @2, reserved: 4 bytes @4,
  //   firstMeasure: i16 @8, systemFlags: u16 @10, endMeasure: i16 @12,
  //   reserved: 14 bytes @14
  static constexpr int32_t kRecordSize = 28;
  static constexpr size_t kIndentOffset = 2;
  static constexpr size_t kFirstMeasureOffset = 8;
  static constexpr size_t kSystemFlagsOffset = 10;
  static constexpr size_t kEndMeasureOffset = 12;
  // A record shorter than this lacks some of the fields above.
  static constexpr uint64_t kFieldsEnd = 14;
  // systemFlags bit: on hosts before version kOwnStaffListsFrom, the system
  // keeps a staff list of its own (otherwise it shows the list filed under 0).
  static constexpr uint16_t kOwnStaffList = 0x4000;

  // Record zero, no address, not loaded.
  QCStaffSystem() { UseStorage(record_, 0); }

  int32_t ClassID() const override { return kClassID; }
  const char* ClassName() const override;

  uint8_t* DataBuffer() override { return record_; }
  std::unique_ptr<QCBaseData> CreateInstance() const override;
  uint32_t DataTag() const override { return kTag; }
  int32_t DataSize() const override { return kRecordSize; }
  // Copies the bytes `other` (a QCStaffSystem) holds and its loaded size;
  // bytes the host did not deliver read as zero. The address is not copied.
  void CopyDataFrom(QCBaseData& other) override;

  // As QCNoInciOther's, with the tag, size and version this class names:
  // every later system is written one number up when a system is cut.
  bool SaveAs(uint16_t cmper) override {
    SetAddress(cmper, 0);
    return SaveOf(*this);
  }

  // True when the loaded record reaches every field this class interprets.
  bool HasAllFields() const { return LoadedSize() >= kFieldsEnd; }

  int16_t Indent() const { return host::ReadI16(record_, kIndentOffset); }
  int16_t FirstMeasure() const { return host::ReadI16(record_, kFirstMeasureOffset); }
  uint16_t SystemFlags() const { return host::ReadU16(record_, kSystemFlagsOffset); }
  // True when the system keeps a staff list of its own, filed under its
  // number: always from host version kOwnStaffListsFrom on, before it when
  // its flags say so.
  bool HasOwnStaffList() const;
  int16_t EndMeasure() const { return host::ReadI16(record_, kEndMeasureOffset); }
  void SetIndent(int16_t indent) {
    host::WriteU16(record_, kIndentOffset, static_cast<uint16_t>(indent));
  }
  void SetFirstMeasure(int16_t measure) {
    host::WriteU16(record_, kFirstMeasureOffset, static_cast<uint16_t>(measure));
  }
  void SetEndMeasure(int16_t measure) {
    host::WriteU16(record_, kEndMeasureOffset, static_cast<uint16_t>(measure));
  }

 private:
  uint8_t record_[kRecordSize] = {};
};

static_assert(RecordPool::Holds<QCStaffSystem>(),
              "QCStaffSystem outgrows the record pool: raise RecordPool::kLargestPooled");
