// Fields of a table and the field list that lays out its records. A record
// is one fixed-size byte block; a field's bytes start at the sum of the
// sizes of the fields before it.
//
// Contracts:
// - A field's Size always matches its type: 4 (integer), 10 (float, 10-byte
//   extended), 1 (boolean), declared length + 1 (string, length at most
//   kDBMaxStringLength). The list refuses any field that would break this or
//   push RecordSize past kDBMaxRecordSize, so every record block a table
//   holds is exactly RecordSize bytes and at most 1 MiB.
// - The list tells its table before it changes (FieldAdded, FieldRemoved),
//   so the records always match the list.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace opal {

class TDBCustomTable;

// Field types, as stored in the stream form.
inline constexpr uint8_t kDBInteger = 1;
inline constexpr uint8_t kDBFloat = 2;
inline constexpr uint8_t kDBBoolean = 3;
inline constexpr uint8_t kDBString = 4;

// Bounds on what a script or a damaged save can make a table hold.
inline constexpr int32_t kDBMaxStringLength = 65535;
inline constexpr int32_t kDBMaxRecordSize = 1 << 20;
inline constexpr int32_t kDBMaxRecords = 1 << 20;

// Bytes of a field of `type` declared with `length` (used by strings only;
// a negative length counts as 0); -1 for an unknown type or a string longer
// than kDBMaxStringLength.
int32_t DBFieldSize(uint8_t type, int32_t length);
// Whether `size` is the size of some field of `type` (what a loaded or
// copied field must satisfy).
bool DBSizeFits(uint8_t type, int32_t size);
// "int", "float", "bool", "str"; "?" for an unknown type.
const char* DBTypeName(uint8_t type);

struct TDBField {
  int32_t Size = 0;
  std::string Name;
  uint8_t Type = 0;
};

class TDBFieldList {
 public:
  explicit TDBFieldList(TDBCustomTable* table) : Table_(table) {}
  TDBFieldList(const TDBFieldList&) = delete;
  TDBFieldList& operator=(const TDBFieldList&) = delete;

  int32_t Count() const { return static_cast<int32_t>(Items_.size()); }
  const TDBField& operator[](int32_t i) const { return Items_[static_cast<size_t>(i)]; }
  // Byte offset of field i in a record.
  int32_t Offset(int32_t i) const { return Offsets_[static_cast<size_t>(i)]; }
  int32_t RecordSize() const { return RecordSize_; }
  // First field whose name matches ignoring (ASCII) case, else -1. Names
  // need not be unique.
  int32_t IndexOf(std::string_view name) const;

  // Appends a field of `type` declared with `length` (DBFieldSize); the
  // table's records grow first. Returns the new index, or -1 when refused
  // (unknown type, string too long, record too large); nothing changes then.
  int32_t Add(std::string_view name, uint8_t type, int32_t length);
  // Appends a copy of `field` (Size taken as it stands); -1 when its Size
  // does not fit its type or the record would grow too large.
  int32_t AddField(const TDBField& field);
  // Removes field `index` (the table cuts its bytes out of every record
  // first); false when out of range.
  bool Remove(int32_t index);
  // Removes every field without touching the records (the table clears
  // those itself).
  void Clear();
  // Same count and, per position, the same name (case-sensitive), type and
  // size: records of one can be copied byte for byte into the other.
  bool SameLayout(const TDBFieldList& other) const;

 private:
  TDBCustomTable* Table_;
  std::vector<TDBField> Items_;
  std::vector<int32_t> Offsets_;
  int32_t RecordSize_ = 0;
};

}  // namespace opal
