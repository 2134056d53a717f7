#include "bench/call_replay.h"

#include <cstring>

namespace bench {
namespace {

using LoadFn = int16_t (*)(uint32_t, void*, void*, int32_t*, uint32_t);
using SaveFn = int16_t (*)(uint32_t, void*, const void*, uint32_t, uint32_t);
using DeleteFn = int16_t (*)(uint32_t, void*, uint32_t);
using NextFn = int16_t (*)(uint32_t, void*, void*, void*, uint32_t);
using SlotFn = int16_t (*)(uint16_t, uint16_t, uint32_t);
using LayoutFn = int16_t (*)(int32_t, int32_t, uint32_t);
using VersionFn = int16_t (*)(uint32_t);
using PartFn = int16_t (*)(int16_t, uint32_t);

template <typename Fn>
Fn Service(const char* name) {
  return reinterpret_cast<Fn>(standin::FindService(name));
}

}  // namespace

CallReplay::CallReplay(std::vector<standin::ServiceCall> calls) : calls_(std::move(calls)) {
  static const std::map<std::string_view, Op> kOps = {
      {"QX_LoadEData", Op::kLoad},           {"QX_SaveEData", Op::kSave},
      {"QX_CreateEData", Op::kCreate},       {"QX_DeleteEData", Op::kDelete},
      {"QX_NextEData", Op::kNext},           {"QX_SlotToInst", Op::kSlot},
      {"QX_UpdateLayout", Op::kLayout},      {"QX_GetCurrentCantorDocument", Op::kDocument},
      {"QX_GetCurrentPartID", Op::kCurrent}, {"QX_SetCurrentPartID", Op::kSetCurrent},
      {"QX_GetNextPartID", Op::kNextPart},
  };
  for (const standin::ServiceCall& call : calls_) {
    auto it = kOps.find(call.service);
    ops_.push_back(it == kOps.end() ? Op::kUnknown : it->second);
  }
}

size_t CallReplay::Run() const {
  static const auto load = Service<LoadFn>("QX_LoadEData");
  static const auto save = Service<SaveFn>("QX_SaveEData");
  static const auto create = Service<SaveFn>("QX_CreateEData");
  static const auto erase = Service<DeleteFn>("QX_DeleteEData");
  static const auto next = Service<NextFn>("QX_NextEData");
  static const auto slot = Service<SlotFn>("QX_SlotToInst");
  static const auto layout = Service<LayoutFn>("QX_UpdateLayout");
  static const auto document = Service<VersionFn>("QX_GetCurrentCantorDocument");
  static const auto current = Service<VersionFn>("QX_GetCurrentPartID");
  static const auto set_current = Service<PartFn>("QX_SetCurrentPartID");
  static const auto next_part = Service<PartFn>("QX_GetNextPartID");

  uint8_t buffer[1024];
  size_t matching = 0;
  for (size_t i = 0; i < calls_.size(); ++i) {
    const standin::ServiceCall& call = calls_[i];
    uint8_t address[8] = {static_cast<uint8_t>(call.cmper), static_cast<uint8_t>(call.cmper >> 8),
                          static_cast<uint8_t>(call.inci), static_cast<uint8_t>(call.inci >> 8)};
    const auto written = static_cast<uint32_t>(call.payload.size());
    int16_t result = 0;
    switch (ops_[i]) {
      case Op::kLoad: {
        auto room = static_cast<int32_t>(call.size);
        if (room > static_cast<int32_t>(sizeof buffer)) room = sizeof buffer;
        result = load(call.tag, address, buffer, &room, call.version);
        break;
      }
      case Op::kSave:
        result = save(call.tag, address, call.payload.data(), written, call.version);
        break;
      case Op::kCreate:
        result = create(call.tag, address, call.payload.data(), written, call.version);
        break;
      case Op::kDelete:
        result = erase(call.tag, address, call.version);
        break;
      case Op::kNext:
        result = next(call.tag, address, nullptr, nullptr, call.version);
        break;
      case Op::kSlot:
        result =
            slot(static_cast<uint16_t>(call.arg1), static_cast<uint16_t>(call.arg2), call.version);
        break;
      case Op::kLayout:
        result = layout(call.arg1, call.arg2, call.version);
        break;
      case Op::kDocument:
        result = document(call.version);
        break;
      case Op::kCurrent:
        result = current(call.version);
        break;
      case Op::kSetCurrent:
        result = set_current(static_cast<int16_t>(call.arg1), call.version);
        break;
      case Op::kNextPart:
        result = next_part(static_cast<int16_t>(call.arg1), call.version);
        break;
      case Op::kUnknown:
        break;
    }
    if (result == call.result) ++matching;
  }
  return matching;
}

std::map<std::string, size_t> CallReplay::CallsByService() const {
  std::map<std::string, size_t> counts;
  for (const standin::ServiceCall& call : calls_) ++counts[std::string(call.service)];
  return counts;
}

}  // namespace bench
