// The reference row kernels: the per-pixel rules exactly as written, for any
// pair of byte-addressed formats. A source pixel is tested against the key in
// its own format and converted to the destination's before any comparison or
// blend.
#include <algorithm>

#include "raster/row_kernels.h"

namespace opal {
namespace {

struct TWalk {
  const TRowJob& J;
  int32_t DstBytes, SrcBytes;
  explicit TWalk(const TRowJob& j)
      : J(j), DstBytes(j.DstFormat->Bytes), SrcBytes(j.SrcFormat->Bytes) {}
  uint8_t* Dst(int32_t i) const { return J.Dst + static_cast<intptr_t>(i) * DstBytes; }
  uint32_t RawSrc(int32_t i) const {
    return LoadPixel(J.Src + static_cast<intptr_t>(i) * J.Dir * SrcBytes, SrcBytes);
  }
  uint32_t Src(uint32_t raw) const { return ConvertPixel(*J.SrcFormat, *J.DstFormat, raw); }
  uint32_t Mask(int32_t i) const { return J.Mask[static_cast<intptr_t>(i) * J.Dir]; }
  bool Keyed(uint32_t raw) const { return J.UseKey && raw == J.Key; }
};

// Each rule returns false to leave the destination pixel alone.
bool RuleCopy(const TWalk& w, int32_t i, uint32_t, uint32_t& out) {
  out = w.Src(w.RawSrc(i));
  return true;
}
bool RuleCopyKey(const TWalk& w, int32_t i, uint32_t, uint32_t& out) {
  const uint32_t raw = w.RawSrc(i);
  if (w.Keyed(raw)) return false;
  out = w.Src(raw);
  return true;
}
bool RuleAlpha(const TWalk& w, int32_t i, uint32_t d, uint32_t& out) {
  const uint32_t raw = w.RawSrc(i);
  if (w.Keyed(raw)) return false;
  const uint32_t s = w.Src(raw);
  if (s == d) return false;
  out = BlendPixel(*w.J.DstFormat, s, d, w.J.Amount);
  return true;
}
bool RuleMask(const TWalk& w, int32_t i, uint32_t d, uint32_t& out) {
  const uint32_t m = w.Mask(i);
  if (m == 0) return false;
  const uint32_t s = w.Src(w.RawSrc(i));
  if (m == 255) {
    out = s;
    return true;
  }
  if (s == d) return false;
  out = BlendPixel(*w.J.DstFormat, s, d, m);
  return true;
}
bool RuleAlphaMask(const TWalk& w, int32_t i, uint32_t d, uint32_t& out) {
  const uint32_t m = w.Mask(i);
  if (m == 0) return false;
  const uint32_t weight = MaskWeight(m, w.J.Amount);
  if (weight == 0) return false;
  const uint32_t s = w.Src(w.RawSrc(i));
  if (s == d) return false;
  out = BlendPixel(*w.J.DstFormat, s, d, weight);
  return true;
}
bool RuleAdd(const TWalk& w, int32_t i, uint32_t d, uint32_t& out) {
  const uint32_t raw = w.RawSrc(i);
  if (w.Keyed(raw)) return false;
  const uint32_t s = w.Src(raw);
  // An 8-bit destination adds the source unscaled.
  out = w.J.DstFormat->Bits == 8 ? std::min(255u, d + s)
                                 : AddScaledPixel(*w.J.DstFormat, d, s, w.J.Amount);
  return true;
}
bool RuleAddMask(const TWalk& w, int32_t i, uint32_t d, uint32_t& out) {
  const uint32_t m = w.Mask(i);
  if (m == 0) return false;
  const uint32_t weight = MaskWeight(m, w.J.Amount);
  if (weight == 0) return false;
  out = AddScaledPixel(*w.J.DstFormat, d, w.Src(w.RawSrc(i)), weight);
  return true;
}
bool RuleFillAlpha(const TWalk& w, int32_t, uint32_t d, uint32_t& out) {
  if (d == w.J.Color) return false;
  out = BlendPixel(*w.J.DstFormat, w.J.Color, d, w.J.Amount);
  return true;
}
bool RuleFillAdd(const TWalk& w, int32_t, uint32_t d, uint32_t& out) {
  out = AddPixel(*w.J.DstFormat, d, w.J.Color);
  return true;
}
bool RuleFillSub(const TWalk& w, int32_t, uint32_t d, uint32_t& out) {
  out = SubPixel(*w.J.DstFormat, d, w.J.Color);
  return true;
}
bool RuleFillMask(const TWalk& w, int32_t i, uint32_t d, uint32_t& out) {
  const uint32_t m = w.Mask(i);
  if (m == 0 || d == w.J.Color) return false;
  const uint32_t a = w.J.Amount;
  uint32_t weight;
  if (a == 255) weight = m;
  else if (w.J.DstFormat->WordStorage()) weight = (m * a) >> 8;
  else weight = MaskWeight(m, a);
  out = BlendPixel(*w.J.DstFormat, w.J.Color, d, weight);
  return true;
}

template <bool (*Rule)(const TWalk&, int32_t, uint32_t, uint32_t&)>
void RunRow(const TRowJob& j) {
  const TWalk w(j);
  for (int32_t i = 0; i < j.Count; ++i) {
    uint8_t* p = w.Dst(i);
    uint32_t out;
    if (Rule(w, i, LoadPixel(p, w.DstBytes), out)) StorePixel(p, w.DstBytes, out);
  }
}

constexpr TRowKernel kReference[kRowOpCount] = {
    RunRow<RuleCopy>,      RunRow<RuleCopyKey>,   RunRow<RuleAlpha>,   RunRow<RuleMask>,
    RunRow<RuleAlphaMask>, RunRow<RuleAdd>,       RunRow<RuleAddMask>, RunRow<RuleFillAlpha>,
    RunRow<RuleFillAdd>,   RunRow<RuleFillSub>,   RunRow<RuleFillMask>,
};

}  // namespace

TRowKernel ReferenceKernel(TRowOp op) { return kReference[static_cast<int>(op)]; }

TRowKernel SelectKernel(TRowOp op, const TPixelFormat& dst, const TPixelFormat& src) {
#if defined(__x86_64__)
  if (dst.Bits == src.Bits && (dst.Bits == 32 || dst.Bits == 16 || dst.Bits == 15)) {
    const int format = dst.Bits == 32 ? 0 : dst.Bits == 16 ? 1 : 2;
    switch (TSimdDispatch::Instance().Level()) {
      case TSimdLevel::Avx2: return kAvx2Kernels[format][static_cast<int>(op)];
      case TSimdLevel::Sse2: return kSse2Kernels[format][static_cast<int>(op)];
      case TSimdLevel::Reference: break;
    }
  }
#endif
  return ReferenceKernel(op);
}

}  // namespace opal
