// Text, variable and history commands.
#pragma once

#include "scenario/command.h"

namespace opal {

class TComTextIns : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 20; }
  bool Yields() const override { return WaitForWindow != 0; }
  bool BlocksEvents() const override { return Block != 0; }
  void Enter(TCallMan& cm);
  void Execute(TCallMan& cm, TPage*& page, int32_t& index);
  void Fields(TFieldVisitor& v) override {
    v.Message("", MessageData);
    v.Expr("window", Window);
    v.Expr("read", MarkAsRead);
    v.Expr("wait", Wait);
    v.Expr("block", BlockEvents, 107);
  }
  // "opal100", window name, WaitForWindow, Block.
  void SaveState(TStream& s) override;
  void LoadState(TStream& s) override;

  // The compiled message: a glyph stream.
  std::string MessageData;
  TOpalParser Window, MarkAsRead, Wait, BlockEvents;
  // Run-time state; the stage resolves the name to the window.
  std::string WindowName;
  uint64_t WindowId = 0;  // 0: found by name (after a load)
  uint8_t WaitForWindow = 0;
  uint8_t Block = 0;
};

class TComTextClr : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 28; }
  void Execute(TCallMan& cm, TPage*& page, int32_t& index);
  void Fields(TFieldVisitor& v) override { v.Expr("", Window); }
  TOpalParser Window;
};

class TComCallHist : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 29; }
  void Execute(TCallMan& cm, TPage*& page, int32_t& index);
  void Fields(TFieldVisitor& v) override {
    v.Expr("", Window);
    v.Expr("first", FirstEntry);
    v.Expr("count", EntryCount);
    v.Expr("playing", Playing);
    v.Expr("format", HistoryFormat, 111);
  }
  TOpalParser Window, FirstEntry, EntryCount, Playing, HistoryFormat;
};

class TComClrHist : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 22; }
  void Execute(TCallMan& cm, TPage*& page, int32_t& index);
};

class TComEntryHist : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 58; }
  void Execute(TCallMan& cm, TPage*& page, int32_t& index);
  void Fields(TFieldVisitor& v) override {
    v.Expr("", Object);
    v.Expr("format", HistoryFormat, 111);
  }
  TOpalParser Object, HistoryFormat;
};

class TComClrRead : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 47; }
  void Execute(TCallMan& cm, TPage*& page, int32_t& index);
};

class TComCalc : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 14; }
  void Execute(TCallMan& cm, TPage*& page, int32_t& index);
  void Fields(TFieldVisitor& v) override { v.Expr("", Expression); }
  TOpalParser Expression;
};

// Type 1..4 (integer, float, flag, string); scope 0..3 (global, level,
// local, persistent).
extern const TEnumNames kVarTypeNames;
extern const TEnumNames kVarScopeNames;

class TComVarNew : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 15; }
  void Execute(TCallMan& cm, TPage*& page, int32_t& index);
  void Fields(TFieldVisitor& v) override {
    v.Text("", Name);
    v.Byte("type", Type, &kVarTypeNames);
    v.Expr("value", Value);
    v.Byte("scope", Scope, &kVarScopeNames);
  }
  std::string Name;
  uint8_t Type = 1;
  TOpalParser Value;
  uint8_t Scope = 0;
};

class TComVarDel : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 16; }
  void Execute(TCallMan& cm, TPage*& page, int32_t& index);
  void Fields(TFieldVisitor& v) override { v.Text("", Name); }
  std::string Name;
};

}  // namespace opal
