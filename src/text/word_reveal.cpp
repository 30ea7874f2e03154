// The character-by-character reveal, link hover and hit tests.
#include <algorithm>

#include "text/sk_word.h"

namespace opal {

namespace {

bool RowsRemain(const TWdPage& p) { return static_cast<size_t>(p.NextRow) < p.Count(); }

// The next glyph to reveal, moving past empty rows; null at the end.
TWdGlyph* NextGlyph(TWdPage& p) {
  while (RowsRemain(p)) {
    TWdRow& row = *p.Row(static_cast<size_t>(p.NextRow));
    if (static_cast<size_t>(p.NextGlyph) < row.Count()) return row.Item(static_cast<size_t>(p.NextGlyph));
    ++p.NextRow;
    p.NextGlyph = 0;
  }
  return nullptr;
}

void Advance(TWdPage& p) {
  const TWdRow& row = *p.Row(static_cast<size_t>(p.NextRow));
  if (static_cast<size_t>(++p.NextGlyph) >= row.Count()) {
    ++p.NextRow;
    p.NextGlyph = 0;
  }
}

int32_t RowTop(const TWdPage& p, size_t r) { return p.Row(r)->Y - p.ScrollOffset; }

void SplitEvents(TSkWord& w, const std::string& pending) {
  size_t from = 0;
  while (true) {
    const size_t tab = pending.find('\t', from);
    if (w.OnEvent) w.OnEvent(w, pending.substr(from, tab == std::string::npos ? std::string::npos : tab - from));
    if (tab == std::string::npos) break;
    from = tab + 1;
  }
}

}  // namespace

TRevealResult TSkWord::RevealStep(TWdPage& page, int32_t elapsed) {
  TRevealResult result;
  if (!page.Finished && !RowsRemain(page) && page.Fading.empty()) {
    page.Finished = true;
    if (!page.FinishedReported) {
      page.FinishedReported = true;
      result.Finished = true;
    }
  }
  int64_t e = std::max(0, elapsed);
  if (page.SkipCount > 0) {
    --page.SkipCount;
  } else {
    if (RowsRemain(page) && !Hold && page.PendingEvents.empty()) {
      if (page.NextRow == 0 && page.NextGlyph == 0) {
        page.WaitAcc = page.FadeAcc = 0;
        e = 0;
      } else if (page.EventDispatched) {
        e = 0;
      }
      page.EventDispatched = false;
      int64_t wait = int64_t{page.WaitAcc} - e;
      while (wait <= 0) {
        TWdGlyph* g = NextGlyph(page);
        if (g == nullptr || RowTop(page, static_cast<size_t>(page.NextRow)) >= ViewHeight) break;
        const TWdRow& row = *page.Row(static_cast<size_t>(page.NextRow));
        g->SetOpacity(0);
        const int64_t w = g->Wait();
        if (w >= 0) wait += w * std::max(0, Speed) / 256;
        else if (Speed >= 0) wait -= w;
        if (auto* real = dynamic_cast<TWdReal*>(g)) {
          page.Fading.push_back(real);
          if (g->IsAnimated()) page.Animated.push_back(real);
        }
        Advance(page);
        const TWdGlyph* after = NextGlyph(page);
        if (after != nullptr) {
          CaretX = after->AbsX();
          CaretY = after->AbsY();
          CaretHeight = page.Row(static_cast<size_t>(page.NextRow))->Height;
        } else {
          CaretX = g->AbsX() + g->Width;
          CaretY = g->AbsY();
          CaretHeight = row.Height;
        }
        if (g->Kind() == wkChar || g->Kind() == wkImage) result.Revealed += g->PlainText();
        if (g->Kind() == wkEvent && EventsEnabled) {
          if (!page.PendingEvents.empty()) page.PendingEvents += '\t';
          page.PendingEvents += g->Text();
          page.EventDispatched = true;
          const bool sameRow = page.NextGlyph > 0 && after != nullptr;
          if (g->Wait() != 0 || !sameRow || after->Kind() != wkEvent) break;
        }
      }
      page.WaitAcc = static_cast<int32_t>(std::clamp<int64_t>(wait, INT32_MIN, INT32_MAX));
    }

    // Fading in.
    const int64_t acc = int64_t{page.FadeAcc} + e * 256;
    const int64_t f = FadeTime <= 0 ? 255 : acc / FadeTime;
    page.FadeAcc = static_cast<int32_t>(std::min<int64_t>(acc, INT32_MAX));
    if (f > 0) {
      page.FadeAcc = static_cast<int32_t>(acc % std::max(FadeTime, 1));
      for (TWdReal* g : page.Fading) {
        g->SetOpacity(static_cast<int32_t>(std::min<int64_t>(255, g->Opacity() + f)));
        g->Invalidate();
      }
      std::erase_if(page.Fading, [](const TWdReal* g) { return g->Opacity() > 254; });
    }
    for (TWdReal* g : page.Animated) g->Animate(static_cast<int32_t>(e));

    if (!page.PendingEvents.empty() && page.Fading.empty()) {
      const std::string pending = std::move(page.PendingEvents);
      page.PendingEvents.clear();
      SplitEvents(*this, pending);
    }
  }
  if (Paging) {
    result.More = (RowsRemain(page) && !Hold) || !page.Fading.empty();
  } else {
    result.More = !page.Fading.empty() ||
                  (RowsRemain(page) && RowTop(page, static_cast<size_t>(page.NextRow)) < ViewHeight);
  }
  return result;
}

namespace {

TRect CellOf(const TSkWord& w, const TWdGlyph& g) { return w.ToTarget(g.AbsX(), g.AbsY(), g.Width, g.Height); }

bool Inside(const TRect& r, int32_t x, int32_t y) { return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom; }

// The page's glyphs in reading order.
std::vector<TWdGlyph*> Flatten(TWdPage& page) {
  std::vector<TWdGlyph*> all;
  for (size_t r = 0; r < page.Count(); ++r)
    for (size_t i = 0; i < page.Row(r)->Count(); ++i) all.push_back(page.Row(r)->Item(i));
  return all;
}

void Rerender(TWdGlyph& g, bool active) {
  g.SetActive(active);
  g.ClearArea();
  g.Render();
  g.Invalidate();
}

}  // namespace

TWdGlyph* TSkWord::HitTest(TWdPage& page, int32_t x, int32_t y) {
  if (!Inside(ToTarget(0, 0, TextWidth, ViewHeight), x, y)) return nullptr;
  for (size_t r = 0; r < page.Count(); ++r)
    for (size_t i = 0; i < page.Row(r)->Count(); ++i) {
      TWdGlyph* g = page.Row(r)->Item(i);
      if ((g->Kind() == wkChar || g->Kind() == wkImage) && g->Opacity() > 254 && Inside(CellOf(*this, *g), x, y)) return g;
    }
  return nullptr;
}

void TSkWord::HoverAt(TWdPage& page, int32_t x, int32_t y) {
  const TWdGlyph* hit = HitTest(page, x, y);
  const std::vector<TWdGlyph*> all = Flatten(page);
  // The run of the hit link, from its first glyph.
  size_t from = all.size(), to = all.size();
  if (hit != nullptr && !hit->LinkTarget().empty()) {
    const std::string& target = hit->LinkTarget();
    const size_t at = static_cast<size_t>(std::find(all.begin(), all.end(), hit) - all.begin());
    from = at;
    while (from > 0 && all[from - 1]->LinkTarget() == target) --from;
    to = at;
    while (to < all.size() && all[to]->LinkTarget() == target) ++to;
  }
  for (size_t i = 0; i < all.size(); ++i) {
    const bool active = i >= from && i < to;
    if (all[i]->Active() != active) Rerender(*all[i], active);
  }
}

}  // namespace opal
