// opaltool wipe render: one in-between picture of a screen transition from
// two PNG pictures, or a contact sheet of every kind the player builds.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "arguments.h"
#include "commands.h"
#include "common/error.h"
#include "imagefiles/image_loading.h"
#include "raster/dibx.h"
#include "raster/png_writer.h"
#include "stage/stage_services.h"
#include "storage/stream.h"
#include "wipes/create_wipe.h"

namespace opaltool {

namespace {

using opal::EOpalError;
using opal::Format;
using opal::TDIBX;

constexpr const char* kUsage =
    "usage: opaltool wipe render KIND OLD.png NEW.png -o OUT.png [options]\n"
    "       opaltool wipe render --sheet OLD.png NEW.png -o OUT.png [options]\n"
    "         --time MS         the moment shown (default: half the duration)\n"
    "         --duration MS     the length of the wipe (default 1000)\n"
    "         --reverse         the kind's other direction\n"
    "         --param0 N        the kind's parameter 0 (default: the kind's)\n"
    "         --param1 N        the kind's parameter 1 (default: the kind's)\n"
    "         --rule FILE.png   the rule picture of the shadow kinds\n"
    "         --depth N         the screen depth: 15, 16 or 32 (default 32)\n"
    "         --sheet           every kind built, a row each in kind order, at\n"
    "                           t = 0, T/4, T/2, 3T/4 and T - 1 from left to right\n"
    "         --shrink N        each sheet picture 1/N of the size (default 1)\n"
    "       The two pictures have the same size. Kinds without a wipe are an error.\n";

// The rule picture from a file on disk, by the name the wipe asks for.
class TDiskFiles : public opal::TStageFiles {
 public:
  void Load(std::string_view name, opal::TStream& out) override {
    opal::TMemoryStream data;
    data.LoadFromFile(std::string(name));
    out.WriteBuffer(data.Memory(), data.Size());
  }
};

std::unique_ptr<TDIBX> ReadPicture(const std::string& path, int32_t depth) {
  opal::TMemoryStream data;
  data.LoadFromFile(path);
  auto picture = std::make_unique<TDIBX>();
  picture->SetBitCount(depth);
  try {
    opal::LoadDIBXFromStream(*picture, &data, 0);
  } catch (const EOpalError& e) {
    throw EOpalError(path + ": " + e.what());
  }
  if (picture->Empty()) throw EOpalError(path + ": not a picture");
  return picture;
}

struct TOptions {
  int32_t Time = -1, Duration = 1000, Depth = 32, Shrink = 1;
  bool Reverse = false, HasParam0 = false, HasParam1 = false;
  int32_t Param0 = 0, Param1 = 0;
  std::string Rule;
};

// The picture of `kind` at time t into `dest` (old and new of its size and depth).
void RenderAt(int32_t kind, int32_t t, const TOptions& o, TDIBX& old, TDIBX& fresh, TDIBX& dest,
              TDiskFiles& files) {
  opal::TWipeRandom random(0);
  opal::TWipeContext context;
  context.Files = &files;
  context.Random = &random;
  std::string warning;
  context.Warn = [&warning](const std::string& m) { warning = m; };
  std::unique_ptr<opal::TCustomWipe> wipe = opal::CreateWipe(kind, &dest, &old, &fresh, context);
  if (wipe == nullptr) throw EUsageError(Format("kind %d has no wipe", kind));
  wipe->SetDuration(o.Duration);
  wipe->SetReverse(o.Reverse);
  if (o.HasParam0) wipe->SetParam(0, o.Param0);
  if (o.HasParam1) wipe->SetParam(1, o.Param1);
  if (!o.Rule.empty()) wipe->SetMaskFile(o.Rule);
  wipe->Prepare();
  if (!warning.empty()) throw EOpalError(warning);
  dest.Assign(&old);  // what the screen shows when the step draws nothing
  wipe->SetTime(t);
  wipe->Step();
}

void Save(TDIBX& picture, const std::string& path) {
  TDIBX out;
  out.SetSize(picture.Width(), picture.Height(), 32);
  out.Assign(&picture);
  opal::SavePng(out, path);
}

int Render(const Args& args) {
  TOptions o;
  std::string png, value;
  bool sheet = false;
  std::vector<std::string> operands;
  TArgWalker w(args);
  while (w.Next()) {
    if (w.Option("-o", png)) continue;
    if (w.Option("--time", value)) {
      o.Time = OptionNumber("--time", value);
    } else if (w.Option("--duration", value)) {
      o.Duration = OptionNumber("--duration", value);
    } else if (w.Option("--param0", value)) {
      o.Param0 = OptionNumber("--param0", value);
      o.HasParam0 = true;
    } else if (w.Option("--param1", value)) {
      o.Param1 = OptionNumber("--param1", value);
      o.HasParam1 = true;
    } else if (w.Option("--depth", value)) {
      o.Depth = OptionNumber("--depth", value);
    } else if (w.Option("--shrink", value)) {
      o.Shrink = OptionNumber("--shrink", value);
    } else if (w.Option("--rule", o.Rule)) {
    } else if (w.Flag("--reverse")) {
      o.Reverse = true;
    } else if (w.Flag("--sheet")) {
      sheet = true;
    } else {
      operands.push_back(w.Operand());
    }
  }
  const size_t wanted = sheet ? 2 : 3;
  if (operands.size() != wanted || png.empty())
    throw EUsageError(sheet ? "--sheet needs OLD.png NEW.png and -o OUT.png" : "render needs KIND OLD.png NEW.png and -o OUT.png");
  if (o.Depth != 15 && o.Depth != 16 && o.Depth != 32) throw EUsageError("--depth must be 15, 16 or 32");
  if (o.Duration < 1) throw EUsageError("--duration must be at least 1");
  if (o.Shrink < 1 || o.Shrink > 64) throw EUsageError("--shrink must be 1 to 64");
  if (o.Time < 0) o.Time = o.Duration / 2;

  std::unique_ptr<TDIBX> old = ReadPicture(operands[wanted - 2], o.Depth);
  std::unique_ptr<TDIBX> fresh = ReadPicture(operands[wanted - 1], o.Depth);
  if (old->Width() != fresh->Width() || old->Height() != fresh->Height())
    throw EOpalError(Format("the pictures differ in size (%dx%d and %dx%d)", old->Width(), old->Height(),
                            fresh->Width(), fresh->Height()));
  TDiskFiles files;
  TDIBX dest;
  dest.SetSize(old->Width(), old->Height(), o.Depth);
  if (!sheet) {
    RenderAt(OptionNumber("KIND", operands[0]), o.Time, o, *old, *fresh, dest, files);
    Save(dest, png);
    return 0;
  }

  int32_t count = 0;
  const opal::TWipeKindInfo* kinds = opal::WipeKinds(count);
  const int32_t T = o.Duration;
  const int32_t times[5] = {0, T / 4, T / 2, 3 * T / 4, T - 1};
  const int32_t cw = std::max(1, dest.Width() / o.Shrink), ch = std::max(1, dest.Height() / o.Shrink);
  constexpr int32_t kGap = 2;
  TDIBX contact;
  contact.SetSize(5 * cw + 4 * kGap, count * ch + (count - 1) * kGap, o.Depth);
  contact.Clear(static_cast<uint32_t>(contact.ColorToPixel(0x808080)));
  for (int32_t k = 0; k < count; ++k) {
    for (int32_t i = 0; i < 5; ++i) {
      RenderAt(kinds[k].Kind, times[i], o, *old, *fresh, dest, files);
      const int32_t x = i * (cw + kGap), y = k * (ch + kGap);
      contact.StretchDraw({x, y, x + cw, y + ch}, &dest, 255, false, false, false, dest.BoundsRect());
    }
  }
  Save(contact, png);
  return 0;
}

}  // namespace

int CmdWipe(const Args& args) { return RunSubcommands("wipe", kUsage, args, {{"render", Render}}); }

}  // namespace opaltool
