// The record header, the reading and writing walks over a command's fields,
// the factory table and the state-record header.
#include "scenario/command.h"

#include <cstring>
#include <type_traits>

#include "common/error.h"
#include "scenario/command_classes.h"
#include "scenario/messages.h"
#include "storage/stream.h"

namespace opal {

namespace {

// The smallest embedded expression: its record count.
constexpr int64_t kMinExprBytes = 4;

class TRecordReader final : public TFieldVisitor {
 public:
  TRecordReader(TStream& s, int32_t version) : S_(s), Version_(version) {}

  void Expr(const char*, TOpalParser& e, int32_t since) override {
    if (Version_ < since) {
      e.Clear();
      return;
    }
    e.LoadFromStream(S_);
  }
  void ExprList(const char* key, TExprList& list) override {
    const int32_t n = ReadInt32(S_);
    if (n < 0 || n > S_.Remaining() / kMinExprBytes) {
      throw EFormatError(Format("%s list: %d expressions do not fit the data", key, n));
    }
    list.clear();
    for (int32_t i = 0; i < n; ++i) {
      auto e = std::make_unique<TOpalParser>();
      e->LoadFromStream(S_);
      list.push_back(std::move(e));
    }
  }
  void Text(const char*, std::string& s) override { s = ReadString(S_); }
  void Byte(const char*, uint8_t& b, const TEnumNames*) override { b = ReadByte(S_); }
  void Target(const char*, std::string& page, int32_t& index, int32_t since) override {
    page = ReadString(S_);
    index = Version_ >= since ? ReadInt32(S_) : 0;
  }
  void LoopTarget(const char*, int32_t& index, TLoopRole) override { index = ReadInt32(S_); }
  void Message(const char*, std::string& bytes) override {
    const int32_t n = ReadInt32(S_);
    if (n < 0 || n > S_.Remaining()) throw EFormatError(Format("message of %d bytes does not fit the data", n));
    bytes.resize(static_cast<size_t>(n));
    S_.ReadBuffer(bytes.data(), n);
  }
  void Properties(TPropertyExprs& props) override {
    for (TPropertyExpr& p : props) p.Expr->LoadFromStream(S_);
  }

 private:
  TStream& S_;
  int32_t Version_;
};

class TRecordWriter final : public TFieldVisitor {
 public:
  TRecordWriter(TStream& s, int32_t version) : S_(s), Version_(version) {}

  void Expr(const char*, TOpalParser& e, int32_t since) override {
    if (Version_ >= since) e.SaveToStream(S_);
  }
  void ExprList(const char*, TExprList& list) override {
    WriteInt32(S_, static_cast<int32_t>(list.size()));
    for (const auto& e : list) e->SaveToStream(S_);
  }
  void Text(const char*, std::string& s) override { WriteString(S_, s); }
  void Byte(const char*, uint8_t& b, const TEnumNames*) override { WriteByte(S_, b); }
  void Target(const char*, std::string& page, int32_t& index, int32_t since) override {
    WriteString(S_, page);
    if (Version_ >= since) WriteInt32(S_, index);
  }
  void LoopTarget(const char*, int32_t& index, TLoopRole) override { WriteInt32(S_, index); }
  void Message(const char*, std::string& bytes) override {
    WriteInt32(S_, static_cast<int32_t>(bytes.size()));
    S_.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  }
  void Properties(TPropertyExprs& props) override {
    for (TPropertyExpr& p : props) p.Expr->SaveToStream(S_);
  }

 private:
  TStream& S_;
  int32_t Version_;
};

template <typename T>
std::unique_ptr<TCommand> Make(TPage* page) {
  return std::make_unique<T>(page);
}

#define OPAL_COMMAND_ROW(code, name, cls) {code, name, Make<cls>, std::is_base_of_v<TComComponent, cls>},
// Indexed by code.
constexpr TCommandInfo kCommands[kCommandCodeCount] = {OPAL_COMMAND_CLASSES(OPAL_COMMAND_ROW)};
#undef OPAL_COMMAND_ROW

constexpr bool InCodeOrder() {
  for (int i = 0; i < kCommandCodeCount; ++i)
    if (kCommands[i].Code != i) return false;
  return true;
}
static_assert(InCodeOrder(), "the command classes are listed in code order");

constexpr char kStateMagic[] = "opal100";

}  // namespace

void TCommand::Load(TStream& s, int32_t version) {
  Indent = ReadInt32(s);
  StoredDisabled = ReadByte(s);
  StoredRunOn = ReadByte(s);
  Line = ReadInt32(s);
  TRecordReader reader(s, version);
  Fields(reader);
}

void TCommand::Save(TStream& s, int32_t version) {
  WriteInt32(s, Indent);
  WriteByte(s, StoredDisabled);
  WriteByte(s, StoredRunOn);
  WriteInt32(s, Line);
  TRecordWriter writer(s, version);
  Fields(writer);
}

const TCommandInfo* CommandInfo(int code) {
  return code >= 0 && code < kCommandCodeCount ? &kCommands[code] : nullptr;
}

const TCommandInfo* FindCommandInfo(std::string_view name) {
  for (const TCommandInfo& info : kCommands) {
    if (name == info.Name) return &info;
  }
  return nullptr;
}

void WriteStateHeader(TStream& s) { s.WriteBuffer(kStateMagic, 7); }

int ReadStateVersion(TStream& s) {
  const int64_t start = s.Position();
  char head[7];
  if (s.Read(head, 7) == 7 && std::memcmp(head, "opal", 4) == 0) {
    int version = 0;
    bool digits = true;
    for (int i = 4; i < 7; ++i) {
      digits = digits && head[i] >= '0' && head[i] <= '9';
      version = version * 10 + (head[i] - '0');
    }
    if (digits) return version;
  }
  s.SetPosition(start);
  return 0;
}

}  // namespace opal
