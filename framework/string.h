// QCString: the framework's text, an owned, growable buffer of UTF-16 code
// units ended by a 0 unit.
//
// The buffer grows in steps of 10, 100 or 1000 units chosen by the current
// capacity and never shrinks, except that a null text frees it. Invariant:
// when the buffer exists, the unit at Length() is 0 and Length() + 1 <=
// Capacity().
#pragma once

#include <cstdint>

#include "framework/base.h"

class QCString : public QCBase {
 public:
  // An empty string with a 10-unit buffer.
  QCString();
  // A string holding `text` (8-bit), widened as by SetCString.
  explicit QCString(const char* text);
  // A deep copy: its own buffer, of the same capacity, holding the same text
  // (none when `other` has none). The spare buffers are not copied.
  QCString(const QCString& other);
  // Replaces this string with a deep copy of `other`.
  QCString& operator=(const QCString& other);
  ~QCString() override;

  const char* ClassName() const override;

  // Makes room for n units plus the terminator, keeping the text. Nothing
  // happens when the capacity already exceeds n + 1; a buffer of exactly
  // n + 1 units is still replaced.
  void EnsureCapacity(uint64_t n);
  // Replaces the content with 8-bit text, each byte widened as a signed byte
  // (0xE9 becomes 0xFFE9). Null frees the buffer: no text, capacity 0.
  void SetCString(const char* text);

  uint64_t Length() const { return length_; }
  uint64_t Capacity() const { return capacity_; }
  // The text, or null after a null text was assigned.
  const uint16_t* Text() const { return text_; }

 private:
  void FreeText();

  uint64_t length_ = 0;
  uint64_t capacity_ = 0;
  uint16_t* text_ = nullptr;
  // Owned and freed when set; nothing in this module sets them.
  uint16_t* spare_buffers_[2] = {nullptr, nullptr};
};
