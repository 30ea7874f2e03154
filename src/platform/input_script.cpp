#include "platform/input_script.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <sstream>

#include "common/error.h"
#include "platform/virtual_keys.h"

namespace opal {

namespace {

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

}  // namespace

TInputScript TInputScript::Parse(const std::string& text) {
  if (text.size() > kMaxBytes) throw EFormatError("input script: larger than 4 MiB");
  TInputScript script;
  std::istringstream in(text);
  std::string line;
  int lineNo = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    if (const size_t hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    std::istringstream words(line);
    std::vector<std::string> w;
    for (std::string s; words >> s;) w.push_back(s);
    if (w.empty()) continue;
    auto bad = [&](const char* why) {
      return EFormatError(Format("input script line %d: %s", lineNo, why));
    };
    if (w[0] == "answer") {
      const int a = w.size() == 2 ? Lookup(w[1], {{"yes", static_cast<int>(TMsgAnswer::Yes)},
                                                   {"no", static_cast<int>(TMsgAnswer::No)},
                                                   {"ok", static_cast<int>(TMsgAnswer::Ok)},
                                                   {"cancel", static_cast<int>(TMsgAnswer::Cancel)}})
                                  : -1;
      if (a < 0) throw bad("answer needs yes, no, ok or cancel");
      script.Answers.push_back(static_cast<TMsgAnswer>(a));
      continue;
    }
    int64_t frame = 0;
    if (!ToInt(w[0], 1, int64_t{1} << 40, frame)) throw bad("expected a frame number");
    if (w.size() < 2) throw bad("expected an instruction after the frame number");
    const std::string& op = w[1];
    std::vector<TInputEvent>& at = script.Events_[frame];
    auto button = [&](size_t i) {
      const int b = i < w.size() ? Lookup(w[i], {{"left", 0}, {"right", 1}, {"middle", 2}}) : -1;
      if (b < 0) throw bad("expected left, right or middle");
      return static_cast<TPointerButton>(b);
    };
    auto coord = [&](size_t i) {
      int64_t v = 0;
      if (i >= w.size() || !ToInt(w[i], -100000, 100000, v)) throw bad("expected a coordinate");
      return static_cast<int32_t>(v);
    };
    auto key = [&]() {
      const int32_t k = w.size() == 3 ? VirtualKeyByName(w[2]) : -1;
      if (k < 0) throw bad("expected a key name or a number below 256");
      return k;
    };
    TInputEvent e;
    if (op == "move" && w.size() == 4) {
      e.Kind = TInputKind::MouseMove;
      e.X = coord(2), e.Y = coord(3);
      at.push_back(e);
    } else if ((op == "down" || op == "up") && w.size() == 3) {
      e.Kind = op == "down" ? TInputKind::MouseDown : TInputKind::MouseUp;
      e.Button = button(2);
      at.push_back(e);
    } else if (op == "click" && w.size() == 5) {
      e.Button = button(2);
      e.X = coord(3), e.Y = coord(4);
      e.Kind = TInputKind::MouseMove;
      at.push_back(e);
      e.Kind = TInputKind::MouseDown;
      at.push_back(e);
      e.Kind = TInputKind::MouseUp;
      script.Events_[frame + 1].push_back(e);
    } else if (op == "wheel" && w.size() == 3) {
      const int d = Lookup(w[2], {{"down", 0}, {"up", 1}});
      if (d < 0) throw bad("expected wheel down or up");
      e.Kind = d == 0 ? TInputKind::WheelDown : TInputKind::WheelUp;
      at.push_back(e);
    } else if (op == "keydown" || op == "keyup") {
      e.Key = key();
      e.Kind = op == "keydown" ? TInputKind::KeyDown : TInputKind::KeyUp;
      at.push_back(e);
    } else if (op == "key") {
      e.Key = key();
      e.Kind = TInputKind::KeyDown;
      at.push_back(e);
      e.Kind = TInputKind::KeyUp;
      script.Events_[frame + 1].push_back(e);
    } else if (op == "focus" && w.size() == 3) {
      const int f = Lookup(w[2], {{"in", 0}, {"out", 1}});
      if (f < 0) throw bad("expected focus in or out");
      e.Kind = f == 0 ? TInputKind::FocusIn : TInputKind::FocusOut;
      at.push_back(e);
    } else if (op == "close" && w.size() == 2) {
      e.Kind = TInputKind::Close;
      at.push_back(e);
    } else {
      throw bad("unknown instruction or wrong number of arguments");
    }
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

}  // namespace opal
