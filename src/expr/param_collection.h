// The variable table: named variables on the 256-bucket name hash, with the
// scope rules of global, level-owned, local and persistent variables, and
// the save blocks of game and status variables.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/hash_collection.h"
#include "expr/params.h"

namespace opal {

class TSysFuncMan;
class TSysVarHost;

// One variable. It owns its value; references bound to it are unbound when
// it goes, so no reference ever points at a freed variable.
class TParamCollectionItem : public THashCollectionItem {
 public:
  explicit TParamCollectionItem(std::unique_ptr<TCustomParam> value) : Value(std::move(value)) {}
  ~TParamCollectionItem() override;

  bool IsSystem() const { return Value->SystemId() >= 0; }
  int32_t AsInteger() const { return Value->AsInteger(); }
  void SetAsInteger(int32_t v) { Value->SetAsInteger(v); }

  std::unique_ptr<TCustomParam> Value;  // never null
  uint8_t Reserved = 0;                 // kept and saved, otherwise unused
  uint8_t Persistent = 0;               // 1: saved in the status block
  int32_t OwnerLevel = -1;              // call level that owns it, -1 none
  uint8_t IsLocal = 0;

 private:
  friend class TParamVar;
  friend class TParamCollection;
  // Unbinds every reference bound to this variable, as its end does.
  void DropReferrers();
  std::vector<TParamVar*> Referrers_;
};

// Declaration scopes.
inline constexpr uint8_t kScopeGlobal = 0;
inline constexpr uint8_t kScopeLevel = 1;
inline constexpr uint8_t kScopeLocal = 2;
inline constexpr uint8_t kScopePersistent = 3;

// Settings of the default message history that game saves of versions
// 113..134 carry inside the variable block.
using THistorySettings = std::array<int32_t, 6>;

class TParamCollection : public THashCollection {
 public:
  TParamCollection() = default;
  ~TParamCollection() override;

  TParamCollectionItem* Var(int32_t index) const { return static_cast<TParamCollectionItem*>(Item(index)); }

  // The variable a name means now: a local one owned by CurrentLevel wins at
  // once, else the oldest non-local match; nullptr when none.
  TParamCollectionItem* FindVar(std::string_view name) const { return FindVar(name, nullptr); }
  // The same, remembering the name's slot in `cache` for the next lookup.
  TParamCollectionItem* FindVar(std::string_view name, THashNameCache* cache) const;
  // local: the first local match owned by CurrentLevel; else the first
  // non-local match.
  TParamCollectionItem* FindScoped(std::string_view name, bool local) const;
  // Appends an unnamed variable holding CreateValue(tag); an unknown tag throws.
  TParamCollectionItem* AddVar(uint8_t tag);
  // Appends `var` (which belongs to no table) under `name`, which the caller
  // has checked with IsValidVarName.
  TParamCollectionItem* AddVar(std::unique_ptr<TParamCollectionItem> var, std::string_view name);
  // Non-empty, no space, not beginning with a digit.
  static bool IsValidVarName(std::string_view name);
  // Renames; an invalid name throws and the variable keeps its old name.
  void NameVar(TParamCollectionItem* var, std::string_view name);
  // Frees the variable (it leaves the table).
  void DeleteVar(TParamCollectionItem* var);
  // Takes the variable at `index` out of the table as DeleteVar would, with
  // every reference to it unbound, and hands it back unfreed.
  std::unique_ptr<TParamCollectionItem> ExtractVar(int32_t index);
  // The evaluator's temporaries, the innermost evaluation's last; each
  // evaluation frees its own and leaves the ones below it alone.
  struct TTempVar {
    TParamCollectionItem* Var;
    int32_t Id;
    int32_t Index;
  };
  std::vector<TTempVar> Temps;
  // Spare variables for the evaluator's temporaries, so that an evaluation
  // does not allocate a table entry per step. A spare belongs to no table;
  // its Value is null or a small plain value to reuse. TakeSpare gives null
  // when there is none.
  std::unique_ptr<TParamCollectionItem> TakeSpare();
  void KeepSpare(std::unique_ptr<TParamCollectionItem> var);
  // A detached copy of the named variable's value; nullptr when there is
  // none; a value of tag 0 throws.
  std::unique_ptr<TCustomParam> CopyVarValue(std::string_view name) const;
  // Binds `ref` to element name[indices] (ocDimTo). Negative indices pass;
  // the element accessors refuse them later.
  void BindElement(TParamVar& ref, std::string_view name, std::span<const int32_t> indices) const;
  // The same for the variable that FindVar(name) gives, already found.
  void BindElement(TParamVar& ref, TParamCollectionItem& target, std::string_view name,
                   std::span<const int32_t> indices) const;

  // The declaration command's lookup and creation: the variable found by
  // FindScoped (local exactly for scope 2) or a new one of `tag` with the
  // scope's fields. nullptr when the variable found is persistent: such a
  // declaration does nothing, not even evaluate its initial value.
  TParamCollectionItem* Declare(std::string_view name, uint8_t tag, uint8_t scope);

  void DropLevel(int32_t level);
  // Deletes every variable that is neither a system variable nor
  // persistent; TextDelay 50, CursorName empty.
  void ResetVars();
  // The 50 system variables in id order; call once on an empty table.
  void CreateSystemVars();

  void SaveGameVars(TStream& s) const;
  // `history` receives the six history settings of versions 113..134.
  void LoadGameVars(TStream& s, int32_t version, THistorySettings* history = nullptr);
  void SaveStatusVars(TStream& s) const;
  void LoadStatusVars(TStream& s);

  int32_t CurrentLevel = 0;
  std::string SelStr;
  int32_t SelIndex = -1;
  int32_t TextDelay = 50;
  std::string CursorName;
  std::string TempTarget;  // the name @Temp aliases

  // Not owned. The dispatcher of ocFunc records; without one every function
  // call fails. The host behind the system variables; without one they read
  // their defaults.
  TSysFuncMan* SysFuncs = nullptr;
  TSysVarHost* SysVarHost = nullptr;
  // Nesting of running Execute calls on this table (re-entrant evaluation).
  int32_t ExecuteDepth = 0;

 private:
  static constexpr size_t kMaxSpares = 64;
  std::vector<std::unique_ptr<TParamCollectionItem>> Spares_;
  void WriteRecords(TStream& s, std::vector<const TParamCollectionItem*> list) const;
  void ReadRecords(TStream& s, int32_t count);
  void DeleteOrdinary();
};

}  // namespace opal
