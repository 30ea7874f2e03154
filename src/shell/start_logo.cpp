// The start-up logo: a still picture of ours from the MADEWITH archive that
// the build links into the player, shown centred for a second before the
// project runs. A left click, Space or Enter ends it at once. The steps are
// those of the logo film: the first frame registers the archive and makes
// the object; a later frame that finds the object gone ends the logo and
// removes the archive again.
#include "shell/game_runtime.h"

#include "stage/opal_base.h"
#include "stage/properties.h"
#include "storage/resources.h"

namespace opal {

namespace {

constexpr const char* kLogoPicture = "MadeWithOpal\\logo.bri";
constexpr uint32_t kLogoMs = 1000;
constexpr int32_t kSpace = 32, kEnter = 13;

const auto Int = &TPropValue::OfInt;

}  // namespace

bool TGameRuntime::HasLogo() { return TResourceModule::Executable().Find("MADEWITH", "DATA") != nullptr; }

void TGameRuntime::RunLogo(TFormView& form) {
  TRunState& run = form.State();
  if (Stage_ == nullptr || !HasLogo()) {
    form.LogoDone = true;
    return;
  }
  if (LogoSourceIndex_ < 0) {
    LogoSourceIndex_ = form.Files().AddResourceArchive(TResourceModule::Executable(), "MADEWITH", "DATA");
    TOpalObject* logo = Stage_->CreateByKind(LT_IMAGES);
    if (logo == nullptr) {
      EndLogo(form);
      return;
    }
    logo->SetParent(Stage_->ActiveBase());
    logo->SetProperty(PR_SOURCE, TPropValue::OfStr(kLogoPicture));
    TPropValue w, h;
    logo->GetProperty(PR_WIDTH, w);
    logo->GetProperty(PR_HEIGHT, h);
    logo->SetProperty(PR_LEFT, Int((Stage_->Width() - w.Int) / 2));
    logo->SetProperty(PR_TOP, Int((Stage_->Height() - h.Int) / 2));
    logo->SetProperty(PR_VISIBLE, Int(1));
    LogoId_ = logo->Id();
    LogoStartMs_ = run.GameTimeMs;
    return;
  }
  TOpalObject* logo = Stage_->ById(LogoId_);
  if (logo == nullptr) {
    EndLogo(form);
    return;
  }
  const TMouseState& mouse = Stage_->ActiveBase()->Mouse;
  const bool skipped = mouse.LeftNow || Stage_->Keys.PressedSincePreviousStep(kSpace) ||
                       Stage_->Keys.PressedSincePreviousStep(kEnter);
  if (skipped || run.GameTimeMs - LogoStartMs_ >= kLogoMs) Stage_->DeleteObject(logo);
}

void TGameRuntime::EndLogo(TFormView& form) {
  form.LogoDone = true;
  if (LogoSourceIndex_ >= 0) form.Files().RemoveSource(LogoSourceIndex_);
  LogoSourceIndex_ = -1;
  LogoId_ = 0;
}

}  // namespace opal
