// Typed in-memory tables: a field list, fixed-size record blocks and a
// current record. TDBCustomTable is the interface (every operation empty or
// answering 0, -1 or false); TDBTable keeps the records.
//
// Contracts:
// - Every record block is exactly Fields.RecordSize() bytes; RecNo() is -1
//   or a valid record index, after every operation.
// - Reads and writes convert between the field's type and the asked one:
//     field \ as   integer            float     boolean       string
//     integer      itself             exact     != 0          decimal text
//     float        nearest, ties even itself    != 0          15-digit general text
//     boolean      0 or 1             0 or 1    byte != 0     "TRUE" / "FALSE"
//     string       integer text or 0  float or 0 == "TRUE"    text to the zero byte
//   A float becomes an integer by rounding to nearest with ties to even; NaN
//   gives 0 and values beyond the int32 range saturate. Text written into a
//   string field is cut to its declared length in bytes (a double-byte
//   character may be cut in half); the rest of the field is zero-filled.
// - Accessors answer false for a record or field index out of range and
//   change nothing; "ByName" forms act on the current record.
// - Nothing here evaluates cell text: cells are data.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "common/ext80.h"
#include "db/db_field.h"

namespace opal {

class TStream;

// A search value: integer, float, boolean or string. monostate stands for a
// value of any other type, which restricts nothing.
using TDBValue = std::variant<std::monostate, int32_t, Extended, bool, std::string>;

// The rounding of a float into an integer field (ties to even, NaN 0,
// saturating at the int32 range).
int32_t DBRoundToInt(Extended x);

class TDBCustomTable {
 public:
  TDBCustomTable() = default;
  virtual ~TDBCustomTable() = default;
  TDBCustomTable(const TDBCustomTable&) = delete;
  TDBCustomTable& operator=(const TDBCustomTable&) = delete;

  // Written before each table in a manager block.
  virtual uint8_t Kind() const { return 0; }
  virtual int32_t RecordCount() const { return 0; }
  virtual int32_t RecNo() const { return -1; }
  // Block of the current record, null when there is none.
  virtual uint8_t* CurrentRecord() { return nullptr; }
  // Block of record i, null when out of range.
  virtual uint8_t* RecordAt(int32_t) { return nullptr; }
  virtual const uint8_t* RecordAt(int32_t) const { return nullptr; }
  // Every record grows by `size` zero bytes at its end.
  virtual void FieldAdded(uint8_t /*type*/, int32_t /*size*/) {}
  // The bytes of field `index` are cut out of every record.
  virtual void FieldRemoved(int32_t /*index*/) {}
  // A zero-filled record is appended and becomes current; false when the
  // table holds kDBMaxRecords already.
  virtual bool Append() { return false; }
  // Frees the current record; later records move down; RecNo stays, or
  // becomes the last index when it is past the end (-1 when empty). False
  // when there is no current record.
  virtual bool Delete() { return false; }
  virtual bool First() { return false; }
  virtual bool Last() { return false; }
  virtual bool Next() { return false; }
  virtual bool Prior() { return false; }
  // n >= count: false; n < 0: no current record, true; else RecNo = n.
  virtual bool SetRecNo(int32_t) { return false; }

  virtual bool GetInt(int32_t, int32_t, int32_t&) const { return false; }
  virtual bool SetInt(int32_t, int32_t, int32_t) { return false; }
  virtual bool GetFloat(int32_t, int32_t, Extended&) const { return false; }
  virtual bool SetFloat(int32_t, int32_t, Extended) { return false; }
  virtual bool GetBool(int32_t, int32_t, bool&) const { return false; }
  virtual bool SetBool(int32_t, int32_t, bool) { return false; }
  virtual bool GetStr(int32_t, int32_t, std::string&) const { return false; }
  virtual bool SetStr(int32_t, int32_t, std::string_view) { return false; }

  bool GetIntByName(std::string_view field, int32_t& v) const;
  bool SetIntByName(std::string_view field, int32_t v);
  bool GetFloatByName(std::string_view field, Extended& v) const;
  bool SetFloatByName(std::string_view field, Extended v);
  bool GetBoolByName(std::string_view field, bool& v) const;
  bool SetBoolByName(std::string_view field, bool v);
  bool GetStrByName(std::string_view field, std::string& v) const;
  bool SetStrByName(std::string_view field, std::string_view v);

  // Appends to `result` the indices of the records that match (see
  // TDBTable::Filter).
  virtual void Filter(std::vector<int32_t>& /*result*/, std::span<const std::string> /*fields*/, bool /*partial*/,
                      bool /*ignoreCase*/, std::span<const TDBValue> /*values*/) const {}
  // Clears the table and loads tab-separated lines into it; false always.
  virtual bool LoadTsv(const std::vector<std::string>& /*lines*/) { return false; }
  // Removes all fields and records.
  virtual void Clear() {}
  // Removes all records, keeps the fields.
  virtual void ClearRecords() {}
  virtual void SaveToStream(TStream& /*s*/, int32_t /*version*/) const {}
  virtual void LoadFromStream(TStream& /*s*/, int32_t /*version*/) {}
  // Orders the records by the named fields (see TDBTable::Sort).
  virtual void Sort(std::span<const std::string> /*fields*/, const std::vector<bool>& /*descending*/) {}

 protected:
  // Field index of `field` for the ByName forms, -1 when none.
  virtual int32_t FieldIndex(std::string_view) const { return -1; }
};

class TDBTable : public TDBCustomTable {
 public:
  TDBTable() : Fields(this) {}

  TDBFieldList Fields;
  std::string Name;
  // 1 status table (saved once for the installation), 0 game table.
  uint8_t Status = 0;

  int32_t RecordCount() const override { return static_cast<int32_t>(Records_.size()); }
  int32_t RecNo() const override { return RecNo_; }
  uint8_t* CurrentRecord() override;
  uint8_t* RecordAt(int32_t i) override;
  const uint8_t* RecordAt(int32_t i) const override;
  void FieldAdded(uint8_t type, int32_t size) override;
  void FieldRemoved(int32_t index) override;
  bool Append() override;
  bool Delete() override;
  bool First() override;
  bool Last() override;
  bool Next() override;
  bool Prior() override;
  bool SetRecNo(int32_t n) override;

  bool GetInt(int32_t rec, int32_t field, int32_t& v) const override;
  bool SetInt(int32_t rec, int32_t field, int32_t v) override;
  bool GetFloat(int32_t rec, int32_t field, Extended& v) const override;
  bool SetFloat(int32_t rec, int32_t field, Extended v) override;
  bool GetBool(int32_t rec, int32_t field, bool& v) const override;
  bool SetBool(int32_t rec, int32_t field, bool v) override;
  bool GetStr(int32_t rec, int32_t field, std::string& v) const override;
  bool SetStr(int32_t rec, int32_t field, std::string_view v) override;

  // Without fields or without values every index is appended in order.
  // Otherwise the first min(fields, values) pairs are compared per record:
  // an integer, float or boolean value equals the field read in that type; a
  // string value compares with the field's text: partial and ignoreCase, the
  // upper-cased value occurs in the upper-cased text; partial, it occurs in
  // the text; ignoreCase, equal ignoring ASCII case; else byte-equal. An
  // empty value never occurs partially; monostate values restrict nothing.
  // A name that is no field ends the search at once with nothing appended
  // (no record can have matched before the search reaches it).
  void Filter(std::vector<int32_t>& result, std::span<const std::string> fields, bool partial, bool ignoreCase,
              std::span<const TDBValue> values) const override;
  // Undoes the escapes (\" \\ and \n as CR LF), reads line 0 as the field
  // declarations ("name [int|float|bool|other [length]]", length 80 when
  // missing or no number) and every later non-empty line as a record set
  // cell by cell through SetStr; cells beyond the field count are ignored.
  // An empty name, or a declaration the field list refuses, removes all
  // fields and ends the load. `lines` are a file's text as
  // cp932::SplitLines cuts it. False in every case.
  bool LoadTsv(const std::vector<std::string>& lines) override;
  void Clear() override;
  void ClearRecords() override;
  // Name, Status, fields (Size, Name, Type), record count, raw records,
  // RecNo; integers little-endian, strings as an int32 length and bytes.
  void SaveToStream(TStream& s, int32_t version) const override;
  // Reads what SaveToStream writes. Every count and size is checked against
  // the bytes left and the bounds above; a field's Size must fit its type,
  // Status must be 0 or 1 and RecNo -1 or a record. A damaged or cut block
  // throws (EFormatError, EStreamError) and leaves the table unchanged.
  void LoadFromStream(TStream& s, int32_t version) override;
  // Keys: for i below min(fields, descending), the field named by fields[i]
  // (names that are no field are skipped) with flag descending[i]. Numbers
  // (integer, float, boolean as 0/1) in numeric order with NaN before every
  // other value, strings in byte order; a true flag reverses that key's
  // order, whatever its type. The order is stable (equal records keep their
  // order) and strict, so a sort repeats exactly. RecNo is unchanged.
  void Sort(std::span<const std::string> fields, const std::vector<bool>& descending) override;

 protected:
  int32_t FieldIndex(std::string_view field) const override { return Fields.IndexOf(field); }

 private:
  // The cell of (rec, field), null when either is out of range.
  const uint8_t* Cell(int32_t rec, int32_t field) const;
  uint8_t* Cell(int32_t rec, int32_t field);

  std::vector<std::vector<uint8_t>> Records_;
  int32_t RecNo_ = -1;
};

}  // namespace opal
