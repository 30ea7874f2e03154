#include "db/db_manager.h"

#include <cstring>

#include "common/cp932.h"
#include "common/error.h"
#include "storage/stream.h"

namespace opal {

namespace {

// The smallest stream form of a table in a block: kind, empty name, status,
// field count, record count, RecNo.
constexpr int64_t kMinTableBytes = 1 + 4 + 1 + 4 + 4 + 4;

}  // namespace

TDBTable* TDBManager::Table(int32_t i) const {
  return i >= 0 && i < Count() ? Tables_[static_cast<size_t>(i)].get() : nullptr;
}

int32_t TDBManager::IndexOf(std::string_view name) const {
  for (size_t i = 0; i < Tables_.size(); ++i) {
    if (cp932::SameText(Tables_[i]->Name, name)) return static_cast<int32_t>(i);
  }
  return -1;
}

int32_t TDBManager::CreateTable(std::string_view name, uint8_t status) {
  if (name.empty() || IndexOf(name) >= 0) return -1;
  auto t = std::make_unique<TDBTable>();
  t->Name = std::string(name);
  t->Status = status;
  Tables_.push_back(std::move(t));
  Current_ = Count() - 1;
  return Current_;
}

bool TDBManager::DeleteTable(std::string_view name) {
  const int32_t i = IndexOf(name);
  if (i < 0) return false;
  const TDBTable* current = CurrentTable();
  Tables_.erase(Tables_.begin() + i);
  Current_ = -1;
  for (int32_t k = 0; k < Count(); ++k) {
    if (Tables_[static_cast<size_t>(k)].get() == current) Current_ = k;
  }
  return true;
}

bool TDBManager::SetActive(std::string_view name) {
  const int32_t i = IndexOf(name);
  if (i < 0) return false;
  Current_ = i;
  return true;
}

int32_t TDBManager::AddField(std::string_view name, uint8_t type, int32_t size) {
  TDBTable* t = CurrentTable();
  return t ? t->Fields.Add(name, type, size) : -1;
}

bool TDBManager::FindRecord(std::string_view table, std::span<const std::string> fields,
                            std::span<const TDBValue> values, bool ignoreCase, bool partial, std::string_view field,
                            TDBFound* found) const {
  TDBFound f;
  f.Table = TableByName(table);
  if (f.Table != nullptr) {
    std::vector<int32_t> hits;
    f.Table->Filter(hits, fields, partial, ignoreCase, values);
    if (!hits.empty()) f.Record = hits.front();
    f.Field = f.Table->Fields.IndexOf(field);
  }
  if (found != nullptr) *found = f;
  return f.Record >= 0 && f.Field >= 0;
}

bool TDBManager::CopyRecords(std::string_view destination, std::span<const int32_t> records) {
  TDBTable* src = CurrentTable();
  TDBTable* dst = TableByName(destination);
  if (src == nullptr || dst == nullptr || dst == src) return false;
  dst->Clear();
  for (int32_t i = 0; i < src->Fields.Count(); ++i) dst->Fields.AddField(src->Fields[i]);
  const size_t size = static_cast<size_t>(src->Fields.RecordSize());
  for (int32_t r : records) {
    const uint8_t* block = src->RecordAt(r);
    if (block == nullptr || !dst->Append()) continue;
    std::memcpy(dst->CurrentRecord(), block, size);
  }
  return true;
}

bool TDBManager::AppendRecords(std::string_view source, std::span<const int32_t> records) {
  TDBTable* dst = CurrentTable();
  const TDBTable* src = TableByName(source);
  if (dst == nullptr || src == nullptr || !dst->Fields.SameLayout(src->Fields)) return false;
  // Copied first: the source may be the destination, whose blocks move as it grows.
  std::vector<std::vector<uint8_t>> copies;
  const size_t size = static_cast<size_t>(src->Fields.RecordSize());
  for (int32_t r : records) {
    const uint8_t* block = src->RecordAt(r);
    if (block != nullptr) copies.emplace_back(block, block + size);
  }
  for (const auto& c : copies) {
    if (!dst->Append()) break;
    std::memcpy(dst->CurrentRecord(), c.data(), size);
  }
  return true;
}

bool TDBManager::CopyCurrentRecord(std::string_view destination) {
  TDBTable* src = CurrentTable();
  TDBTable* dst = TableByName(destination);
  if (src == nullptr || src->CurrentRecord() == nullptr || dst == nullptr || !dst->Fields.SameLayout(src->Fields)) {
    return false;
  }
  const uint8_t* block = src->CurrentRecord();
  const std::vector<uint8_t> copy(block, block + src->Fields.RecordSize());
  if (!dst->Append()) return false;
  std::memcpy(dst->CurrentRecord(), copy.data(), copy.size());
  return true;
}

void TDBManager::ResetTables() {
  Current_ = -1;
  std::erase_if(Tables_, [](const auto& t) { return t->Status == kDBGameTables; });
}

void TDBManager::ClearAll() {
  Tables_.clear();
  Current_ = -1;
}

void TDBManager::SaveTables(TStream& s, uint8_t status) const {
  WriteInt32(s, kDBBlockVersion);
  int32_t n = 0;
  for (const auto& t : Tables_) n += t->Status == status ? 1 : 0;
  WriteInt32(s, n);
  for (const auto& t : Tables_) {
    if (t->Status != status) continue;
    WriteByte(s, t->Kind());
    t->SaveToStream(s, kDBBlockVersion);
  }
  if (status == kDBGameTables) {
    const TDBTable* current = CurrentTable();
    WriteString(s, current ? current->Name : std::string());
  }
}

void TDBManager::LoadTables(TStream& s, uint8_t status) {
  const char* block = status == kDBGameTables ? "game table block" : "status table block";
  std::vector<std::unique_ptr<TDBTable>> loaded;
  std::string currentName;
  try {
    const int32_t version = ReadInt32(s);
    const int32_t n = ReadInt32(s);
    if (n < 0 || n > s.Remaining() / kMinTableBytes) throw EFormatError("table count does not fit the data");
    for (int32_t i = 0; i < n; ++i) {
      ReadByte(s);  // the kind: every table is a TDBTable
      auto t = std::make_unique<TDBTable>();
      t->LoadFromStream(s, version);
      if (t->Status != status) throw EFormatError(Format("table \"%s\" has another status", t->Name.c_str()));
      loaded.push_back(std::move(t));
    }
    if (status == kDBGameTables) currentName = ReadString(s);
  } catch (const EOpalError& e) {
    throw EFormatError(Format("%s: %s", block, e.what()));
  }

  std::erase_if(Tables_, [status](const auto& t) { return t->Status == status; });
  const int32_t first = Count();
  for (auto& t : loaded) Tables_.push_back(std::move(t));
  Current_ = -1;
  if (status == kDBGameTables) {
    for (int32_t i = first; i < Count() && Current_ < 0; ++i) {
      if (cp932::SameText(Tables_[static_cast<size_t>(i)]->Name, currentName)) Current_ = i;
    }
    if (Current_ < 0 && !currentName.empty()) Current_ = IndexOf(currentName);
  } else if (Count() > first) {
    Current_ = Count() - 1;
  }
}

}  // namespace opal
