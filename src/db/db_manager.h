// TDBManager: the program's tables, one of them current. The DB… script
// functions are thin wrappers around these operations, and the game and
// status saves call SaveTables / LoadTables.
//
// Contracts:
// - Table names are compared ignoring (ASCII) case. CreateTable refuses a
//   name that any table has; a load may still bring a game and a status
//   table of the same name, which stay separate (lookups take the first in
//   list order).
// - Current() is -1 or a valid index after every operation.
// - No operation evaluates cell text.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "db/db_table.h"

namespace opal {

class TStream;

// Manager block format number written before the tables.
inline constexpr int32_t kDBBlockVersion = 100;
// Status values of SaveTables / LoadTables and of TDBTable::Status.
inline constexpr uint8_t kDBGameTables = 0;
inline constexpr uint8_t kDBStatusTables = 1;

// What FindRecord found: the table, the record and the field's index.
struct TDBFound {
  TDBTable* Table = nullptr;
  int32_t Record = -1;
  int32_t Field = -1;
};

class TDBManager {
 public:
  TDBManager() = default;
  TDBManager(const TDBManager&) = delete;
  TDBManager& operator=(const TDBManager&) = delete;

  int32_t Count() const { return static_cast<int32_t>(Tables_.size()); }
  TDBTable* Table(int32_t i) const;
  int32_t Current() const { return Current_; }
  // The table at Current(), null when none.
  TDBTable* CurrentTable() const { return Table(Current_); }
  // Index of the first table of that name, -1 when none.
  int32_t IndexOf(std::string_view name) const;
  TDBTable* TableByName(std::string_view name) const { return Table(IndexOf(name)); }

  // Appends an empty table with that status and makes it current; returns
  // its index, or -1 (nothing changes) when the name is empty or taken.
  int32_t CreateTable(std::string_view name, uint8_t status);
  // Removes the table of that name; the current table stays current (found
  // again by name), -1 when it was the one removed. False when none.
  bool DeleteTable(std::string_view name);
  // Makes the table of that name current; false (nothing changes) when none.
  bool SetActive(std::string_view name);
  // Adds a field to the current table (types 1..4; `size` is the declared
  // length of a string, negative counting as 0). Returns the field's index,
  // or -1 when there is no current table, the type is unknown, a string is
  // longer than kDBMaxStringLength or the record would pass kDBMaxRecordSize.
  int32_t AddField(std::string_view name, uint8_t type, int32_t size);

  // Filter on the named table; the first matching record. True when there
  // is one and `field` names a field of that table; *found is filled as far
  // as it was found (Table when the table exists, Record when a record
  // matched, Field when the field exists).
  bool FindRecord(std::string_view table, std::span<const std::string> fields, std::span<const TDBValue> values,
                  bool ignoreCase, bool partial, std::string_view field, TDBFound* found) const;

  // The destination is cleared, takes a copy of the current table's field
  // list and receives byte copies of the current table's records at
  // `records` (indices out of range are skipped), each appended and made
  // current. False (nothing changes) when there is no current table, the
  // destination is missing, or it is the current table.
  bool CopyRecords(std::string_view destination, std::span<const int32_t> records);
  // Appends to the current table byte copies of the source's records at
  // `records` (each becomes current). The source may be the current table
  // itself: the records are copied before any is appended. False (nothing
  // changes) when there is no current table, the source is missing or the
  // two field lists differ (TDBFieldList::SameLayout).
  bool AppendRecords(std::string_view source, std::span<const int32_t> records);
  // Appends a byte copy of the current table's current record to the
  // destination, where it becomes current (DBCopy). False (nothing changes)
  // when there is no current table or record, the destination is missing,
  // or the layouts differ.
  bool CopyCurrentRecord(std::string_view destination);

  // Removes every game table; no table is current (the command Reset).
  void ResetTables();
  // Removes every table; no table is current.
  void ClearAll();

  // The manager block: int32 kDBBlockVersion, int32 count of the tables of
  // that status, per table (in list order) its Kind byte and its stream
  // form; the game form (kDBGameTables) ends with the current table's name
  // (empty when none).
  void SaveTables(TStream& s, uint8_t status) const;
  // Reads a block that SaveTables wrote: the tables of that status are
  // replaced by the block's (a table of another status in it is damage). The game form makes the table named at its end
  // current: a loaded table of that name, else any (-1 when no table has
  // the name); the status form makes the last
  // loaded table current (-1 when the block is empty). A damaged or cut
  // block throws (EFormatError, EStreamError) with a message naming what
  // was wrong, and every table and the current one stay as they were.
  void LoadTables(TStream& s, uint8_t status);

 private:
  std::vector<std::unique_ptr<TDBTable>> Tables_;
  int32_t Current_ = -1;
};

}  // namespace opal
