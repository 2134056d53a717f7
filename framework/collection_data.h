// QCCollectionData: a collection of record objects of one class, filled from
// the host by walking the records of that class and written back from it.
// Each element is an independent object with its own address and bytes: the
// object that loaded a whole record, or a clone of the one that loaded a
// short record (so that its bytes past the delivered ones read as zero).
#pragma once

#include <cstdint>
#include <memory>

#include "framework/base_data.h"
#include "framework/collection.h"

class QCCollectionData : public QCCollection {
 public:
  const char* ClassName() const override;

  // A new default object of the element class, owned by the caller.
  virtual std::unique_ptr<QCBaseData> CreateElement() const = 0;
  // Replaces the content with every record of the kind, in the host's
  // order, starting from the element class's LoadFirst and following the
  // host's next-record step (MoveToNext, then LoadCurrent). Returns the
  // count. A host whose next-record step leaves the address where it was
  // ends the walk.
  virtual int32_t LoadAll();
  // Saves every element in position order; false at the first that fails
  // (the rest are not saved).
  virtual bool SaveAll();

  // True when the last LoadAll walked to the host's last record of the kind;
  // false when a record the host named could not be loaded or the host's
  // walk stood still, so that the collection may lack records. Callers that
  // rewrite records by their position among all of them need a whole list.
  bool Complete() const { return complete_; }

  // Written into the probe before loading and into every element before
  // saving; 0 means the element class's own tag.
  uint32_t ElementTagOverride() const { return element_tag_override_; }
  void SetElementTagOverride(uint32_t tag) { element_tag_override_ = tag; }

 protected:
  // A new element carrying the element tag override, to load records into.
  std::unique_ptr<QCBaseData> NewProbe() const;
  // Appends the record `probe` has just loaded; returns the object that is
  // to load the next one. A whole record is appended as it is and a new
  // object, at the same address, goes on; a short one is cloned and the
  // probe goes on.
  std::unique_ptr<QCBaseData> AppendLoaded(std::unique_ptr<QCBaseData> probe);

 private:
  uint32_t element_tag_override_ = 0;
  bool complete_ = false;
};
