// TCommand, the root of the command classes, with the record header every
// command starts with, the field walk that the loader, the writer and the
// scenario text share, and the factory table of the 61 command codes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "expr/opal_parser.h"

namespace opal {

class TStream;
class TPage;
class TCallMan;  // the interpreter, which defines the run operations

// An owned list of embedded expressions (call arguments, object names).
using TExprList = std::vector<std::unique_ptr<TOpalParser>>;

// The expression of one property id of an object-creating command.
struct TPropertyExpr {
  int Id = 0;
  std::unique_ptr<TOpalParser> Expr;
};
using TPropertyExprs = std::vector<TPropertyExpr>;

// How a structured-loop target is found when scenario text leaves it out.
enum class TLoopRole { WhileExit, LoopBack, BreakTo, ContinueTo };

// Names of the values of an enumerated byte field, index = value.
struct TEnumNames {
  const char* const* Names;
  int Count;
};

// The stored fields of a command after its header, in record order. Each
// command lists them once; reading, writing, comparing and the text form
// are visitors, so they cannot disagree about a record. `key` is the
// field's name in scenario text; the empty key is the command's main field.
// `since` is the first page version that stores the field.
class TFieldVisitor {
 public:
  virtual ~TFieldVisitor() = default;
  virtual void Expr(const char* key, TOpalParser& e, int32_t since = 0) = 0;
  // An expression that evaluates to a property number (text writes it by
  // `PR_` name).
  virtual void PropIdExpr(const char* key, TOpalParser& e) { Expr(key, e); }
  // int32 N, then N expressions.
  virtual void ExprList(const char* key, TExprList& list) = 0;
  virtual void Text(const char* key, std::string& s) = 0;
  virtual void Byte(const char* key, uint8_t& b, const TEnumNames* names = nullptr) = 0;
  // A page name and a command index in it; the index is stored from `since`.
  virtual void Target(const char* key, std::string& page, int32_t& index, int32_t index_since = 0) = 0;
  // A command index in the same page that structured text computes.
  virtual void LoopTarget(const char* key, int32_t& index, TLoopRole role) = 0;
  // int32 L, then L bytes: a compiled message.
  virtual void Message(const char* key, std::string& bytes) = 0;
  // One expression per allocated property slot, in increasing id order.
  virtual void Properties(TPropertyExprs& props) = 0;
};

// A command record with the virtual operations its record and its saved
// run-time state answer; the defaults are the base behaviour (Code 8,
// stored RunOn and Disabled).
//
// What a command does when run (Enter, Execute, Abandon) is not a virtual
// operation here: a command class declares those of its own as plain
// members, the interpreter defines them (command_*_run.cpp) and calls them
// through its table of run operations by command code (command_runners.h),
// whose defaults are: Enter and Abandon do nothing, Execute steps on. So
// the page, its records and their text form link without the interpreter.
class TCommand {
 public:
  explicit TCommand(TPage* page) : Page(page) {}
  virtual ~TCommand() = default;
  TCommand(const TCommand&) = delete;
  TCommand& operator=(const TCommand&) = delete;

  virtual uint8_t Code() const { return 8; }
  virtual bool RunOn() const { return StoredRunOn != 0; }
  virtual bool Disabled() const { return StoredDisabled != 0; }
  virtual void SetDisabled(bool b) { StoredDisabled = b ? 1 : 0; }
  virtual bool BlocksEvents() const { return false; }
  virtual bool IsLabel(std::string_view) const { return false; }
  // Reads the header and then the fields stored by `version`; every count
  // and length is checked against the bytes that remain.
  virtual void Load(TStream& s, int32_t version);
  // The run-time state a command keeps while a handler runs above it.
  virtual void SaveState(TStream&) {}
  virtual void LoadState(TStream&) {}
  virtual bool Yields() const { return false; }

  // The record's fields after the header (none by default).
  virtual void Fields(TFieldVisitor&) {}
  // Writes the header and the fields of `version` (the loader's inverse).
  void Save(TStream& s, int32_t version);

  TPage* Page;
  int32_t Indent = 0;
  uint8_t StoredDisabled = 0;
  uint8_t StoredRunOn = 0;
  int32_t Line = 0;
};

inline constexpr int kCommandCodeCount = 61;

struct TCommandInfo {
  uint8_t Code;
  const char* Name;  // the system's own command name
  std::unique_ptr<TCommand> (*Create)(TPage* page);
  bool CreatesObject;  // its record holds object properties (a TComComponent)
};

// The row of a code 0..60, or nullptr.
const TCommandInfo* CommandInfo(int code);
// The row of a command name (exact spelling), or nullptr.
const TCommandInfo* FindCommandInfo(std::string_view name);

// Run-time state records start with "opal" and three digits.
void WriteStateHeader(TStream& s);
// The state version, or 0 (stream rewound) for a record without a header.
int ReadStateVersion(TStream& s);

}  // namespace opal
