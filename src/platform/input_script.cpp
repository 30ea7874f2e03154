#include "platform/input_script.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <sstream>

#include "common/cp932.h"
#include "common/error.h"
#include "platform/virtual_keys.h"

namespace opal {

namespace {

using TEventMap = std::map<int64_t, std::vector<TInputEvent>>;

struct TWordMap {
  const char* Word;
  int Value;
};

int Lookup(const std::string& word, std::initializer_list<TWordMap> table) {
  for (const TWordMap& m : table) {
    if (word == m.Word) return m.Value;
  }
  return -1;
}

bool ToInt(const std::string& s, int64_t lo, int64_t hi, int64_t& out) {
  if (s.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(s.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v < lo || v > hi) return false;
  out = v;
  return true;
}

// A word of a line: blanks separate words, a quoted text ("…", with \" and
// \\ inside) is one word, and '#' outside a quoted text ends the line.
struct TWord {
  std::string Text;
  bool Quoted = false;
};

// One line's words and its number, for the instructions to read.
class TLine {
 public:
  explicit TLine(int number) : Number_(number) {}

  EFormatError Bad(const std::string& why) const {
    return EFormatError(Format("input script line %d: %s", Number_, why.c_str()));
  }

  void Split(const std::string& line) {
    size_t i = 0;
    const auto blank = [&](size_t at) { return std::isspace(static_cast<unsigned char>(line[at])) != 0; };
    while (i < line.size()) {
      if (blank(i)) {
        ++i;
        continue;
      }
      if (line[i] == '#') return;
      TWord w;
      if (line[i] == '"') {
        w.Quoted = true;
        for (++i;; ++i) {
          if (i >= line.size()) throw Bad("a quoted text without its closing quote");
          if (line[i] == '"') break;
          if (line[i] == '\\') {
            if (++i >= line.size() || (line[i] != '"' && line[i] != '\\'))
              throw Bad("in a quoted text a backslash comes before \" or \\ only");
          }
          w.Text += line[i];
        }
        ++i;
        if (i < line.size() && !blank(i) && line[i] != '#') throw Bad("expected a blank after the closing quote");
      } else {
        for (; i < line.size() && !blank(i) && line[i] != '#'; ++i) {
          if (line[i] == '"') throw Bad("a quote inside a word");
          w.Text += line[i];
        }
      }
      Words.push_back(std::move(w));
    }
  }

  // The bare (unquoted) word at `i`, "" when it is quoted or missing.
  std::string Bare(size_t i) const { return i < Words.size() && !Words[i].Quoted ? Words[i].Text : std::string(); }

  TPointerButton Button(size_t i) const {
    const int b = Lookup(Bare(i), {{"left", 0}, {"right", 1}, {"middle", 2}});
    if (b < 0) throw Bad("expected left, right or middle");
    return static_cast<TPointerButton>(b);
  }
  int32_t Coord(size_t i) const {
    int64_t v = 0;
    if (!ToInt(Bare(i), -100000, 100000, v)) throw Bad("expected a coordinate from -100000 to 100000");
    return static_cast<int32_t>(v);
  }
  int32_t Key(size_t i) const {
    const std::string word = Bare(i);
    const int32_t k = word.empty() ? -1 : VirtualKeyByName(word);
    if (k < 0) throw Bad("expected a key name or a number below 256");
    return k;
  }
  // The quoted text at `i` in CP932; the file is UTF-8.
  std::string Text(size_t i) const {
    if (i >= Words.size() || !Words[i].Quoted) throw Bad("expected a quoted text");
    bool lossless = true;
    std::string cp = cp932::FromUtf8(Words[i].Text, &lossless);
    if (!lossless) throw Bad("the quoted text is not UTF-8 or has a character that CP932 lacks");
    return cp;
  }
  int32_t Count(size_t i, int64_t hi, const char* what) const {
    int64_t v = 0;
    if (!ToInt(Bare(i), 0, hi, v)) throw Bad(Format("expected %s from 0 to %lld", what, static_cast<long long>(hi)));
    return static_cast<int32_t>(v);
  }

  std::vector<TWord> Words;

 private:
  int Number_;
};

// Where an instruction puts its events: at its frame, or (a release) at
// the next one.
struct TEmit {
  TEventMap& Events;
  int64_t Frame;
  void Now(const TInputEvent& e) { Events[Frame].push_back(e); }
  void Next(const TInputEvent& e) { Events[Frame + 1].push_back(e); }
};

TInputEvent Of(TInputKind kind) {
  TInputEvent e;
  e.Kind = kind;
  return e;
}

// A framed instruction: its name, its arguments as the format writes them
// (their number is the number of words after the name), what it makes.
struct TInstruction {
  const char* Name;
  const char* Arguments;
  size_t Count;
  void (*Make)(const TLine& line, TEmit& out);  // arguments start at word 2
};

constexpr TInstruction kInstructions[] = {
    {"move", "X Y", 2,
     [](const TLine& l, TEmit& out) {
       TInputEvent e = Of(TInputKind::MouseMove);
       e.X = l.Coord(2), e.Y = l.Coord(3);
       out.Now(e);
     }},
    {"down", "BUTTON", 1,
     [](const TLine& l, TEmit& out) {
       TInputEvent e = Of(TInputKind::MouseDown);
       e.Button = l.Button(2);
       out.Now(e);
     }},
    {"up", "BUTTON", 1,
     [](const TLine& l, TEmit& out) {
       TInputEvent e = Of(TInputKind::MouseUp);
       e.Button = l.Button(2);
       out.Now(e);
     }},
    {"click", "BUTTON X Y", 3,
     [](const TLine& l, TEmit& out) {
       TInputEvent e = Of(TInputKind::MouseMove);
       e.Button = l.Button(2);
       e.X = l.Coord(3), e.Y = l.Coord(4);
       out.Now(e);
       e.Kind = TInputKind::MouseDown;
       out.Now(e);
       e.Kind = TInputKind::MouseUp;
       out.Next(e);
     }},
    {"wheel", "down|up", 1,
     [](const TLine& l, TEmit& out) {
       const int d = Lookup(l.Bare(2), {{"down", 0}, {"up", 1}});
       if (d < 0) throw l.Bad("expected wheel down or up");
       out.Now(Of(d == 0 ? TInputKind::WheelDown : TInputKind::WheelUp));
     }},
    {"keydown", "KEY", 1,
     [](const TLine& l, TEmit& out) {
       TInputEvent e = Of(TInputKind::KeyDown);
       e.Key = l.Key(2);
       out.Now(e);
     }},
    {"keyup", "KEY", 1,
     [](const TLine& l, TEmit& out) {
       TInputEvent e = Of(TInputKind::KeyUp);
       e.Key = l.Key(2);
       out.Now(e);
     }},
    {"key", "KEY", 1,
     [](const TLine& l, TEmit& out) {
       TInputEvent e = Of(TInputKind::KeyDown);
       e.Key = l.Key(2);
       out.Now(e);
       e.Kind = TInputKind::KeyUp;
       out.Next(e);
     }},
    {"focus", "in|out", 1,
     [](const TLine& l, TEmit& out) {
       const int f = Lookup(l.Bare(2), {{"in", 0}, {"out", 1}});
       if (f < 0) throw l.Bad("expected focus in or out");
       out.Now(Of(f == 0 ? TInputKind::FocusIn : TInputKind::FocusOut));
     }},
    {"close", "", 0, [](const TLine&, TEmit& out) { out.Now(Of(TInputKind::Close)); }},
    {"text", "\"TEXT\"", 1,
     [](const TLine& l, TEmit& out) {
       TInputEvent e = Of(TInputKind::Text);
       e.Text = l.Text(2);
       if (e.Text.empty()) throw l.Bad("text needs at least one character");
       out.Now(e);
     }},
    {"compose", "\"TEXT\" CURSOR LENGTH", 3,
     [](const TLine& l, TEmit& out) {
       TInputEvent e = Of(TInputKind::Compose);
       e.Text = l.Text(2);
       const auto chars = static_cast<int64_t>(cp932::CharCount(e.Text));
       e.Cursor = l.Count(3, chars, "a cursor position");
       e.SelLength = l.Count(4, chars - e.Cursor, "a selection length");
       out.Now(e);
     }},
};

constexpr const char* kAnswerSynopsis = "answer yes|no|ok|cancel";

void ParseAnswer(const TLine& line, std::deque<TMsgAnswer>& answers) {
  const int a = line.Words.size() == 2 ? Lookup(line.Bare(1), {{"yes", static_cast<int>(TMsgAnswer::Yes)},
                                                               {"no", static_cast<int>(TMsgAnswer::No)},
                                                               {"ok", static_cast<int>(TMsgAnswer::Ok)},
                                                               {"cancel", static_cast<int>(TMsgAnswer::Cancel)}})
                                       : -1;
  if (a < 0) throw line.Bad("answer needs yes, no, ok or cancel");
  answers.push_back(static_cast<TMsgAnswer>(a));
}

}  // namespace

std::vector<std::string> TInputScript::Synopses() {
  std::vector<std::string> out;
  for (const TInstruction& i : kInstructions)
    out.push_back(std::string("FRAME ") + i.Name + (i.Count > 0 ? " " : "") + i.Arguments);
  out.push_back(kAnswerSynopsis);
  return out;
}

TInputScript TInputScript::Parse(const std::string& text) {
  if (text.size() > kMaxBytes) throw EFormatError("input script: larger than 4 MiB");
  TInputScript script;
  std::istringstream in(text);
  std::string source;
  int lineNo = 0;
  while (std::getline(in, source)) {
    TLine line(++lineNo);
    line.Split(source);
    const std::vector<TWord>& w = line.Words;
    if (w.empty()) continue;
    if (line.Bare(0) == "answer") {
      ParseAnswer(line, script.Answers);
      continue;
    }
    int64_t frame = 0;
    if (!ToInt(line.Bare(0), 1, int64_t{1} << 40, frame)) throw line.Bad("expected a frame number");
    if (w.size() < 2) throw line.Bad("expected an instruction after the frame number");
    const std::string name = line.Bare(1);
    const TInstruction* found = nullptr;
    for (const TInstruction& i : kInstructions) {
      if (name == i.Name) found = &i;
    }
    if (found == nullptr) throw line.Bad("unknown instruction \"" + w[1].Text + "\"");
    if (w.size() != 2 + found->Count) {
      throw line.Bad(found->Count == 0 ? Format("%s takes no arguments", found->Name)
                                       : Format("%s needs %s", found->Name, found->Arguments));
    }
    TEmit out{script.Events_, frame};
    found->Make(line, out);
  }
  return script;
}

TInputScript TInputScript::Load(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) throw EStreamError(Format("cannot open input script %s", path.c_str()));
  std::string text;
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
    text.append(buf, n);
    if (text.size() > kMaxBytes) break;
  }
  std::fclose(f);
  return Parse(text);
}

std::vector<TInputEvent> TInputScript::EventsAt(int64_t frame) const {
  auto it = Events_.find(frame);
  return it == Events_.end() ? std::vector<TInputEvent>{} : it->second;
}

// --- TScriptedEvents ----------------------------------------------------------

void TScriptedEvents::BeginWake() {
  ++Wakes_;
  if (Window_ != nullptr) Window_->BeginWake();
  for (const TInputEvent& e : Script_.EventsAt(Wakes_)) Push(e);
}

bool TScriptedEvents::Poll(TInputEvent& out) {
  if (Window_ != nullptr) return Window_->Poll(out);
  while (!Pending_.empty()) {
    out = std::move(Pending_.front());
    Pending_.pop_front();
    if (!IsTextKind(out.Kind) || Text_) return true;
  }
  return false;
}

void TScriptedEvents::Push(const TInputEvent& e) {
  if (Window_ != nullptr) {
    Window_->Push(e);
  } else {
    Pending_.push_back(e);
  }
}

void TScriptedEvents::SetTextInput(bool on) {
  if (Window_ != nullptr) {
    Window_->SetTextInput(on);
  } else {
    Text_ = on;
  }
}

bool TScriptedEvents::TextInputActive() const { return Window_ != nullptr ? Window_->TextInputActive() : Text_; }

}  // namespace opal
