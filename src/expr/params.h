// Script values: every value is a typed array (a scalar is one element
// without dimensions). `TCustomParam` is the family's root; the concrete
// classes store their own element type and convert on access.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/ext80.h"
#include "common/hash_collection.h"

namespace opal {

class TStream;
class TParamCollection;
class TParamCollectionItem;
class TParamVar;

// Type tags, shared by value streams and operation records.
inline constexpr uint8_t kTagVar = 0;
inline constexpr uint8_t kTagInt = 1;
inline constexpr uint8_t kTagFloat = 2;
inline constexpr uint8_t kTagFlag = 3;
inline constexpr uint8_t kTagStr = 4;

// No array may hold more elements than this: a bound on what a script or a
// damaged save can make the player allocate.
inline constexpr int32_t kMaxElements = 1 << 22;

using TDynamicIntArray = std::vector<int32_t>;

class TCustomParam {
 public:
  TCustomParam() = default;
  virtual ~TCustomParam() = default;
  TCustomParam(const TCustomParam&) = delete;
  TCustomParam& operator=(const TCustomParam&) = delete;

  virtual int32_t Count() const { return 1; }
  // Resizes, keeping the first elements and filling new ones with the default.
  virtual void SetCount(int32_t) {}
  virtual uint8_t ValueType() const { return kTagInt; }
  virtual bool AsFlag() const { return false; }
  virtual Extended AsFloat() const { return 0; }
  virtual int32_t AsInteger() const { return 0; }
  virtual std::string AsString() const { return {}; }
  // Scalar writes turn an array into a scalar first (MakeScalar).
  virtual void SetAsFlag(bool) {}
  virtual void SetAsFloat(Extended) {}
  virtual void SetAsInteger(int32_t) {}
  virtual void SetAsString(std::string_view) {}
  // Element accessors: an index outside 0..Count-1 throws.
  virtual int32_t GetInt(int32_t) const { return 0; }
  virtual void SetInt(int32_t, int32_t) {}
  virtual Extended GetFloat(int32_t) const { return 0; }
  virtual void SetFloat(int32_t, Extended) {}
  virtual bool GetFlag(int32_t) const { return false; }
  virtual void SetFlag(int32_t, bool) {}
  virtual std::string GetStr(int32_t) const { return {}; }
  virtual void SetStr(int32_t, std::string_view) {}
  // Length of Dims, or 1 for a scalar.
  virtual int32_t DimCount() const;
  // Entry k of Dims, or 1 for a scalar or k out of range.
  virtual int32_t DimSize(int32_t k) const;
  // Dims and raw elements of a value of the same class.
  virtual void AssignExact(const TCustomParam& other);
  // Back to the state of a new value of the same type; false when this
  // type cannot be reused so (the caller makes a new value instead).
  virtual bool ResetToNew() { return false; }
  // Every size must be >= 1 and the product at most kMaxElements, else it
  // throws and the value is unchanged.
  virtual void SetDims(std::span<const int32_t> sizes);
  // Each class fills only from its own type; other fills do nothing.
  virtual void FillInt(int32_t) {}
  virtual void FillFloat(Extended) {}
  virtual void FillFlag(bool) {}
  virtual void FillStr(std::string_view) {}
  // Same class only; takes the other's shape and elements.
  virtual void CopyFrom(const TCustomParam& other);
  virtual void SaveToStream(TStream& s) const;
  // `vars` binds references that the stream names (none without a table).
  virtual void LoadFromStream(TStream& s, const TParamCollection* vars);
  virtual void MakeScalar() {}
  // First element whose string form matches, or -1.
  virtual int32_t IndexOfText(std::string_view text, bool caseSensitive, bool partial) const;

  // The reference behind this value, when it is one.
  virtual TParamVar* AsVarRef() { return nullptr; }
  virtual const TParamVar* AsVarRef() const { return nullptr; }
  // System variable id 0..49, or -1 for every other value.
  virtual int SystemId() const { return -1; }
  // A detached deep copy of the same class.
  virtual std::unique_ptr<TCustomParam> Clone() const;

  // Takes the other's shape (a scalar gives the list [1]) and converts each
  // element to this value's own type.
  void AssignConvert(const TCustomParam& other);
  const TDynamicIntArray& Dims() const { return Dims_; }

 protected:
  void SaveDims(TStream& s) const;
  void LoadDims(TStream& s);
  // Throws the invalid-subscript error unless 0 <= i < Count().
  void CheckIndex(int32_t i) const;
  TDynamicIntArray Dims_;
};

// Element storage and conversions shared by the four concrete classes.
template <typename Derived, typename T, uint8_t Tag>
class TTypedParam : public TCustomParam {
 public:
  TTypedParam() : Items_(1) {}

  int32_t Count() const override { return static_cast<int32_t>(Items_.size()); }
  void SetCount(int32_t n) override;
  uint8_t ValueType() const override { return Tag; }
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
  void AssignExact(const TCustomParam& other) override;
  void CopyFrom(const TCustomParam& other) override;
  void SaveToStream(TStream& s) const override;
  void LoadFromStream(TStream& s, const TParamCollection* vars) override;
  void MakeScalar() override;
  std::unique_ptr<TCustomParam> Clone() const override;

  const std::vector<T>& Items() const { return Items_; }
  std::vector<T>& Items() { return Items_; }
  // Back to a fresh value's state: one default element, no dimensions.
  void ResetToDefault();
  bool ResetToNew() override {
    ResetToDefault();
    return true;
  }

 protected:
  std::vector<T> Items_;
};

class TParamInt final : public TTypedParam<TParamInt, int32_t, kTagInt> {
 public:
  void FillInt(int32_t v) override;
};

class TParamFloat final : public TTypedParam<TParamFloat, Extended, kTagFloat> {
 public:
  void FillFloat(Extended x) override;
};

// Elements are bytes 0 or 1.
class TParamFlag final : public TTypedParam<TParamFlag, uint8_t, kTagFlag> {
 public:
  void FillFlag(bool b) override;
};

class TParamStr final : public TTypedParam<TParamStr, std::string, kTagStr> {
 public:
  void FillStr(std::string_view s) override;
};

// A reference to another variable. Element operations pass their index
// through to the target; scalar reads and writes address ElementIndex; shape
// operations act on the target as a whole. Without a target reads give the
// defaults (Count 0, ValueType 0) and writes do nothing. Forwarding through
// chains of references is capped, so a cycle ends in an error.
class TParamVar final : public TCustomParam {
 public:
  TParamVar() = default;
  explicit TParamVar(std::string name) : RefName(std::move(name)) {}
  ~TParamVar() override;

  // Binds the target that RefName means now; throws when there is none.
  // A target that itself holds a reference lends us its element index.
  void Resolve(const TParamCollection& vars);
  // Binding refuses a target whose references lead back to this value.
  void Bind(TParamCollectionItem* target);
  void Unbind();
  TParamCollectionItem* Target() const { return Target_; }
  // Back to a fresh reference's state: unbound, no name, element 0.
  void ResetToDefault();
  bool ResetToNew() override {
    ResetToDefault();
    return true;
  }

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
  void AssignExact(const TCustomParam& other) override;
  void SetDims(std::span<const int32_t> sizes) override;
  void FillInt(int32_t v) override;
  void FillFloat(Extended x) override;
  void FillFlag(bool b) override;
  void FillStr(std::string_view s) override;
  void CopyFrom(const TCustomParam& other) override;
  void SaveToStream(TStream& s) const override;
  void LoadFromStream(TStream& s, const TParamCollection* vars) override;
  void MakeScalar() override;
  int32_t IndexOfText(std::string_view text, bool caseSensitive, bool partial) const override;
  TParamVar* AsVarRef() override { return this; }
  const TParamVar* AsVarRef() const override { return this; }
  std::unique_ptr<TCustomParam> Clone() const override;

  std::string RefName;
  uint8_t Reserved = 0;
  int32_t ElementIndex = 0;

 private:
  friend class TParamCollectionItem;
  TCustomParam* Fwd() const;
  TParamCollectionItem* Target_ = nullptr;
  THashNameCache NameCache_;  // where Resolve last found RefName
};

// A fresh value for the tag (top bit cleared): 0 a reference, 1..4 the
// element classes with one default element; nullptr for any other tag.
std::unique_ptr<TCustomParam> CreateValue(uint8_t tag);

// Joins sizes with "," for the invalid-element-count message.
std::string JoinSizes(std::span<const int32_t> sizes);

}  // namespace opal
