// The game's word host.
#include "components/word_host.h"

#include "common/diagnostics.h"
#include "common/error.h"
#include "expr/opal_parser.h"
#include "expr/param_collection.h"
#include "imagefiles/brio_frame_list.h"
#include "storage/stream.h"

namespace opal {

std::shared_ptr<TWordPicture> WordPictureOf(const TBrioFrameList& list) {
  if (list.Count() == 0) return nullptr;
  auto picture = std::make_shared<TWordPicture>();
  for (int32_t i = 0; i < list.Count(); ++i) {
    const TBrioFrame& f = *list.Frames(i);
    TWordPicture::Frame frame;
    auto pixels = std::make_shared<TDIBX>();
    f.ToPixelBuffer(*pixels);
    frame.Pixels = pixels;
    if (f.HasAlpha()) {
      auto mask = std::make_shared<TDIBX>();
      f.MaskToPixelBuffer(*mask);
      frame.Mask = mask;
    }
    frame.UseKey = f.TransparentValue >= 0;
    frame.Time = f.DisplayTime;
    picture->Frames.push_back(std::move(frame));
  }
  return picture;
}

namespace {

std::optional<std::string> Run(TOpalParser& p, TParamCollection& vars) {
  p.Execute(vars);
  const TCustomParam* r = p.Result();
  if (r == nullptr) return std::nullopt;
  return r->AsString();
}

}  // namespace

std::optional<std::string> TGameWordHost::EvaluateText(const std::string& source) {
  TOpalParser p;
  if (Vars == nullptr || !CompileText(source, p)) return std::nullopt;
  return Run(p, *Vars);
}

std::optional<std::string> TGameWordHost::EvaluateCompiled(const std::string& compiled) {
  if (Vars == nullptr || compiled.empty()) return std::nullopt;
  try {
    TMemoryStream s(std::vector<uint8_t>(compiled.begin(), compiled.end()));
    TOpalParser p;
    p.LoadFromStream(s);
    return Run(p, *Vars);
  } catch (const EOpalError& e) {
    ReportError(std::string("an expression in the text cannot be read: ") + e.what());
    return std::nullopt;
  }
}

std::shared_ptr<const TWordPicture> TGameWordHost::LoadPicture(const std::string& file) {
  if (!Reader || file.empty()) return nullptr;
  try {
    TMemoryStream data;
    if (!Reader(file, data)) return nullptr;
    data.SetPosition(0);
    TBrioFrameList list;
    list.LoadFromStream(data, false);
    return WordPictureOf(list);
  } catch (const EOpalError& e) {
    // The text shows without the picture.
    ReportError("picture " + file + " in the text: " + e.what());
    return nullptr;
  }
}

}  // namespace opal
