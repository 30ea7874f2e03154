// The stream form of one table.
#include <cstring>

#include "common/error.h"
#include "db/db_table.h"
#include "storage/stream.h"

namespace opal {

namespace {

// The smallest stream form of one field: Size, an empty name, Type.
constexpr int64_t kMinFieldBytes = 4 + 4 + 1;

[[noreturn]] void Damaged(const std::string& table, const char* what) {
  throw EFormatError(Format("table \"%s\": %s", table.c_str(), what));
}

}  // namespace

void TDBTable::SaveToStream(TStream& s, int32_t) const {
  WriteString(s, Name);
  WriteByte(s, Status);
  WriteInt32(s, Fields.Count());
  for (int32_t i = 0; i < Fields.Count(); ++i) {
    WriteInt32(s, Fields[i].Size);
    WriteString(s, Fields[i].Name);
    WriteByte(s, Fields[i].Type);
  }
  WriteInt32(s, RecordCount());
  for (const auto& r : Records_) s.WriteBuffer(r.data(), static_cast<int64_t>(r.size()));
  WriteInt32(s, RecNo_);
}

void TDBTable::LoadFromStream(TStream& s, int32_t) {
  TDBTable t;
  t.Name = ReadString(s);
  t.Status = ReadByte(s);
  if (t.Status > 1) Damaged(t.Name, "status is neither 0 nor 1");
  const int32_t fieldCount = ReadInt32(s);
  if (fieldCount < 0 || fieldCount > s.Remaining() / kMinFieldBytes) Damaged(t.Name, "field count does not fit the data");
  for (int32_t i = 0; i < fieldCount; ++i) {
    TDBField f;
    f.Size = ReadInt32(s);
    f.Name = ReadString(s);
    f.Type = ReadByte(s);
    if (!DBSizeFits(f.Type, f.Size)) Damaged(t.Name, "a field's size does not fit its type");
    if (t.Fields.AddField(f) < 0) Damaged(t.Name, "records are larger than 1 MiB");
  }
  const int32_t recordCount = ReadInt32(s);
  const int64_t recordSize = t.Fields.RecordSize();
  if (recordCount < 0 || recordCount > kDBMaxRecords ||
      recordCount * recordSize > s.Remaining() - 4) {
    Damaged(t.Name, "record count does not fit the data");
  }
  t.Records_.reserve(static_cast<size_t>(recordCount));
  for (int32_t i = 0; i < recordCount; ++i) {
    t.Records_.emplace_back(static_cast<size_t>(recordSize));
    s.ReadBuffer(t.Records_.back().data(), recordSize);
  }
  const int32_t recNo = ReadInt32(s);
  if (recNo < -1 || recNo >= recordCount) Damaged(t.Name, "current record is out of range");
  t.RecNo_ = recNo;

  Name = std::move(t.Name);
  Status = t.Status;
  Records_.clear();
  Fields.Clear();
  for (int32_t i = 0; i < t.Fields.Count(); ++i) Fields.AddField(t.Fields[i]);
  Records_ = std::move(t.Records_);
  RecNo_ = t.RecNo_;
}

}  // namespace opal
