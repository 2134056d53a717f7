// QCBaseData: an object that mirrors one host data record.
//
// The object keeps the record's 8-byte address block, a pointer to the record
// bytes (normally storage inside the concrete object) and the loaded size:
// the byte count of the last successful load, or the size a copy or a
// constructor set. A loaded size of 0 means "not loaded": Save and the
// operations built on it then refuse without calling the host.
//
// Every host call carries DataTag() and DataVersion(); the host may rewrite
// the address block (the next-record service moves it, creation fills in the
// numbers it assigns). Failures are false results; nothing is thrown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "framework/base.h"
#include "framework/record_pool.h"
#include "host/byte_order.h"
#include "host/host_services.h"
#include "host/host_version.h"

class QCInciOther;

class QCBaseData : public QCBase {
 public:
  // Address block, exchanged with the host by reference:
  //   cmper: u16 @0, inci: u16 @2, reserved (always 0): 4 bytes @4.
  static constexpr size_t kAddressSize = 8;
  static constexpr size_t kCmperOffset = 0;
  static constexpr size_t kInciOffset = 2;
  // Placeholder asking the host to assign a number when creating a record.
  static constexpr uint16_t kAssignedByHost = 0xFFFF;

  QCBaseData() = default;
  // A record object points into its own storage; a copy would point into the
  // original's, so records are cloned (Clone) and never copied.
  QCBaseData(const QCBaseData&) = delete;
  QCBaseData& operator=(const QCBaseData&) = delete;
  ~QCBaseData() override { ReleaseOwnedRecord(); }

  // Record objects are made and destroyed by the thousand in one command;
  // they come from the record pool (its blocks are returned at the end of
  // every command).
  static void* operator new(size_t size) { return RecordPool::Allocate(size); }
  static void operator delete(void* block, size_t size) noexcept { RecordPool::Free(block, size); }

  const char* ClassName() const override;
  QCBaseData* AsData() override { return this; }
  // This record as an incidence record, or null: answered by QCInciOther.
  virtual QCInciOther* AsInciOther() { return nullptr; }

  // Where the record for the current host version lives inside the object.
  virtual uint8_t* DataBuffer() = 0;
  // Releases storage a subclass obtained itself. Default: nothing.
  virtual void DisposeDataBuffer() {}
  // True when storage must be obtained afresh before every load. Default false.
  virtual bool HasDisposableBuffer() const { return false; }
  // A new default object of the same concrete class, owned by the caller.
  virtual std::unique_ptr<QCBaseData> CreateInstance() const = 0;
  // The record tag every host call carries.
  virtual uint32_t DataTag() const = 0;
  // The version every record call carries. Default: the interface version.
  virtual uint32_t DataVersion() const { return host::kInterfaceVersion; }
  // The record size for the current host version; the room offered to loads.
  virtual int32_t DataSize() const = 0;
  // Bytes delivered by the last successful load, or set by a copy; 0 = not loaded.
  virtual uint64_t LoadedSize() const { return loaded_size_; }
  // Makes this object's record a copy of `other`'s and marks it loaded. The
  // address, document id and tag override are not copied. Default: a heap
  // copy of `other`'s loaded bytes; record classes copy into their storage.
  virtual void CopyDataFrom(QCBaseData& other);
  // Writes LoadedSize() bytes at the current address. False when not loaded
  // (no host call) or when the host refuses.
  virtual bool Save() { return SaveOf(*this); }
  // Loads again from the current address; false when not loaded.
  virtual bool Reload();
  // Asks the host to delete the record at the current address, loaded or not.
  virtual bool DeleteData() { return host::DeleteEData(DataTag(), address_, DataVersion()) != 0; }
  // Deletes the record and what depends on it. Default: DeleteData().
  virtual bool DeepDeleteData() { return DeleteData(); }
  // Loads the first record of the kind.
  virtual bool LoadFirst() = 0;
  // Moves the address to the next record of the kind and loads it.
  virtual bool LoadNext();

  // Moves the address to the next record of the kind (the host's step of
  // LoadNext, without the load); false when the host has none.
  bool MoveToNext() { return MoveToNextOf(*this); }
  // Loads the record at the current address. A count the host reports above
  // DataSize() is taken as DataSize(); a negative count fails the load. True
  // when the host found the record, even without bytes (then not loaded).
  bool LoadCurrent() { return LoadCurrentOf(*this); }
  // MoveToNext and LoadCurrent of `record`, read through its class Record.
  // (Inline, as Save is, so that a record class's own calls
  // reach the host without a virtual call for its tag, size or version; the
  // walks of the collections name their element class for the same reason.)
  template <typename Record>
  static bool MoveToNextOf(Record& record) {
    QCBaseData& data = record;
    return host::NextEData(record.DataTag(), data.address_, record.DataVersion()) != 0;
  }
  // QCBaseData's Save of `record`, read through its class Record.
  template <typename Record>
  static bool SaveOf(Record& record) {
    QCBaseData& data = record;
    if (data.loaded_size_ == 0) return false;
    return host::SaveEData(record.DataTag(), data.address_, data.record_,
                           static_cast<uint32_t>(data.loaded_size_), record.DataVersion()) != 0;
  }
  template <typename Record>
  static bool LoadCurrentOf(Record& record) {
    QCBaseData& data = record;
    if (data.record_ == nullptr || record.HasDisposableBuffer()) data.TakeFreshStorage();
    const int32_t room = record.DataSize();
    int32_t count = room;
    // The loaded size is what a later Save writes from the record, so a
    // count beyond the room offered would read past the record, and a
    // negative one is no record at all.
    if (host::LoadEData(record.DataTag(), data.address_, data.record_, &count,
                        record.DataVersion()) == 0 ||
        count < 0) {
      data.loaded_size_ = 0;
      return false;
    }
    // Bytes past the delivered ones read as zero, whatever the host left
    // there or an earlier load did; a record delivered without bytes is
    // found but not loaded: it is never saved, and a copy of it holds zeros.
    if (count < room) std::memset(data.record_ + count, 0, static_cast<size_t>(room - count));
    data.loaded_size_ = static_cast<uint64_t>(count > room ? room : count);
    data.document_id_ = host::GetCurrentCantorDocument();
    return true;
  }

  // Makes a clone of this loaded object: a new instance with the same
  // address block, tag override and document id, and a copy of the record.
  std::unique_ptr<QCBaseData> Clone();

  uint16_t Cmper() const { return host::ReadU16(address_, kCmperOffset); }
  uint16_t Inci() const { return host::ReadU16(address_, kInciOffset); }
  // Sets cmper and inci; the reserved bytes stay 0.
  void SetAddress(uint16_t cmper, uint16_t inci) {
    host::WriteU16(address_, kCmperOffset, cmper);
    host::WriteU16(address_, kInciOffset, inci);
  }
  uint8_t* AddressBlock() { return address_; }

  uint32_t TagOverride() const { return tag_override_; }
  void SetTagOverride(uint32_t tag) { tag_override_ = tag; }
  int16_t DocumentId() const { return document_id_; }
  // The record pointer: null until first needed, then DataBuffer() or a copy.
  uint8_t* RecordBytes() const { return record_; }

 protected:
  // Points the record at storage inside the object and sets the loaded size,
  // so that a fresh object can be written without a load.
  void UseStorage(uint8_t* storage, uint64_t loaded_size) {
    ReleaseOwnedRecord();
    record_ = storage;
    loaded_size_ = loaded_size;
  }
  // Frees a record block this object allocated itself, if any.
  void ReleaseOwnedRecord() {
    if (owns_record_) FreeOwnedRecord();
  }
  void SetLoadedSize(uint64_t size) { loaded_size_ = size; }

 private:
  void FreeOwnedRecord();
  // Points the record at DataBuffer(), disposing of the storage it had.
  void TakeFreshStorage();

  uint32_t tag_override_ = 0;
  int16_t document_id_ = 0;
  uint8_t* record_ = nullptr;
  bool owns_record_ = false;
  uint64_t loaded_size_ = 0;
  uint8_t address_[kAddressSize] = {};
};

template <>
inline QCBaseData* RecordCast<QCBaseData>(QCBase* object) {
  return object == nullptr ? nullptr : object->AsData();
}
