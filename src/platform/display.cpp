#include "platform/display.h"

#include "raster/dibx.h"
#include "raster/rect.h"

namespace opal {

THeadlessDisplay::THeadlessDisplay() = default;
THeadlessDisplay::~THeadlessDisplay() = default;

TDisplayFormat DisplayFormatOfDepth(int32_t bits) {
  switch (bits) {
    case 15: return {16, 0x7C00, 0x03E0, 0x001F};
    case 16: return {16, 0xF800, 0x07E0, 0x001F};
    default: return {};
  }
}

void THeadlessDisplay::Present(TCustomDIBX& buffer, const TRect& rect) {
  if (Panel_ == nullptr) Panel_ = std::make_unique<TDIBX>();
  if (Panel_->Width() != buffer.Width() || Panel_->Height() != buffer.Height()) {
    Panel_->SetSize(buffer.Width(), buffer.Height(), 32);
    Panel_->Clear(0);
  }
  Panel_->Draw(rect.Left, rect.Top, false, false, false, rect, &buffer);
}

bool THeadlessDisplay::CopyPresented(TDIBX& out) {
  if (Panel_ == nullptr || Panel_->Empty()) return false;
  out.SetSize(Panel_->Width(), Panel_->Height(), 32);
  out.Assign(Panel_.get());
  return true;
}

}  // namespace opal
