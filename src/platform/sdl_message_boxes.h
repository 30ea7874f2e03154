// TSdlMessageBoxes: the player's questions and notices as SDL message
// boxes over the main window. Answers queued by an input script are taken
// first (the box is then only printed), so scripted runs never wait.
#pragma once

#include "platform/message_boxes.h"

struct SDL_Window;

namespace opal {

class TSdlMessageBoxes : public MessageBoxes {
 public:
  explicit TSdlMessageBoxes(SDL_Window* parent = nullptr) : Parent_(parent) {}
  TMsgAnswer Show(const std::string& text, const std::string& caption, TMsgButtons buttons, TMsgIcon icon,
                  TMsgAnswer unattended = TMsgAnswer::Cancel) override;

  std::deque<TMsgAnswer> Answers;  // scripted answers, in order

 private:
  SDL_Window* Parent_;
};

}  // namespace opal
