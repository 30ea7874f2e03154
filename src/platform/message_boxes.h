// MessageBoxes: the player's modal questions and notices. The system's own
// code shows every box through this interface; a windowing backend shows a
// real dialog, the scripted backend below answers without one.
#pragma once

#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "common/cp932.h"

namespace opal {

enum class TMsgButtons { Ok, OkCancel, YesNo };
enum class TMsgIcon { Information, Warning, Question };
enum class TMsgAnswer { Ok, Cancel, Yes, No };

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // Shows `text` under `caption` (both CP932) and blocks until answered.
  // A box with only OK answers Ok. `unattended` is the answer a backend
  // without a person gives when nothing else tells it what to answer: the
  // caller passes the answer that ends its question instead of repeating
  // it, so an unattended run never loops on a question. Must not throw.
  virtual TMsgAnswer Show(const std::string& text, const std::string& caption, TMsgButtons buttons,
                          TMsgIcon icon, TMsgAnswer unattended = TMsgAnswer::Cancel) = 0;
};

// Headless backend: prints each box as UTF-8 on a stream (stderr unless
// told otherwise) and answers from a queue of scripted answers; once the
// queue is empty every question gets the caller's unattended answer.
class TScriptedMessageBoxes : public MessageBoxes {
 public:
  explicit TScriptedMessageBoxes(std::FILE* out = stderr) : Out_(out) {}

  TMsgAnswer Show(const std::string& text, const std::string& caption, TMsgButtons buttons,
                  TMsgIcon, TMsgAnswer unattended = TMsgAnswer::Cancel) override {
    ++Shown;
    LastText = text;
    Texts.push_back(text);
    TMsgAnswer answer = TMsgAnswer::Ok;
    if (buttons != TMsgButtons::Ok) {
      if (!Answers.empty()) {
        answer = Answers.front();
        Answers.pop_front();
      } else {
        answer = unattended;
      }
      answer = AnswerFor(buttons, answer);
    }
    if (Out_ != nullptr) {
      std::fprintf(Out_, "[%s] %s%s%s\n", cp932::ToUtf8(caption).c_str(), cp932::ToUtf8(text).c_str(),
                   buttons == TMsgButtons::Ok ? "" : " -> ", buttons == TMsgButtons::Ok ? "" : AnswerName(answer));
    }
    return answer;
  }

  // A scripted answer given in the other pair's words: OK is Yes, Cancel
  // is No, and the other way round.
  static TMsgAnswer AnswerFor(TMsgButtons buttons, TMsgAnswer a) {
    const bool positive = a == TMsgAnswer::Ok || a == TMsgAnswer::Yes;
    if (buttons == TMsgButtons::YesNo) return positive ? TMsgAnswer::Yes : TMsgAnswer::No;
    if (buttons == TMsgButtons::OkCancel) return positive ? TMsgAnswer::Ok : TMsgAnswer::Cancel;
    return TMsgAnswer::Ok;
  }
  static const char* AnswerName(TMsgAnswer a) {
    static constexpr const char* kNames[] = {"OK", "Cancel", "Yes", "No"};
    return kNames[static_cast<int>(a)];
  }

  std::deque<TMsgAnswer> Answers;
  int Shown = 0;
  std::string LastText;
  std::vector<std::string> Texts;  // every box's text, in order

 private:
  std::FILE* Out_;
};

}  // namespace opal
