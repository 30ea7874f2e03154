// The run-time state records of the waiting commands, the object commands'
// property slots, and the names of the variable declaration's bytes.
#include "common/error.h"
#include "scenario/commands_flow.h"
#include "scenario/commands_object.h"
#include "scenario/commands_text.h"
#include "scenario/page.h"
#include "storage/stream.h"

namespace opal {

namespace {

const char* const kTypes[] = {"", "int", "float", "flag", "string"};
const char* const kScopes[] = {"global", "level", "local", "persistent"};

}  // namespace

const TEnumNames kVarTypeNames = {kTypes, 5};
const TEnumNames kVarScopeNames = {kScopes, 4};

void TComWait::SaveState(TStream& s) {
  WriteStateHeader(s);
  WriteInt32(s, Remaining);
  WriteInt32(s, FirstFrame);
  WriteByte(s, Block);
}

void TComWait::LoadState(TStream& s) {
  if (ReadStateVersion(s) < 100) return;
  Remaining = ReadInt32(s);
  FirstFrame = ReadInt32(s);
  Block = ReadByte(s);
}

void TComFlip::SaveState(TStream& s) {
  WriteStateHeader(s);
  WriteByte(s, Block);
  WriteByte(s, ClearOther);
}

void TComFlip::LoadState(TStream& s) {
  if (ReadStateVersion(s) < 100) return;
  Block = ReadByte(s);
  ClearOther = ReadByte(s);
}

void TComMovieStop::SaveState(TStream& s) {
  WriteStateHeader(s);
  WriteString(s, TargetName);
  WriteByte(s, WaitFlag);
  WriteByte(s, Block);
}

void TComMovieStop::LoadState(TStream& s) {
  if (ReadStateVersion(s) < 100) return;
  TargetName = ReadString(s);
  WaitFlag = ReadByte(s);
  Block = ReadByte(s);
}

void TComTextIns::SaveState(TStream& s) {
  WriteStateHeader(s);
  WriteString(s, WindowName);
  WriteByte(s, WaitForWindow);
  WriteByte(s, Block);
}

void TComTextIns::LoadState(TStream& s) {
  if (ReadStateVersion(s) < 100) return;
  WindowName = ReadString(s);
  WaitForWindow = ReadByte(s);
  Block = ReadByte(s);
}

void TComComponent::AllocateSlots(const TPropertySet& set) {
  Props.clear();
  // Ids 163..167 fit the set's bytes but name no property.
  for (int id = 0; id < 163; ++id) {
    if (TPage::InSet(set, id)) Props.push_back({id, std::make_unique<TOpalParser>()});
  }
}

TOpalParser* TComComponent::Property(int id) {
  for (TPropertyExpr& p : Props) {
    if (p.Id == id) return p.Expr.get();
  }
  return nullptr;
}

}  // namespace opal
