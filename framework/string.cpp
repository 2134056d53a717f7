#include "framework/string.h"

#include <cstring>
#include <utility>

QCString::QCString() {
  EnsureCapacity(0);
  text_[0] = 0;
  length_ = 0;
}

QCString::QCString(const char* text) {
  SetCString(text);
}

QCString::QCString(const QCString& other)
    : QCBase(other), length_(other.length_), capacity_(other.capacity_) {
  if (other.text_ == nullptr) return;
  text_ = new uint16_t[capacity_];
  if (length_ > 0) std::memcpy(text_, other.text_, length_ * sizeof(uint16_t));
  text_[length_] = 0;
}

QCString& QCString::operator=(const QCString& other) {
  if (this == &other) return *this;
  QCString copy(other);
  std::swap(length_, copy.length_);
  std::swap(capacity_, copy.capacity_);
  std::swap(text_, copy.text_);
  return *this;
}

QCString::~QCString() {
  FreeText();
  for (uint16_t*& buffer : spare_buffers_) {
    delete[] buffer;
    buffer = nullptr;
  }
}

const char* QCString::ClassName() const {
  static constexpr char kName[] = "QCString";
  return kName;
}

void QCString::FreeText() {
  delete[] text_;
  text_ = nullptr;
  capacity_ = 0;
  length_ = 0;
}

void QCString::EnsureCapacity(uint64_t n) {
  if (capacity_ > n + 1) return;
  const uint64_t step = capacity_ > 10000 ? 1000 : capacity_ > 1000 ? 100 : 10;
  const uint64_t new_capacity = step * ((n + step) / step);
  auto* grown = new uint16_t[new_capacity];
  if (text_ != nullptr) {
    if (length_ > 0) std::memcpy(grown, text_, length_ * sizeof(uint16_t));
    delete[] text_;
  }
  capacity_ = new_capacity;
  text_ = grown;
}

void QCString::SetCString(const char* text) {
  if (text == nullptr) {
    FreeText();
    return;
  }
  const uint64_t m = std::strlen(text);
  EnsureCapacity(m);
  for (uint64_t i = 0; i < m; ++i) {
    text_[i] = static_cast<uint16_t>(static_cast<int16_t>(static_cast<signed char>(text[i])));
  }
  text_[m] = 0;
  length_ = m;
}
