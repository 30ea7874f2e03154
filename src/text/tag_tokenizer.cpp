#include "text/tag_tokenizer.h"

#include "common/cp932.h"

namespace opal {

namespace {

constexpr char kCr = '\r', kLf = '\n', kTab = '\t';
constexpr char kDc4 = 20;  // written as a space, but without collapsing

// Comment-like blocks: their openers and closers, compared ignoring case.
struct TBlockMark {
  std::string_view Text;
  bool Script;
};
constexpr TBlockMark kOpeners[] = {{"<!--", false}, {"<SCRIPT", true}, {"<STYLE", false}};
constexpr TBlockMark kClosers[] = {{"-->", false}, {"</SCRIPT>", true}, {"</STYLE>", false}};

bool IsEscapable(char c) {
  return c == '%' || c == '<' || c == '>' || c == '\\' || c == '{' || c == '}';
}

class TTokenizer {
 public:
  explicit TTokenizer(std::string_view text) : Text_(text) {}

  std::vector<TTagToken> Run() {
    size_t i = 0;
    while (i < Text_.size()) i = Step(i);
    Emit(Comments_ > 0);
    return std::move(Tokens_);
  }

 private:
  bool KeepsBreaks() const { return Pre_ || TextArea_ || Scripts_ > 0; }
  bool EndsWithSpace() const { return !Token_.empty() && Token_.back() == ' '; }

  void Emit(bool isTag = false) {
    if (!Token_.empty()) Tokens_.push_back({std::move(Token_), isTag});
    Token_.clear();
  }

  const TBlockMark* MarkAt(size_t i, const TBlockMark (&marks)[3]) const {
    for (const TBlockMark& m : marks) {
      if (cp932::StartsWithText(Text_.substr(i), m.Text)) return &m;
    }
    return nullptr;
  }

  // Handles the character at i; returns where the next one starts.
  size_t Step(size_t i) {
    const size_t len = cp932::CharLen(Text_, i);
    if (len == 2) {  // a double-byte character is never markup, in any state
      Token_.append(Text_.substr(i, 2));
      return i + 2;
    }
    const char c = Text_[i];
    if (Quote_) {
      if (c == '"') Quote_ = false;
      if (c != kCr && c != kLf && c != kTab) Token_ += c;
      return i + 1;
    }
    if (c == '<') {
      if (const TBlockMark* m = MarkAt(i, kOpeners)) {
        if (Comments_ == 0) Emit();
        ++Comments_;
        if (m->Script) ++Scripts_;
        Token_.append(Text_.substr(i, m->Text.size()));
        return i + m->Text.size();
      }
    }
    if (Comments_ > 0) {
      if (const TBlockMark* m = MarkAt(i, kClosers)) {
        --Comments_;
        if (m->Script && Scripts_ > 0) --Scripts_;
        Token_.append(Text_.substr(i, m->Text.size()));
        if (Comments_ == 0) Emit(true);
        return i + m->Text.size();
      }
      Token_ += c;
      if (c == kCr) Token_ += kLf;
      return i + 1;
    }
    switch (c) {
      case '<':
        if (Depth_ == 0) Emit();
        Token_ += c;
        ++Depth_;
        return i + 1;
      case '>':
        if (Depth_ == 0) break;
        if (--Depth_ == 0) return EndTag(i + 1);
        return i + 1;  // the inner '>' of a nested '<' is lost
      case '\\':
        if (i + 1 < Text_.size() && IsEscapable(Text_[i + 1])) {
          Token_ += Text_[i + 1];
          return i + 2;
        }
        return i + 1;
      case kCr:
        if (Depth_ == 0 && KeepsBreaks()) {
          Emit();
          if (Pre_) Tokens_.push_back({"<BR>", true});
        } else if (!Token_.empty() && !EndsWithSpace()) {
          Token_ += ' ';
        }
        return i + 1;
      case kDc4:
        if (Token_.empty() || !EndsWithSpace() || KeepsBreaks()) Token_ += ' ';
        return i + 1;
      case kTab:
        if (KeepsBreaks()) Token_.append(8, ' ');
        return i + 1;
      case '"':
        Quote_ = true;
        Token_ += c;
        return i + 1;
      case ' ':
        if (!EndsWithSpace()) Token_ += c;
        return i + 1;
      default:
        break;
    }
    Token_ += c;
    return i + 1;
  }

  // The '>' that closes a tag was just passed; `next` follows it.
  size_t EndTag(size_t next) {
    Token_ += '>';
    const std::string tag = Token_;
    Emit(true);
    bool* mode = nullptr;
    bool opens = false;
    if (cp932::StartsWithText(tag, "</PRE")) {
      mode = &Pre_;
    } else if (cp932::StartsWithText(tag, "</TEXTAREA")) {
      mode = &TextArea_;
    } else if (cp932::StartsWithText(tag, "<PRE") && !TextArea_) {
      mode = &Pre_, opens = true;
    } else if (cp932::StartsWithText(tag, "<TEXTAREA") && !Pre_) {
      mode = &TextArea_, opens = true;
    }
    if (mode == nullptr) return next;
    *mode = opens;
    if (opens) return next < Text_.size() && Text_[next] == kCr ? next + 1 : next;
    // A line break written just before the closing tag is not shown.
    if (Tokens_.size() >= 2) {
      const TTagToken& before = Tokens_[Tokens_.size() - 2];
      if (before.IsTag && cp932::SameText(before.Text, "<BR>")) Tokens_.erase(Tokens_.end() - 2);
    }
    return next;
  }

  std::string_view Text_;
  std::vector<TTagToken> Tokens_;
  std::string Token_;
  int64_t Depth_ = 0, Comments_ = 0, Scripts_ = 0;
  bool Pre_ = false, TextArea_ = false, Quote_ = false;
};

}  // namespace

std::vector<TTagToken> TokenizeTags(std::string_view text) { return TTokenizer(text).Run(); }

}  // namespace opal
