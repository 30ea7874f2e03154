// The 50 system variables: table entries whose values live in the player's
// state. `TParamSystem` holds the conversions every one of them shares; the
// state itself comes from a `TSysVarHost` that the player installs (without
// one, variables that the table does not back itself read as defaults and
// ignore writes).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "expr/params.h"

namespace opal {

inline constexpr int kSysVarCount = 50;
inline constexpr uint8_t kSysResult = 0;
inline constexpr uint8_t kSysTextDelay = 7;
inline constexpr uint8_t kSysParamStr = 10;
inline constexpr uint8_t kSysCursor = 27;
inline constexpr uint8_t kSysSelStr = 28;
inline constexpr uint8_t kSysSelIndex = 29;
inline constexpr uint8_t kSysKeyPush = 35;
inline constexpr uint8_t kSysKeyClick = 36;
inline constexpr uint8_t kSysKeyRepeat = 42;
inline constexpr uint8_t kSysTemp = 44;
inline constexpr uint8_t kSysMidiPorts = 46;

struct TSysVarInfo {
  const char* Name;
  uint8_t Type;  // tag 1..4; 0 for the two that take their target's type
};
extern const std::array<TSysVarInfo, kSysVarCount> kSysVarTable;

// A scalar in the variable's own type.
struct TSysValue {
  int32_t Int = 0;
  Extended Float = 0;
  bool Flag = false;
  std::string Str;
};

class TSysVarHost {
 public:
  virtual ~TSysVarHost() = default;
  // Current state of `id` in its own type (only the field of that type counts).
  virtual void Read(uint8_t id, TSysValue& out) = 0;
  // A script wrote `id`; the value is already in its own type.
  virtual void Write(uint8_t id, const TSysValue& value) = 0;
  // Element count of the array ids (@ParamStr, @MidiPorts) and their elements.
  virtual int32_t ArrayCount(uint8_t id) = 0;
  virtual bool ReadFlagAt(uint8_t id, int32_t index) = 0;
  virtual std::string ReadStrAt(uint8_t id, int32_t index) = 0;
  // The value @Result stands for now, or nullptr.
  virtual TCustomParam* ResultValue() = 0;
};

class TParamSystem final : public TCustomParam {
 public:
  TParamSystem(uint8_t id, TParamCollection* table) : Id_(id), Table_(table) {}

  int SystemId() const override { return Id_; }
  uint8_t Id() const { return Id_; }

  int32_t Count() const override;
  void SetCount(int32_t n) override;
  uint8_t ValueType() const override;
  bool AsFlag() const override;
  Extended AsFloat() const override;
  int32_t AsInteger() const override;
  std::string AsString() const override;
  void SetAsFlag(bool b) override;
  void SetAsFloat(Extended x) override;
  void SetAsInteger(int32_t v) override;
  void SetAsString(std::string_view s) override;
  int32_t GetInt(int32_t i) const override;
  void SetInt(int32_t i, int32_t v) override;
  Extended GetFloat(int32_t i) const override;
  void SetFloat(int32_t i, Extended x) override;
  bool GetFlag(int32_t i) const override;
  void SetFlag(int32_t i, bool b) override;
  std::string GetStr(int32_t i) const override;
  void SetStr(int32_t i, std::string_view s) override;
  int32_t DimCount() const override;
  int32_t DimSize(int32_t k) const override;
  void SetDims(std::span<const int32_t> sizes) override;
  void FillInt(int32_t v) override;
  void FillFloat(Extended x) override;
  void FillFlag(bool b) override;
  void FillStr(std::string_view s) override;
  void CopyFrom(const TCustomParam& other) override;
  void MakeScalar() override;
  std::unique_ptr<TCustomParam> Clone() const override;

 private:
  // @Result and @Temp: the value they stand for, or nullptr.
  TCustomParam* Forwarded() const;
  bool IsForwarding() const { return Id_ == kSysResult || Id_ == kSysTemp; }
  bool IsKeyArray() const { return Id_ == kSysKeyPush || Id_ == kSysKeyClick || Id_ == kSysKeyRepeat; }
  uint8_t OwnType() const;
  TSysValue ReadNative() const;
  void WriteNative(const TSysValue& v);

  uint8_t Id_;
  TParamCollection* Table_;
};

}  // namespace opal
