// Control-flow commands: conditions, labels, jumps and calls, loops, waits,
// resets, and the save and load requests. What they do when run belongs to
// the interpreter; here are their records and the fixed answers of their
// virtual operations.
#pragma once

#include "scenario/command.h"

namespace opal {

class TComIf : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 0; }
  void Execute(TCallMan& cm, TPage*& page, int32_t& index);
  void Fields(TFieldVisitor& v) override { v.Expr("", Condition); }
  TOpalParser Condition;
};

class TComElseif : public TComIf {
 public:
  using TComIf::TComIf;
  uint8_t Code() const override { return 1; }
  void Execute(TCallMan& cm, TPage*& page, int32_t& index);
};

class TComElse : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 2; }
  void Execute(TCallMan& cm, TPage*& page, int32_t& index);
  bool RunOn() const override { return true; }
};

class TComLabel : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 3; }
  // Exact and case-sensitive.
  bool IsLabel(std::string_view name) const override { return name == LabelName; }
  void Fields(TFieldVisitor& v) override { v.Text("", LabelName); }
  std::string LabelName;
};

// Never executed: the interpreter skips it as disabled.
class TComComment : public TComLabel {
 public:
  using TComLabel::TComLabel;
  uint8_t Code() const override { return 27; }
  bool Disabled() const override { return true; }
  bool RunOn() const override { return false; }
};

class TComJump : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 4; }
  void Execute(TCallMan& cm, TPage*& page, int32_t& index);
  void Fields(TFieldVisitor& v) override {
    v.Target("", PageName, TargetIndex);
    v.Expr("if", Condition);
  }
  std::string PageName;
  int32_t TargetIndex = 0;
  TOpalParser Condition;
};

class TComCall : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 5; }
  void Execute(TCallMan& cm, TPage*& page, int32_t& index);
  void Fields(TFieldVisitor& v) override {
    v.Target("", PageName, TargetIndex);
    v.Text("result", ResultVariable);
    v.Expr("if", Condition);
    v.ExprList("arg", Args);
  }
  std::string PageName;
  int32_t TargetIndex = 0;
  std::string ResultVariable;
  TOpalParser Condition;
  TExprList Args;
};

class TComExit : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 6; }
  void Execute(TCallMan& cm, TPage*& page, int32_t& index);
  void Fields(TFieldVisitor& v) override { v.Expr("", Condition); }
  TOpalParser Condition;
};

class TComBreak : public TComExit {
 public:
  using TComExit::TComExit;
  uint8_t Code() const override { return 34; }
  void Execute(TCallMan& cm, TPage*& page, int32_t& index);
  void Fields(TFieldVisitor& v) override {
    v.Expr("", Condition);
    v.LoopTarget("to", TargetIndex, TLoopRole::BreakTo);
  }
  int32_t TargetIndex = 0;  // negative: end the page
};

class TComContinue : public TComExit {
 public:
  using TComExit::TComExit;
  uint8_t Code() const override { return 35; }
  void Execute(TCallMan& cm, TPage*& page, int32_t& index);
  void Fields(TFieldVisitor& v) override {
    v.Expr("", Condition);
    v.LoopTarget("to", TargetIndex, TLoopRole::ContinueTo);
  }
  int32_t TargetIndex = 0;
};

class TComWait : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 7; }
  void Execute(TCallMan& cm, TPage*& page, int32_t& index);
  void Enter(TCallMan& cm);
  bool Yields() const override { return true; }
  bool BlocksEvents() const override { return Block != 0; }
  void Fields(TFieldVisitor& v) override {
    v.Expr("while", Condition);
    v.Expr("", Time);
    v.Expr("block", BlockEvents, 107);
  }
  // "opal100", Remaining, FirstFrame, Block.
  void SaveState(TStream& s) override;
  void LoadState(TStream& s) override;

  TOpalParser Condition, Time, BlockEvents;
  // Run-time state.
  int32_t Remaining = 0;
  int32_t FirstFrame = 1;
  uint8_t Block = 0;
};

class TComWhile : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 31; }
  void Execute(TCallMan& cm, TPage*& page, int32_t& index);
  void Fields(TFieldVisitor& v) override {
    v.Expr("", Condition);
    v.LoopTarget("to", ExitTarget, TLoopRole::WhileExit);
  }
  TOpalParser Condition;
  int32_t ExitTarget = 0;
};

class TComRuntime : public TCommand {
 public:
  using TCommand::TCommand;
};

class TComWhileInit : public TComRuntime {
 public:
  using TComRuntime::TComRuntime;
  uint8_t Code() const override { return 32; }
  void Execute(TCallMan& cm, TPage*& page, int32_t& index);
  bool RunOn() const override { return true; }
  void Fields(TFieldVisitor& v) override { v.Expr("", Expression); }
  TOpalParser Expression;
};

class TComWhileLoop : public TComWhileInit {
 public:
  using TComWhileInit::TComWhileInit;
  uint8_t Code() const override { return 33; }
  void Execute(TCallMan& cm, TPage*& page, int32_t& index);
  void Fields(TFieldVisitor& v) override {
    v.Expr("", Expression);
    v.LoopTarget("to", LoopTarget, TLoopRole::LoopBack);
  }
  int32_t LoopTarget = 0;
};

class TComDoEvent : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 46; }
  bool RunOn() const override { return false; }
  bool Yields() const override { return true; }
};

class TComPCReset : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 40; }
  void Execute(TCallMan& cm, TPage*& page, int32_t& index);
  void Fields(TFieldVisitor& v) override {
    v.Target("", PageName, TargetIndex);
    v.Byte("all", AllLevels);
  }
  std::string PageName;
  int32_t TargetIndex = 0;
  uint8_t AllLevels = 0;
};

// Its byte is stored and read, never used.
class TComReset : public TComPCReset {
 public:
  using TComPCReset::TComPCReset;
  uint8_t Code() const override { return 41; }
  void Execute(TCallMan& cm, TPage*& page, int32_t& index);
  void Fields(TFieldVisitor& v) override {
    v.Target("", PageName, TargetIndex);
    v.Byte("flag", AllLevels);
  }
};

class TComTerminate : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 45; }
  void Execute(TCallMan& cm, TPage*& page, int32_t& index);
};

class TComGameSave : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 38; }
  bool RunOn() const override { return false; }
  void Fields(TFieldVisitor& v) override {
    v.Expr("", Slot);
    v.Target("resume", ResumePage, ResumeTarget, 105);
    v.Expr("caption", Caption);
  }
  TOpalParser Slot;
  std::string ResumePage;
  int32_t ResumeTarget = 0;
  TOpalParser Caption;
};

class TComGameLoad : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 39; }
  bool RunOn() const override { return false; }
  void Fields(TFieldVisitor& v) override { v.Expr("", Slot); }
  TOpalParser Slot;
};

}  // namespace opal
