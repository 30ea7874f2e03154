// What the game gives its message windows' text engines: VAR glyphs
// evaluated with the game's variables, and inline pictures read from the
// game data as layered images.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "text/sk_word.h"

namespace opal {

class TBrioFrameList;
class TParamCollection;
class TStream;

// The frames of a layered image as the text engine draws them.
std::shared_ptr<TWordPicture> WordPictureOf(const TBrioFrameList& list);

class TGameWordHost : public TWordHost {
 public:
  // The game's variables (none: VAR shows nothing).
  TParamCollection* Vars = nullptr;
  // Reads a file of the game data; false when there is none.
  std::function<bool(const std::string& name, TStream& out)> Reader;

  std::optional<std::string> EvaluateText(const std::string& source) override;
  std::optional<std::string> EvaluateCompiled(const std::string& compiled) override;
  std::shared_ptr<const TWordPicture> LoadPicture(const std::string& file) override;
};

}  // namespace opal
