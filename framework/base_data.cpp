#include "framework/base_data.h"

#include <cstring>

#include "host/host_services.h"
#include "host/host_version.h"

const char* QCBaseData::ClassName() const {
  static constexpr char kName[] = "QCBaseData";
  return kName;
}

void QCBaseData::FreeOwnedRecord() {
  if (record_ != nullptr) {
    delete[] record_;
    record_ = nullptr;
  }
  owns_record_ = false;
}

void QCBaseData::TakeFreshStorage() {
  if (record_ != nullptr) {
    ReleaseOwnedRecord();
    DisposeDataBuffer();
    loaded_size_ = 0;
  }
  record_ = DataBuffer();
}

bool QCBaseData::LoadNext() {
  return MoveToNext() && LoadCurrent();
}

bool QCBaseData::Reload() {
  if (loaded_size_ == 0) return false;
  return LoadCurrent();
}

void QCBaseData::CopyDataFrom(QCBaseData& other) {
  if (other.loaded_size_ == 0 || other.record_ == nullptr) return;
  ReleaseOwnedRecord();
  loaded_size_ = other.loaded_size_;
  // The block also serves later loads, which are offered DataSize() bytes,
  // so it is never smaller than that.
  const int32_t data_size = DataSize();
  const uint64_t block = data_size > 0 && static_cast<uint64_t>(data_size) > loaded_size_
                             ? static_cast<uint64_t>(data_size)
                             : loaded_size_;
  record_ = new uint8_t[block]();
  owns_record_ = true;
  std::memcpy(record_, other.record_, loaded_size_);
}

std::unique_ptr<QCBaseData> QCBaseData::Clone() {
  std::unique_ptr<QCBaseData> clone = CreateInstance();
  std::memcpy(clone->address_, address_, kAddressSize);
  clone->tag_override_ = tag_override_;
  clone->document_id_ = document_id_;
  clone->CopyDataFrom(*this);
  return clone;
}
