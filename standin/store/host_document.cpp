#include "standin/store/host_document.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "standin/store/record_layouts.h"

namespace standin {
namespace {

constexpr uint16_t kAssign = 0xFFFF;

uint16_t AddressCmper(const uint8_t* address) {
  return static_cast<uint16_t>(address[0] | (address[1] << 8));
}
uint16_t AddressInci(const uint8_t* address) {
  return static_cast<uint16_t>(address[2] | (address[3] << 8));
}
// The four bytes after cmper and inci are reserved, and 0 in every address
// block the host hands out. The host finds a record by the whole block, so
// one with any of them set names no record: such a call is refused, which
// shows a module that leaves stray bytes there.
bool ReservedBytesClear(const uint8_t* address) {
  return (address[4] | address[5] | address[6] | address[7]) == 0;
}
void SetAddress(uint8_t* address, uint16_t cmper, uint16_t inci) {
  address[0] = static_cast<uint8_t>(cmper);
  address[1] = static_cast<uint8_t>(cmper >> 8);
  address[2] = static_cast<uint8_t>(inci);
  address[3] = static_cast<uint8_t>(inci >> 8);
}

}  // namespace

std::string TagName(uint32_t tag) {
  char chars[5] = {static_cast<char>(tag >> 24), static_cast<char>(tag >> 16),
                   static_cast<char>(tag >> 8), static_cast<char>(tag), 0};
  bool printable = std::all_of(chars, chars + 4, [](char c) { return c >= 0x20 && c < 0x7F; });
  if (printable) return chars;
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", tag);
  return hex;
}

bool ParseTagName(const std::string& text, uint32_t* tag) {
  if (text.size() == 4) {
    *tag = 0;
    for (char c : text) *tag = (*tag << 8) | static_cast<uint8_t>(c);
    return true;
  }
  if (text.size() == 10 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    uint32_t value = 0;
    for (size_t i = 2; i < text.size(); ++i) {
      char c = text[i];
      int digit = (c >= '0' && c <= '9')   ? c - '0'
                  : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                  : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                           : -1;
      if (digit < 0) return false;
      value = (value << 4) | static_cast<uint32_t>(digit);
    }
    *tag = value;
    return true;
  }
  return false;
}

bool IsPartScopedTag(uint32_t tag) {
  return RecordLayouts::IsPartScoped(tag);
}

std::string ServiceCall::ToString() const {
  char line[160];
  const std::string name(service.substr(service.rfind("QX_", 0) == 0 ? 3 : 0));
  if (service == "QX_LoadEData" || service == "QX_SaveEData" || service == "QX_CreateEData") {
    std::snprintf(line, sizeof line, "%s %s %u/%u p%d %lldB v%08X -> %d", name.c_str(),
                  TagName(tag).c_str(), cmper, inci, part, static_cast<long long>(size), version,
                  result);
  } else if (service == "QX_DeleteEData" || service == "QX_NextEData") {
    std::snprintf(line, sizeof line, "%s %s %u/%u p%d v%08X -> %d", name.c_str(),
                  TagName(tag).c_str(), cmper, inci, part, version, result);
  } else {
    std::snprintf(line, sizeof line, "%s(%d, %d) p%d v%08X -> %d", name.c_str(), arg1, arg2, part,
                  version, result);
  }
  return line;
}

HostDocument::HostDocument() = default;

RecordStore::iterator HostDocument::Locate(const RecordKey& key) {
  for (int i = 0; i < fingers_.used; ++i) {
    RecordStore::iterator& finger = fingers_.at[i];
    if (finger->first.part != key.part || finger->first.tag != key.tag) continue;
    if (finger->first == key) return finger;
    auto after = std::next(finger);
    if (after != records_.end() && after->first == key) return finger = after;
    break;
  }
  auto it = records_.find(key);
  if (it != records_.end()) Remember(it);
  return it;
}

void HostDocument::Remember(RecordStore::iterator it) {
  for (int i = 0; i < fingers_.used; ++i) {
    RecordStore::iterator& finger = fingers_.at[i];
    if (finger->first.part == it->first.part && finger->first.tag == it->first.tag) {
      finger = it;
      return;
    }
  }
  if (fingers_.used < Fingers::kCount) {
    fingers_.at[fingers_.used++] = it;
    return;
  }
  fingers_.at[fingers_.next_slot] = it;
  fingers_.next_slot = (fingers_.next_slot + 1) % Fingers::kCount;
}

RecordKey HostDocument::KeyFor(uint32_t tag, uint16_t cmper, uint16_t inci,
                               std::optional<int16_t> part) const {
  int32_t scope = IsPartScopedTag(tag) ? part.value_or(current_part) : RecordKey::kDocumentWide;
  return RecordKey{scope, tag, cmper, inci};
}

void HostDocument::Put(uint32_t tag, uint16_t cmper, uint16_t inci, Bytes bytes,
                       std::optional<int16_t> part) {
  records_[KeyFor(tag, cmper, inci, part)] = std::move(bytes);
}

const Bytes* HostDocument::Find(uint32_t tag, uint16_t cmper, uint16_t inci,
                                std::optional<int16_t> part) const {
  auto it = records_.find(KeyFor(tag, cmper, inci, part));
  return it == records_.end() ? nullptr : &it->second;
}

bool HostDocument::Erase(uint32_t tag, uint16_t cmper, uint16_t inci, std::optional<int16_t> part) {
  fingers_.used = 0;
  return records_.erase(KeyFor(tag, cmper, inci, part)) > 0;
}

std::string HostDocument::LogText(std::string_view service) const {
  std::string text;
  for (const ServiceCall& call : log) {
    if (!service.empty() && call.service != service) continue;
    text += call.ToString();
    text += '\n';
  }
  return text;
}

size_t HostDocument::CountCalls(std::string_view service) const {
  return static_cast<size_t>(std::count_if(
      log.begin(), log.end(), [&](const ServiceCall& call) { return call.service == service; }));
}

bool HostDocument::Admit(ServiceCall& call) {
  call.part = current_part;
  odd_ = answer ? answer(call) : Answer::kAsIs;
  return !(refuse && refuse(call)) && odd_ != Answer::kRefused;
}

int16_t HostDocument::Finish(ServiceCall& call, int16_t result) {
  call.result = result;
  if (logging) log.push_back(std::move(call));
  return result;
}

int16_t HostDocument::LoadEData(uint32_t tag, uint8_t* address, void* buffer, int32_t* size,
                                uint32_t version) {
  ServiceCall call{"QX_LoadEData",   tag,    AddressCmper(address), AddressInci(address),
                   size ? *size : 0, version};
  if (!Admit(call) || !ReservedBytesClear(address) || size == nullptr) return Finish(call, 0);
  auto it = Locate(KeyFor(tag, call.cmper, call.inci, std::nullopt));
  if (it == records_.end()) return Finish(call, 0);
  size_t room = *size < 0 ? 0 : static_cast<size_t>(*size);
  size_t count = std::min(room, it->second.size());
  if (odd_ == Answer::kNoBytes) count = 0;
  if (odd_ == Answer::kShort) count /= 2;
  if (count > 0) std::memcpy(buffer, it->second.data(), count);
  *size = reported_load_size.value_or(static_cast<int32_t>(count));
  if (odd_ == Answer::kLong) *size = static_cast<int32_t>(room) + 100;
  return Finish(call, 1);
}

int16_t HostDocument::SaveEData(uint32_t tag, uint8_t* address, const void* buffer, uint32_t size,
                                uint32_t version) {
  ServiceCall call{"QX_SaveEData", tag, AddressCmper(address), AddressInci(address), size, version};
  if (!Admit(call) || !ReservedBytesClear(address)) return Finish(call, 0);
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  // Reuses the stored record's storage: a save copies the record and no more.
  const RecordKey key = KeyFor(tag, call.cmper, call.inci, std::nullopt);
  auto it = Locate(key);
  if (it == records_.end()) it = records_.emplace(key, Bytes()).first;
  it->second.assign(bytes, bytes + size);
  if (log_payloads && logging) call.payload.assign(bytes, bytes + size);
  return Finish(call, 1);
}

int16_t HostDocument::CreateEData(uint32_t tag, uint8_t* address, const void* buffer, uint32_t size,
                                  uint32_t version) {
  ServiceCall call{"QX_CreateEData",     tag,  AddressCmper(address),
                   AddressInci(address), size, version};
  if (!Admit(call) || !ReservedBytesClear(address)) return Finish(call, 0);
  RecordKey key = KeyFor(tag, call.cmper, call.inci, std::nullopt);
  // Rationale: a number to be assigned is one past the highest in use, and
  // 0xFFFF is the placeholder itself; when the highest in use leaves no
  // number after it, the create is refused, never wrapped round onto a
  // record that exists.
  if (call.cmper == kAssign) {
    // A new record under the next cmper of the tag, at inci 0.
    int next_cmper = 1;
    auto last = records_.upper_bound(RecordKey{key.part, tag, kAssign, kAssign});
    if (last != records_.begin()) {
      --last;
      if (last->first.part == key.part && last->first.tag == tag)
        next_cmper = std::max<int>(1, last->first.cmper + 1);
    }
    if (next_cmper >= kAssign) return Finish(call, 0);
    key.cmper = static_cast<uint16_t>(next_cmper);
    key.inci = 0;
  } else if (call.inci == kAssign) {
    // A new incidence after the existing ones of that cmper.
    int next_inci = 0;
    auto last = records_.upper_bound(RecordKey{key.part, tag, call.cmper, kAssign});
    if (last != records_.begin()) {
      --last;
      if (last->first.part == key.part && last->first.tag == tag && last->first.cmper == call.cmper)
        next_inci = last->first.inci + 1;
    }
    if (next_inci >= kAssign) return Finish(call, 0);
    key.inci = static_cast<uint16_t>(next_inci);
  } else if (records_.count(key) > 0) {
    return Finish(call, 0);
  }
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  records_[key].assign(bytes, bytes + size);
  if (log_payloads && logging) call.payload.assign(bytes, bytes + size);
  SetAddress(address, key.cmper, key.inci);
  return Finish(call, 1);
}

int16_t HostDocument::DeleteEData(uint32_t tag, uint8_t* address, uint32_t version) {
  ServiceCall call{"QX_DeleteEData", tag, AddressCmper(address), AddressInci(address), 0, version};
  if (!Admit(call) || !ReservedBytesClear(address)) return Finish(call, 0);
  fingers_.used = 0;
  return Finish(call, records_.erase(KeyFor(tag, call.cmper, call.inci, std::nullopt)) > 0 ? 1 : 0);
}

int16_t HostDocument::NextEData(uint32_t tag, uint8_t* address, uint32_t version) {
  ServiceCall call{"QX_NextEData", tag, AddressCmper(address), AddressInci(address), 0, version};
  if (!Admit(call) || !ReservedBytesClear(address)) return Finish(call, 0);
  RecordKey key = KeyFor(tag, call.cmper, call.inci, std::nullopt);
  // From a stored record the next one is its neighbour; from an address
  // that holds none, a search.
  auto it = Locate(key);
  it = it != records_.end() ? std::next(it) : records_.upper_bound(key);
  if (it == records_.end() || it->first.part != key.part || it->first.tag != tag) {
    if (!next_wraps_around) return Finish(call, 0);
    it = records_.lower_bound(RecordKey{key.part, tag, 0, 0});
    if (it == records_.end() || it->first.part != key.part || it->first.tag != tag)
      return Finish(call, 0);
  }
  Remember(it);
  if (!next_does_not_advance && odd_ != Answer::kStandsStill)
    SetAddress(address, it->first.cmper, it->first.inci);
  return Finish(call, 1);
}

int16_t HostDocument::SlotToInst(uint16_t slot, uint16_t context, uint32_t version) {
  ServiceCall call{"QX_SlotToInst", 0, 0, 0, 0, version, slot, context};
  if (!Admit(call)) return Finish(call, 0);
  auto it = slot_to_staff.find({slot, context});
  return Finish(call, it == slot_to_staff.end() ? 0 : it->second);
}

int16_t HostDocument::UpdateLayout(int32_t a, int32_t b, uint32_t version) {
  ServiceCall call{"QX_UpdateLayout", 0, 0, 0, 0, version, a, b};
  if (!Admit(call)) return Finish(call, 0);
  ++layout_updates;
  return Finish(call, 1);
}

int16_t HostDocument::GetCurrentCantorDocument(uint32_t version) {
  ServiceCall call{"QX_GetCurrentCantorDocument", 0, 0, 0, 0, version};
  if (!Admit(call)) return Finish(call, 0);
  return Finish(call, document_id);
}

int16_t HostDocument::GetCurrentPartID(uint32_t version) {
  ServiceCall call{"QX_GetCurrentPartID", 0, 0, 0, 0, version};
  if (!Admit(call)) return Finish(call, -1);
  return Finish(call, current_part);
}

int16_t HostDocument::SetCurrentPartID(int16_t part, uint32_t version) {
  ServiceCall call{"QX_SetCurrentPartID", 0, 0, 0, 0, version, part};
  if (!Admit(call)) return Finish(call, 0);
  current_part = part;
  return Finish(call, 1);
}

int16_t HostDocument::GetNextPartID(int16_t part, uint32_t version) {
  ServiceCall call{"QX_GetNextPartID", 0, 0, 0, 0, version, part};
  if (!Admit(call)) return Finish(call, -1);
  // The part after the first listing of `part`; a list that names a part
  // twice therefore makes the walk come round again, which tests rely on.
  auto it = std::find(parts.begin(), parts.end(), part);
  if (it == parts.end() || it + 1 == parts.end()) return Finish(call, -1);
  return Finish(call, *(it + 1));
}

}  // namespace standin
