#include "standin/program/worker_report_reader.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>

#include "standin/documents/document_file.h"

namespace standin {
namespace {

// A number of up to `most_digits` decimal digits, nothing else.
std::optional<uint64_t> Number(std::string_view text, size_t most_digits) {
  if (text.empty() || text.size() > most_digits) return std::nullopt;
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  return value;
}

bool StartsWith(std::string_view line, std::string_view word) {
  return line.substr(0, word.size()) == word;
}

}  // namespace

bool WorkerReportReader::Take(std::string* received) {
  size_t used = 0;
  bool expected = true;
  while (used < received->size()) {
    if (payload_left_ > 0) {
      const size_t take = std::min(payload_left_, received->size() - used);
      payload_->append(*received, used, take);
      used += take;
      payload_left_ -= take;
      continue;
    }
    const size_t newline = received->find('\n', used);
    const size_t length = (newline == std::string::npos ? received->size() : newline) - used;
    if (finished_ || length > kLongestLine) {
      expected = false;
      break;
    }
    if (newline == std::string::npos) break;
    expected = Line(std::string_view(received->data() + used, length));
    if (!expected) break;
    used = newline + 1;
  }
  received->erase(0, used);
  return expected;
}

bool WorkerReportReader::Line(std::string_view line) {
  if (StartsWith(line, kCall)) {
    const std::string_view entry = line.substr(kCall.size());
    if (!current_.empty() || report_->document ||
        std::find(kCalls.begin(), kCalls.end(), entry) == kCalls.end()) {
      return false;
    }
    current_ = entry;
    return true;
  }
  if (line == kBack) {
    if (current_.empty()) return false;
    last_ = std::exchange(current_, "");
    return true;
  }
  if (StartsWith(line, kDocument)) {
    // A worker never hands over more than a document file may hold.
    const auto length = Number(line.substr(kDocument.size()), 10);
    if (!current_.empty() || report_->document || last_ != kUnload || !length ||
        *length > DocumentFile::kMaxBytes) {
      return false;
    }
    report_->document.emplace();
    payload_ = &*report_->document;
    payload_left_ = static_cast<size_t>(*length);
    return true;
  }
  if (StartsWith(line, kSaid)) {
    const auto length = Number(line.substr(kSaid.size()), 4);
    if (!current_.empty() || report_->said || !length || *length > kLongestSaid) return false;
    report_->said.emplace();
    payload_ = &*report_->said;
    payload_left_ = static_cast<size_t>(*length);
    return true;
  }
  if (StartsWith(line, kEnd)) {
    const auto status = Number(line.substr(kEnd.size()), 1);
    if (!current_.empty() || !status || *status > 2) return false;
    status_ = static_cast<int>(*status);
    finished_ = true;
    return true;
  }
  return false;
}

}  // namespace standin
