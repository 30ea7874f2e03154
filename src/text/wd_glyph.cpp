// Glyph structure, accessors and measuring.
#include "text/wd_glyph.h"

#include "text/sk_word.h"

namespace opal {

namespace {
const std::string kNoText;
}

TWdPage* TWdGlyph::OwnerPage() const { return nullptr; }
int32_t TWdGlyph::AbsX() const { return X; }
int32_t TWdGlyph::AbsY() const { return Y; }
const std::string& TWdGlyph::LinkTarget() const { return kNoText; }

TWdComposite::~TWdComposite() = default;
int32_t TWdComposite::IndexOf(const TWdGlyph*) const { return -1; }
void TWdComposite::Add(TWdGlyph*) {}
void TWdComposite::Adopt(TWdGlyphPtr) {}
void TWdComposite::Reset() {}
std::string TWdComposite::CharText() const { return {}; }

TWdPage::~TWdPage() = default;
void TWdPage::AdoptRow(std::unique_ptr<TWdRow>) {}
void TWdPage::RemoveLastRow() {}
void TWdPage::ResetReveal() {}

TWdChar::TWdChar(TSkWord& owner) : TWdReal(owner) {}
TWdChar::~TWdChar() = default;
void TWdChar::SetDecorate(const TDecorate&) {}
std::string TWdChar::CharText() const { return {}; }
void TWdChar::Measure() {}

void TWdImg::Measure() {}
void TWdOpeReturn::Measure() {}

TWdOpeVar::TWdOpeVar(TSkWord& owner) : TWdGlyph(owner) {}
TWdOpeVar::~TWdOpeVar() = default;
void TWdOpeVar::SetDecorate(const TDecorate&) {}
void TWdOpeVar::Expand() {}
void TWdOpeVar::Collapse() {}

}  // namespace opal
