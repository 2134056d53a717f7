// Calls into the host's exported services.
//
// The module links against nothing of the host. Each service is an export of
// the running host executable, looked up by name at its first use and cached
// for the module's lifetime, a missing one included: a service that is not
// there at its first call stays missing. The host module itself ("QUILLO.EXE",
// else "QUIDEMO.EXE") is looked up once, before the first service.
//
// Each wrapper passes its arguments through unchanged and, when the service is
// missing, returns a neutral value without calling anything (given per
// function). Records are addressed by an 8-byte address block that the host
// may rewrite: 16-bit cmper, 16-bit inci, four zero bytes, little-endian.
// [host thread only; not re-entrant]
#pragma once

#include <cstdint>

namespace host {

// Names the host executable may have, in lookup order.
inline constexpr const char* kHostModuleName = "QUILLO.EXE";
inline constexpr const char* kDemoHostModuleName = "QUIDEMO.EXE";

// Answer of the next-part service when there is no further part.
inline constexpr int16_t kNoPart = -1;

// Loads the record at `address` into `buffer`; `size` holds the room on entry
// and the bytes delivered on return. Nonzero when found. Missing: 0.
int16_t LoadEData(uint32_t tag, void* address, void* buffer, int32_t* size, uint32_t version);

// Writes `size` bytes at `address`, replacing any record there. Missing: 0.
int16_t SaveEData(uint32_t tag, void* address, const void* buffer, uint32_t size, uint32_t version);

// Creates a record; 0xFFFF numbers in the address ask the host to assign them,
// and the host writes the assigned address back. Missing: 0.
int16_t CreateEData(uint32_t tag, void* address, const void* buffer, uint32_t size,
                    uint32_t version);

// Deletes the record at `address`. Missing: 0.
int16_t DeleteEData(uint32_t tag, void* address, uint32_t version);

// Moves `address` to the next record of `tag`; nonzero when there was one.
// Missing: 0.
int16_t NextEData(uint32_t tag, void* address, uint32_t version);

// The staff at a slot; only ever compared. Missing: 0.
int16_t SlotToInst(uint16_t slot, uint16_t slot_context);

// Asks the host to update the layout (arguments 1, 0). Missing: nothing.
void UpdateLayout();

// The open document's number. Missing: 0.
int16_t GetCurrentCantorDocument();

// The current part's id. Missing: -1.
int16_t GetCurrentPartID();

// Makes `part_id` the part that later record calls act on. Missing: nothing.
void SetCurrentPartID(int16_t part_id);

// The part after `part_id`, or kNoPart when there is none. Missing: kNoPart,
// which ends a walk over the parts.
int16_t GetNextPartID(int16_t part_id);

}  // namespace host
