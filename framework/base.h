// QCBase: the root of every framework object.
//
// It holds no data. It gives each class a number and one fixed name, a
// same-class test that compares names by identity, and virtual destruction.
#pragma once

#include <cstdint>

// Class numbers answered by ClassID(). Every class not listed answers 0.
namespace class_id {
inline constexpr int32_t kNone = 0;
inline constexpr int32_t kEnclosure = 26;
inline constexpr int32_t kFreezeSystem = 32;
inline constexpr int32_t kMeasure = 49;
inline constexpr int32_t kMeasureNumberRegion = 51;
inline constexpr int32_t kMultiMeasureRest = 56;
inline constexpr int32_t kMultiMeasureRestPrefs = 57;
inline constexpr int32_t kPart = 71;
inline constexpr int32_t kStaffSystem = 97;
inline constexpr int32_t kSystemStaff = 101;

// Two classes that shared a number would pass each other's RecordCast. Each
// number is a case label here, and the compiler refuses two equal labels: a
// new class's number gets its case beside its constant.
constexpr bool IsClassNumber(int32_t id) {
  switch (id) {
    case kNone:
    case kEnclosure:
    case kFreezeSystem:
    case kMeasure:
    case kMeasureNumberRegion:
    case kMultiMeasureRest:
    case kMultiMeasureRestPrefs:
    case kPart:
    case kStaffSystem:
    case kSystemStaff:
      return true;
    default:
      return false;
  }
}
}  // namespace class_id

class QCBaseData;

class QCBase {
 public:
  QCBase() = default;
  virtual ~QCBase() = default;

  // The concrete class's number; 0 for classes without one.
  virtual int32_t ClassID() const { return class_id::kNone; }

  // The class's one fixed name. Each class returns the same static text on
  // every call, so names can be compared by address.
  virtual const char* ClassName() const;

  // False for null; otherwise true exactly when `other` answers the very same
  // name text (compared by identity). Classes that keep their base's name
  // compare equal to it.
  virtual bool IsSameClass(const QCBase* other) const;

  // This object as a data record, or null: answered by QCBaseData, for
  // RecordCast to that branch.
  virtual QCBaseData* AsData() { return nullptr; }

 protected:
  // Framework objects own host records and collections, so they are not
  // copied by accident; plain-data classes may opt in.
  QCBase(const QCBase&) = default;
  QCBase& operator=(const QCBase&) = default;
};

// `object` as a T, else null: the module's one checked downcast. A record
// class has a number of its own, so for it this costs one virtual call, for
// the paths that run once per record. The framework's record branches
// (QCBaseData, QCInciOther) answer through accessors of their own, declared
// with them; for any other class the language's own check decides.
template <typename T>
T* RecordCast(QCBase* object) {
  if constexpr (requires { T::kClassID; }) {
    static_assert(class_id::IsClassNumber(T::kClassID), "give the class number its case");
    return object != nullptr && object->ClassID() == T::kClassID ? static_cast<T*>(object)
                                                                 : nullptr;
  } else {
    return dynamic_cast<T*>(object);
  }
}

template <typename T>
const T* RecordCast(const QCBase* object) {
  return RecordCast<T>(const_cast<QCBase*>(object));
}
