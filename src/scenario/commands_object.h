// Object commands: the object-creating commands with their property
// expressions, property access, deletion, cabinets, media control and the
// screen flip.
#pragma once

#include <array>

#include "scenario/command.h"
#include "stage/creation.h"

namespace opal {

using TPropertySet = std::array<uint8_t, 21>;

// An object-creating command. The page's property set for its code decides
// which property ids have an expression slot; the slots are allocated when
// the page creates the command, before its record is read.
class TComComponent : public TCommand {
 public:
  using TCommand::TCommand;
  void AllocateSlots(const TPropertySet& set);
  void Fields(TFieldVisitor& v) override { v.Properties(Props); }
  // The slot of a property id, or nullptr when the page's set lacks it.
  TOpalParser* Property(int id);
  // The values the slots' expressions yield, for ApplyCreationProperties.
  TCreationValue CreationValues(TCallMan& cm);
  TPropertyExprs Props;
};

class TComTimer : public TComComponent {
 public:
  using TComComponent::TComComponent;
  uint8_t Code() const override { return 11; }
};

class TComSound : public TComComponent {
 public:
  using TComComponent::TComComponent;
  uint8_t Code() const override { return 42; }
};

class TComCabinet : public TComComponent {
 public:
  using TComComponent::TComComponent;
  void Fields(TFieldVisitor& v) override {
    v.Properties(Props);
    v.Expr("exclude", ExcludeMode);
    v.ExprList("name", Names);
  }
  TOpalParser ExcludeMode;
  TExprList Names;
};

class TComCabinetSave : public TComCabinet {
 public:
  using TComCabinet::TComCabinet;
  uint8_t Code() const override { return 59; }
  void Execute(TCallMan& cm, TPage*& page, int32_t& index);
};

class TComCabinetLoad : public TComCabinet {
 public:
  using TComCabinet::TComCabinet;
  uint8_t Code() const override { return 60; }
  void Execute(TCallMan& cm, TPage*& page, int32_t& index);
};

// Creates a visual object.
class TComControl : public TComComponent {
 public:
  using TComComponent::TComComponent;
};

// The visual object commands differ only in their code.
template <uint8_t C>
class TComControlOf : public TComControl {
 public:
  using TComControl::TComControl;
  uint8_t Code() const override { return C; }
};

class TComBoxNew final : public TComControlOf<8> {
 public:
  using TComControlOf::TComControlOf;
  void Execute(TCallMan& cm, TPage*& page, int32_t& index);
};
class TComImgNew final : public TComControlOf<9> {
 public:
  using TComControlOf::TComControlOf;
  void Execute(TCallMan& cm, TPage*& page, int32_t& index);
};
class TComMesNew final : public TComControlOf<10> {
 public:
  using TComControlOf::TComControlOf;
  void Execute(TCallMan& cm, TPage*& page, int32_t& index);
};
class TComMovie final : public TComControlOf<12> { using TComControlOf::TComControlOf; };
class TComCinema final : public TComControlOf<23> { using TComControlOf::TComControlOf; };
class TComCaption final : public TComControlOf<24> { using TComControlOf::TComControlOf; };
class TComMenu final : public TComControlOf<25> { using TComControlOf::TComControlOf; };
class TComBtnNew final : public TComControlOf<30> { using TComControlOf::TComControlOf; };
class TComParticleNew final : public TComControlOf<36> { using TComControlOf::TComControlOf; };
class TComFireNew final : public TComControlOf<37> { using TComControlOf::TComControlOf; };
class TComEditNew final : public TComControlOf<43> { using TComControlOf::TComControlOf; };
class TComMemoNew final : public TComControlOf<44> { using TComControlOf::TComControlOf; };
class TComMapImgNew final : public TComControlOf<48> {
 public:
  using TComControlOf::TComControlOf;
  void Execute(TCallMan& cm, TPage*& page, int32_t& index);
};
class TComWaveNew final : public TComControlOf<49> { using TComControlOf::TComControlOf; };
class TComTileNew final : public TComControlOf<50> {
 public:
  using TComControlOf::TComControlOf;
  void Execute(TCallMan& cm, TPage*& page, int32_t& index);
};
class TComSliderNew final : public TComControlOf<51> { using TComControlOf::TComControlOf; };
class TComScrollbarNew final : public TComControlOf<52> { using TComControlOf::TComControlOf; };
class TComGaugeNew final : public TComControlOf<53> { using TComControlOf::TComControlOf; };
class TComCGCaption final : public TComControlOf<54> { using TComControlOf::TComControlOf; };
class TComPrevMenuNew final : public TComControlOf<56> { using TComControlOf::TComControlOf; };

class TOpalBaseList;

// Switches the screen to the other base through a wipe. The run is in
// phases: entered (0), one frame waited (1), the wipe running since
// StartTime (2), or nothing to wait for (3).
class TComFlip : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 13; }
  bool BlocksEvents() const override { return Block != 0; }
  // A flip that still has phases to go ends the pass on each of them, so a
  // wipe's time can pass between them.
  bool Yields() const override { return Phase != 3; }
  void Enter(TCallMan& cm);
  void Execute(TCallMan& cm, TPage*& page, int32_t& index);
  void Abandon();
  void Fields(TFieldVisitor& v) override {
    v.Expr("", Kind);
    v.Expr("time", Time);
    v.Expr("reverse", Reverse);
    v.Expr("mode", SelectionMode);
    v.ExprList("name", Names);
    v.Expr("clear", ClearOtherBase);
    v.Expr("param1", Param1);
    v.Expr("param2", Param2);
    v.Expr("text", WipeText, 101);
    v.Expr("block", BlockEvents, 107);
  }
  // "opal100", Block, ClearOther.
  void SaveState(TStream& s) override;
  void LoadState(TStream& s) override;

  TOpalParser Kind, Time, Reverse, SelectionMode;
  TExprList Names;
  TOpalParser ClearOtherBase, Param1, Param2, WipeText, BlockEvents;
  // Run-time state.
  uint8_t Block = 0;
  uint8_t ClearOther = 0;
  int32_t Phase = 0;
  uint32_t StartTime = 0;

 private:
  // Makes the other base the shown one and drops the snapshot; with
  // ClearOther, the children of the base left behind go too (cabinets only
  // when `cabinets`).
  void Finish(bool cabinets);

  // The stage of the last Enter or Execute, for Abandon, which is given
  // none, and the id of the snapshot this flip made.
  TOpalBaseList* Stage_ = nullptr;
  uint64_t SnapshotId_ = 0;
};

class TComGetProp : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 17; }
  void Execute(TCallMan& cm, TPage*& page, int32_t& index);
  void Fields(TFieldVisitor& v) override {
    v.Expr("", Object);
    v.PropIdExpr("prop", PropId);
    v.Text("var", Variable);
  }
  TOpalParser Object, PropId;
  std::string Variable;
};

class TComSetProp : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 18; }
  void Execute(TCallMan& cm, TPage*& page, int32_t& index);
  void Fields(TFieldVisitor& v) override {
    v.Expr("", Object);
    v.PropIdExpr("prop", PropId);
    v.Expr("value", Value);
  }
  TOpalParser Object, PropId, Value;
};

class TComObjDel : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 19; }
  void Execute(TCallMan& cm, TPage*& page, int32_t& index);
  void Fields(TFieldVisitor& v) override { v.Expr("", Object); }
  TOpalParser Object;
};

class TComMovieStop : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 21; }
  bool Yields() const override { return WaitFlag != 0; }
  bool BlocksEvents() const override { return Block != 0; }
  void Fields(TFieldVisitor& v) override {
    v.Expr("", Object);
    v.Expr("fade", FadeTime);
    v.Expr("after", AfterFade);
    v.Expr("block", BlockEvents, 107);
  }
  // "opal100", target name, Wait, Block.
  void SaveState(TStream& s) override;
  void LoadState(TStream& s) override;

  TOpalParser Object, FadeTime, AfterFade, BlockEvents;
  // Run-time state; the stage resolves the name to the object.
  std::string TargetName;
  uint8_t WaitFlag = 0;
  uint8_t Block = 0;
};

class TComMenuClose : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 26; }
  void Fields(TFieldVisitor& v) override { v.Expr("", Menu); }
  TOpalParser Menu;
};

class TComMediaPlay : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 55; }
  void Fields(TFieldVisitor& v) override { v.Expr("", Object); }
  TOpalParser Object;
};

class TComPropMotion : public TCommand {
 public:
  using TCommand::TCommand;
  uint8_t Code() const override { return 57; }
  void Fields(TFieldVisitor& v) override {
    v.Expr("", Name);
    v.Expr("target", TargetObject);
    v.PropIdExpr("prop", PropId);
    v.Expr("value", EndValue);
    v.Expr("time", Time);
    v.Expr("curve", Curve);
    v.Expr("paused", Paused, 108);
  }
  TOpalParser Name, TargetObject, PropId, EndValue, Time, Curve, Paused;
};

}  // namespace opal
