// HostDocument: the stand-in host's in-memory document.
//
// It plays the part of the notation program for the module: a record store
// keyed by tag, cmper and inci (layout records kept per part, all others
// document-wide), a list of parts with a current part, a document number, a
// slot-to-staff table and a count of layout updates. Every service call is
// logged, and faults can be injected: services missing, calls refused by a
// rule, load sizes misreported, next-record steps that do not advance.
//
// The document never includes the module's code; what it knows of records is
// only where they are kept. One document is "active" at a time: the exported
// QX_ services act on it.
#pragma once

#include <compare>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace standin {

using Bytes = std::vector<uint8_t>;

// Four-character tag, most significant byte first: MakeTag("SOMS").
constexpr uint32_t MakeTag(const char (&chars)[5]) {
  return (static_cast<uint32_t>(static_cast<uint8_t>(chars[0])) << 24) |
         (static_cast<uint32_t>(static_cast<uint8_t>(chars[1])) << 16) |
         (static_cast<uint32_t>(static_cast<uint8_t>(chars[2])) << 8) |
         static_cast<uint32_t>(static_cast<uint8_t>(chars[3]));
}

// Readable form of a tag: four characters, or 0x........ when not printable.
std::string TagName(uint32_t tag);

// Parses the form TagName writes; false when it is neither.
bool ParseTagName(const std::string& text, uint32_t* tag);

// True for the tags whose records each part keeps for itself (the record
// table, standin/store/record_layouts, says which).
bool IsPartScopedTag(uint32_t tag);

// Address of one stored record. `part` is the owning part for part-scoped
// tags and kDocumentWide for the others.
struct RecordKey {
  static constexpr int32_t kDocumentWide = -0x10000;
  int32_t part;
  uint32_t tag;
  uint16_t cmper;
  uint16_t inci;

  // Ordered by part, tag, cmper, inci, compared as two packed integers: the
  // store compares keys on every lookup.
  uint64_t High() const {
    return (static_cast<uint64_t>(static_cast<uint32_t>(part) ^ 0x80000000u) << 32) | tag;
  }
  uint32_t Low() const { return (static_cast<uint32_t>(cmper) << 16) | inci; }
  friend bool operator==(const RecordKey& a, const RecordKey& b) {
    return a.High() == b.High() && a.Low() == b.Low();
  }
  friend std::strong_ordering operator<=>(const RecordKey& a, const RecordKey& b) {
    if (a.High() != b.High()) return a.High() <=> b.High();
    return a.Low() <=> b.Low();
  }
};

// The record store: ordered by key. A copy is built in key order, so that the
// records of one kind lie side by side in memory, as a host keeps them; a
// walk over a kind then reads memory in order.
class RecordStore : public std::map<RecordKey, Bytes> {
 public:
  RecordStore() = default;
  RecordStore(const RecordStore& other) : std::map<RecordKey, Bytes>() { CopyFrom(other); }
  RecordStore& operator=(const RecordStore& other) {
    if (this != &other) {
      clear();
      CopyFrom(other);
    }
    return *this;
  }
  RecordStore(RecordStore&&) = default;
  RecordStore& operator=(RecordStore&&) = default;
  ~RecordStore() = default;

 private:
  void CopyFrom(const RecordStore& other) {
    for (const auto& record : other) emplace_hint(end(), record);
  }
};

// One service call as the host received it, with its answer.
struct ServiceCall {
  std::string_view service;  // "QX_LoadEData", ...; always a string literal
  uint32_t tag = 0;
  uint16_t cmper = 0;  // address block on entry
  uint16_t inci = 0;
  int64_t size = 0;  // room offered (load) or bytes written (save, create)
  uint32_t version = 0;
  int32_t arg1 = 0;  // part id, slot, or first layout argument
  int32_t arg2 = 0;  // slot context or second layout argument
  int16_t part = 0;  // current part when the call arrived
  int16_t result = 0;
  Bytes payload = {};  // bytes written (save, create), when payloads are logged

  // Short readable form, e.g. "QX_SaveEData SOSS 3/0 p1 28B v19000000 -> 1".
  std::string ToString() const;
};

class HostDocument {
 public:
  HostDocument();

  // --- State the tests and the document files set up directly. ---
  uint32_t host_version = 0x19000000;
  int16_t document_id = 1;
  std::vector<int16_t> parts{0};
  int16_t current_part = 0;
  std::map<std::pair<uint16_t, uint16_t>, int16_t> slot_to_staff;  // (slot, context)
  int layout_updates = 0;

  // Stores `bytes` as the record; part-scoped tags go to `part` (the current
  // part when omitted).
  void Put(uint32_t tag, uint16_t cmper, uint16_t inci, Bytes bytes,
           std::optional<int16_t> part = std::nullopt);
  // The stored record, or null.
  const Bytes* Find(uint32_t tag, uint16_t cmper, uint16_t inci,
                    std::optional<int16_t> part = std::nullopt) const;
  bool Erase(uint32_t tag, uint16_t cmper, uint16_t inci,
             std::optional<int16_t> part = std::nullopt);
  const RecordStore& records() const { return records_; }
  RecordStore& mutable_records() {
    fingers_.used = 0;  // the caller may erase records
    return records_;
  }
  RecordKey KeyFor(uint32_t tag, uint16_t cmper, uint16_t inci, std::optional<int16_t> part) const;

  // --- Call log. ---
  std::vector<ServiceCall> log;
  bool logging = true;
  bool log_payloads = false;  // keep the bytes of saves and creates, for replays
  // Log lines of the calls to `service` ("" for all), one per line.
  std::string LogText(std::string_view service = "") const;
  size_t CountCalls(std::string_view service) const;

  // --- Faults. ---
  std::set<std::string> missing_services;          // e.g. "QX_NextEData"
  std::function<bool(const ServiceCall&)> refuse;  // true: answer 0, change nothing
  std::optional<int32_t> reported_load_size;       // size written back by every load
  bool next_does_not_advance = false;              // next answers 1, address unchanged
  bool next_wraps_around = false;  // after the last record, next goes back to the first
  // An odd answer to one call, chosen per call (unset: every call answered
  // as it should be). Loads: kNoBytes finds the record and delivers none,
  // kShort delivers half of it, kLong reports more bytes than the room
  // offered; next-record steps: kStandsStill answers 1 and leaves the
  // address; any call: kRefused answers 0 and changes nothing.
  enum class Answer { kAsIs, kRefused, kNoBytes, kShort, kLong, kStandsStill };
  std::function<Answer(const ServiceCall&)> answer;

  // --- The services, as the exported QX_ functions call them. ---
  // A create never replaces a record: at an address in use it answers 0, and
  // a number it is to assign (0xFFFF) becomes one past the highest in use for
  // the tag (or the cmper's incidences); when that would be 0xFFFF or more,
  // no number is free and it answers 0.
  int16_t LoadEData(uint32_t tag, uint8_t* address, void* buffer, int32_t* size, uint32_t version);
  int16_t SaveEData(uint32_t tag, uint8_t* address, const void* buffer, uint32_t size,
                    uint32_t version);
  int16_t CreateEData(uint32_t tag, uint8_t* address, const void* buffer, uint32_t size,
                      uint32_t version);
  int16_t DeleteEData(uint32_t tag, uint8_t* address, uint32_t version);
  int16_t NextEData(uint32_t tag, uint8_t* address, uint32_t version);
  int16_t SlotToInst(uint16_t slot, uint16_t context, uint32_t version);
  int16_t UpdateLayout(int32_t a, int32_t b, uint32_t version);
  int16_t GetCurrentCantorDocument(uint32_t version);
  int16_t GetCurrentPartID(uint32_t version);
  int16_t SetCurrentPartID(int16_t part, uint32_t version);
  int16_t GetNextPartID(int16_t part, uint32_t version);

 private:
  // Logs the call and decides whether a refusal rule stops it.
  bool Admit(ServiceCall& call);
  int16_t Finish(ServiceCall& call, int16_t result);

  // Fingers: the record last found for each of a few kinds. A walk asks for
  // the record it just read or the one after it, so most lookups end at a
  // finger instead of descending the tree. Erasing records drops them all;
  // a copied document starts without any.
  struct Fingers {
    static constexpr int kCount = 8;
    Fingers() = default;
    Fingers(const Fingers&) {}
    Fingers& operator=(const Fingers&) {
      used = 0;
      return *this;
    }
    RecordStore::iterator at[kCount];
    int used = 0;
    int next_slot = 0;
  };
  // The stored record at `key`, or records_.end().
  RecordStore::iterator Locate(const RecordKey& key);
  void Remember(RecordStore::iterator it);

  RecordStore records_;
  Fingers fingers_;
  Answer odd_ = Answer::kAsIs;  // the answer chosen for the call being served
};

// Makes `document` the one the exported services act on (null: none; every
// service then answers 0). Returns the previous one.
HostDocument* SetActiveDocument(HostDocument* document);

// The address of the exported service `name`, or null when it does not exist
// or the active document lists it as missing. Lets in-process tests hand the
// module the host's services without a dynamic symbol lookup.
void (*FindService(const char* name))();

}  // namespace standin
