// What Flip does when run: it snapshots the shown base, moves the selected
// children to the other base, where the next screen was built, runs a wipe
// from the old picture to the new one and finally shows the other base.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "common/cp932.h"
#include "components/custom_image.h"
#include "expr/param_collection.h"
#include "scenario/call_man.h"
#include "scenario/commands_object.h"
#include "stage/base_list.h"
#include "stage/opal_base.h"

namespace opal {

namespace {

// Kinds above the last wipe count as no wipe, and so do negative ones.
constexpr int32_t kLastWipeKind = 38;

// The value of an expression, or nothing when it is absent or yields nothing.
const TCustomParam* Evaluate(TCallMan& cm, TOpalParser& e) {
  if (e.Ops.empty()) return nullptr;
  e.Execute(cm.Vars);
  return e.Result();
}

// An image of the stage's size showing what the active base shows now,
// placed on top of that base.
TOpalImage* MakeSnapshot(TOpalBaseList& stage) {
  stage.Draw();
  TOpalBase* active = stage.ActiveBase();
  auto* snapshot = stage.Create<TOpalImage>();
  snapshot->SetName(kSnapshotName);
  snapshot->Buffer.SetSize(stage.Width(), stage.Height(), stage.BitCount);
  if (TCustomDIBX* shown = active->GetCanvas(); shown != nullptr && !snapshot->Buffer.Empty()) {
    snapshot->Buffer.Assign(shown);
  }
  snapshot->SizeToPicture();
  snapshot->SetParent(active);
  snapshot->SetVisible(true);
  return snapshot;
}

}  // namespace

void TComFlip::Enter(TCallMan& cm) {
  Phase = 0;
  SnapshotId_ = 0;
  Stage_ = cm.Host.Stage();

  const TCustomParam* kindValue = Evaluate(cm, Kind);
  int32_t kind = kindValue != nullptr ? kindValue->AsInteger() : 0;
  if (kind < 0 || kind > kLastWipeKind) kind = 0;
  const TCustomParam* timeValue = Evaluate(cm, Time);
  const int32_t given = timeValue != nullptr ? timeValue->AsInteger() : 0;
  const bool timed = timeValue != nullptr && given > 0;
  const int32_t time = std::max(given, 1);

  const bool reverse = cm.Condition(Reverse, false);
  Block = cm.Condition(BlockEvents, false) ? 1 : 0;
  ClearOther = cm.Condition(ClearOtherBase, false) ? 1 : 0;
  const TCustomParam* modeValue = Evaluate(cm, SelectionMode);
  const bool selecting = modeValue != nullptr;
  const int32_t mode = selecting ? modeValue->AsInteger() : 0;
  std::vector<std::string> lines;
  for (const auto& e : Names) {
    if (const TCustomParam* r = Evaluate(cm, *e)) {
      for (std::string& line : cp932::SplitLines(r->AsString())) lines.push_back(std::move(line));
    }
  }

  TOpalBaseList* stage = Stage_;
  if (selecting) {
    const TOpalImage* snapshot = nullptr;
    if (timed) {
      if (stage != nullptr) {
        snapshot = MakeSnapshot(*stage);
        SnapshotId_ = snapshot->Id();
      }
    } else {
      Phase = 3;
    }
    if (stage != nullptr && (mode == 0 || mode == 1)) {
      TOpalBase* inactive = stage->OtherBase();
      const std::vector<TOpalControl*> children = stage->ActiveBase()->Children();
      for (size_t k = children.size(); k-- > 0;) {
        TOpalControl* child = children[k];
        if (child == snapshot || child->Name() == kSnapshotName) continue;
        const bool listed = std::find(lines.begin(), lines.end(), child->Name()) != lines.end();
        if (listed == (mode == 1)) child->SetParent(inactive);
      }
    }
  }
  if (Phase == 3) return;

  // The options are read whether or not the kind has a wipe, so that what
  // they do to variables does not depend on it.
  const TCustomParam* p0 = Evaluate(cm, Param1);
  const bool hasP0 = p0 != nullptr;
  const int32_t v0 = hasP0 ? p0->AsInteger() : 0;
  const TCustomParam* p1 = Evaluate(cm, Param2);
  const bool hasP1 = p1 != nullptr;
  const int32_t v1 = hasP1 ? p1->AsInteger() : 0;
  const TCustomParam* text = Evaluate(cm, WipeText);
  const bool hasText = text != nullptr;
  const std::string rule = hasText ? text->AsString() : std::string();
  if (stage == nullptr) return;
  // The stage's wipe parameter is the reverse flag; a wipe still running is
  // replaced.
  TStageWipe* wipe = stage->BeginTransition(stage->Active, kind, reverse ? 1 : 0, true, 0, time);
  if (wipe == nullptr) return;
  if (hasP0) wipe->SetParam(0, v0);
  if (hasP1) wipe->SetParam(1, v1);
  if (hasText) wipe->SetMaskFile(rule);
  wipe->Prepare();
}

void TComFlip::Execute(TCallMan& cm, TPage*&, int32_t& index) {
  Stage_ = cm.Host.Stage();
  switch (Phase) {
    case 0:
      Phase = 1;
      return;
    case 1:
      StartTime = cm.Run.GameTimeMs;
      Phase = 2;
      return;
    default:
      break;
  }
  if (Phase == 2 && Stage_ != nullptr) {
    // After a stage reset, a screen-mode change or a load the wipe is gone
    // (a kind without one never had it): the flip simply ends.
    const uint32_t elapsed = cm.Run.GameTimeMs - StartTime;
    const uint32_t total = static_cast<uint32_t>(std::max(Stage_->TransitionLength(), 0));
    if (Stage_->Transition() != nullptr && elapsed < total) {
      Stage_->SetTransitionTime(static_cast<int32_t>(elapsed));
      return;
    }
  }
  Finish(false);
  ++index;
}

void TComFlip::Abandon() { Finish(true); }

void TComFlip::Finish(bool cabinets) {
  TOpalBaseList* stage = Stage_;
  const uint64_t snapshotId = SnapshotId_;
  SnapshotId_ = 0;
  if (stage == nullptr) return;
  stage->BeginTransition(stage->Active ^ 1, 0, 0, true, 0, 0);
  if (TOpalObject* snapshot = snapshotId != 0 ? stage->ById(snapshotId) : nullptr) stage->DeleteObject(snapshot);
  if (ClearOther == 0) return;
  const std::vector<TOpalControl*> children = stage->OtherBase()->Children();
  for (TOpalControl* child : children) {
    if (cabinets || !child->IsCabinet()) stage->DeleteObject(child);
  }
}

}  // namespace opal
