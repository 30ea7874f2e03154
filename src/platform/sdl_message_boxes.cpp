#include "platform/sdl_message_boxes.h"

#include <SDL.h>

namespace opal {

namespace {

struct TButtonSet {
  TMsgAnswer Answers[2];
  const char* Labels[2];
  int Count;
};

const TButtonSet& ButtonsOf(TMsgButtons b) {
  static const TButtonSet kOk{{TMsgAnswer::Ok, TMsgAnswer::Ok}, {"OK", "OK"}, 1};
  static const TButtonSet kOkCancel{{TMsgAnswer::Ok, TMsgAnswer::Cancel}, {"OK", "Cancel"}, 2};
  static const TButtonSet kYesNo{{TMsgAnswer::Yes, TMsgAnswer::No}, {"Yes", "No"}, 2};
  switch (b) {
    case TMsgButtons::OkCancel: return kOkCancel;
    case TMsgButtons::YesNo: return kYesNo;
    default: return kOk;
  }
}

}  // namespace

TMsgAnswer TSdlMessageBoxes::Show(const std::string& text, const std::string& caption, TMsgButtons buttons,
                                  TMsgIcon icon, TMsgAnswer unattended) {
  if (!Answers.empty()) {
    TScriptedMessageBoxes scripted;
    scripted.Answers.push_back(Answers.front());
    Answers.pop_front();
    return scripted.Show(text, caption, buttons, icon, unattended);
  }
  const TButtonSet& set = ButtonsOf(buttons);
  SDL_MessageBoxButtonData data[2];
  for (int i = 0; i < set.Count; ++i) {
    data[i].flags = i == 0 ? SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT : SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
    if (set.Count == 1) data[i].flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
    data[i].buttonid = i;
    data[i].text = set.Labels[i];
  }
  const std::string title = cp932::ToUtf8(caption), message = cp932::ToUtf8(text);
  SDL_MessageBoxData box{};
  box.flags = icon == TMsgIcon::Warning ? SDL_MESSAGEBOX_WARNING : SDL_MESSAGEBOX_INFORMATION;
  box.window = Parent_;
  box.title = title.c_str();
  box.message = message.c_str();
  box.numbuttons = set.Count;
  box.buttons = data;
  int hit = -1;
  if (SDL_ShowMessageBox(&box, &hit) != 0) {
    // No box can be shown: print it and take the caller's answer.
    TScriptedMessageBoxes printed;
    return printed.Show(text, caption, buttons, icon, unattended);
  }
  if (hit < 0 || hit >= set.Count) hit = set.Count - 1;  // closed: the escape answer
  return set.Answers[hit];
}

}  // namespace opal
