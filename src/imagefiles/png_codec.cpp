// PNG decoding and encoding through libpng's low-level interface.
//
// libpng reports errors by longjmp. Every libpng call runs inside Guarded(),
// whose frame holds the setjmp; the lambdas it runs capture only references
// and create no objects with destructors, so a longjmp skips nothing that
// needs cleaning up. The error text is kept in a fixed buffer and turned
// into an EFormatError once Guarded() has returned.
#include "imagefiles/png_codec.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <vector>

#include "common/error.h"
#include "storage/stream.h"

namespace opal {
namespace {

// Longest run of output one byte of deflate data can produce (a 258-byte
// match costs at least two bits), rounded up.
constexpr int64_t kMaxInflateRatio = 1032;

struct TPngContext {
  TStream* Stream = nullptr;
  bool StreamFailed = false;  // the stream threw; its text is the message
  char Message[200] = {};
};

void SetMessage(TPngContext* ctx, const char* text) {
  std::strncpy(ctx->Message, text ? text : "unknown error", sizeof ctx->Message - 1);
  ctx->Message[sizeof ctx->Message - 1] = '\0';
}

void OnError(png_structp png, png_const_charp message) {
  auto* ctx = static_cast<TPngContext*>(png_get_error_ptr(png));
  if (ctx->Message[0] == '\0') SetMessage(ctx, message);
  png_longjmp(png, 1);
}

// Warnings (unknown chunks, bad CRCs of ancillary chunks) stay quiet.
void OnWarning(png_structp, png_const_charp) {}

void OnRead(png_structp png, png_bytep data, size_t length) {
  auto* ctx = static_cast<TPngContext*>(png_get_io_ptr(png));
  int64_t got = -1;
  try {
    got = ctx->Stream->Read(data, static_cast<int64_t>(length));
  } catch (const std::exception& e) {
    SetMessage(ctx, e.what());
    ctx->StreamFailed = true;
  }
  if (got != static_cast<int64_t>(length)) png_error(png, "PNG data ends early");
}

void OnWrite(png_structp png, png_bytep data, size_t length) {
  auto* ctx = static_cast<TPngContext*>(png_get_io_ptr(png));
  int64_t put = -1;
  try {
    put = ctx->Stream->Write(data, static_cast<int64_t>(length));
  } catch (const std::exception& e) {
    SetMessage(ctx, e.what());
    ctx->StreamFailed = true;
  }
  if (put != static_cast<int64_t>(length)) png_error(png, "cannot write PNG data");
}

void OnFlush(png_structp) {}

template <typename F>
bool Guarded(png_structp png, F&& body) {
  if (setjmp(png_jmpbuf(png))) return false;
  body();
  return true;
}

[[noreturn]] void Fail(const TPngContext& ctx, const char* what) {
  const std::string text = Format("%s: %s", what, ctx.Message[0] ? ctx.Message : "libpng failed");
  if (ctx.StreamFailed) throw EStreamError(text);
  throw EFormatError(text);
}

class TPngReadHandle {
 public:
  explicit TPngReadHandle(TPngContext& ctx) {
    Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &ctx, OnError, OnWarning);
    if (Png != nullptr) Info = png_create_info_struct(Png);
    if (Png == nullptr || Info == nullptr) throw EFormatError("PNG: out of memory");
  }
  ~TPngReadHandle() { png_destroy_read_struct(&Png, Info ? &Info : nullptr, nullptr); }
  TPngReadHandle(const TPngReadHandle&) = delete;
  TPngReadHandle& operator=(const TPngReadHandle&) = delete;
  png_structp Png = nullptr;
  png_infop Info = nullptr;
};

class TPngWriteHandle {
 public:
  explicit TPngWriteHandle(TPngContext& ctx) {
    Png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &ctx, OnError, OnWarning);
    if (Png != nullptr) Info = png_create_info_struct(Png);
    if (Png == nullptr || Info == nullptr) throw EFormatError("PNG: out of memory");
  }
  ~TPngWriteHandle() { png_destroy_write_struct(&Png, Info ? &Info : nullptr); }
  TPngWriteHandle(const TPngWriteHandle&) = delete;
  TPngWriteHandle& operator=(const TPngWriteHandle&) = delete;
  png_structp Png = nullptr;
  png_infop Info = nullptr;
};

// What the header says and how the rows arrive after the transformations.
struct TPngHeader {
  png_uint_32 Width = 0, Height = 0;
  int BitDepth = 0, ColorType = 0, Interlace = 0;
  int Channels = 0;        // bytes per pixel after the transformations
  size_t RowBytes = 0;     // libpng's row size after the transformations
  size_t FileRowBytes = 0; // the row size the file's data holds
};

int32_t Bgr(uint32_t r, uint32_t g, uint32_t b) {
  return static_cast<int32_t>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

// An 8-bit sample of a tRNS grey or colour value given at the file's depth.
uint32_t SampleTo8(uint32_t v, int bitDepth) {
  if (bitDepth == 16) return v >> 8;
  if (bitDepth == 8) return v & 0xFF;
  const uint32_t max = (1u << bitDepth) - 1;
  return (v & max) * 255 / max;
}

int32_t TargetBits(const TPngHeader& h) {
  if (h.ColorType == PNG_COLOR_TYPE_PALETTE) return h.BitDepth == 2 ? 4 : h.BitDepth;
  if (h.ColorType == PNG_COLOR_TYPE_GRAY || h.ColorType == PNG_COLOR_TYPE_GRAY_ALPHA) return 8;
  return 24;
}

// Palette transparency: the alpha of every index, or the colour of a single
// fully transparent entry (returned through transparentColor, no plane).
bool PaletteAlpha(png_structp png, png_infop info, const TDIBSurface& picture, int paletteCount,
                  std::array<uint8_t, 256>& alpha, int32_t& transparentColor) {
  png_bytep trans = nullptr;
  int count = 0;
  png_color_16p unused = nullptr;
  alpha.fill(255);
  if (!png_get_valid(png, info, PNG_INFO_tRNS)) return false;
  png_get_tRNS(png, info, &trans, &count, &unused);
  if (trans == nullptr) return false;
  int clear = -1, partial = 0;
  for (int i = 0; i < count && i < paletteCount; ++i) {
    alpha[static_cast<size_t>(i)] = trans[i];
    if (trans[i] == 0 && clear < 0) clear = i;
    else if (trans[i] != 255) ++partial;
  }
  if (clear < 0 && partial == 0) return false;
  if (clear >= 0 && partial == 0) {
    // A single key colour serves only when no opaque entry shares it.
    const TRGBQuad key = picture.ColorTable[static_cast<size_t>(clear)];
    bool unique = true;
    for (int i = 0; i < paletteCount; ++i)
      if (i != clear && picture.ColorTable[static_cast<size_t>(i)] == key) unique = false;
    if (unique) {
      transparentColor = Bgr(key.Red, key.Green, key.Blue);
      return false;
    }
  }
  return true;
}

}  // namespace

void LoadPng(TStream& stream, TDIBSurface& picture, int32_t& transparentColor) {
  transparentColor = -1;
  TPngContext ctx;
  ctx.Stream = &stream;
  TPngReadHandle h(ctx);
  png_structp png = h.Png;
  png_infop info = h.Info;
  TPngHeader hd;
  const bool headerOk = Guarded(png, [&] {
    png_set_read_fn(png, &ctx, OnRead);
    png_set_user_limits(png, TDIBSurface::kMaxSide, TDIBSurface::kMaxSide);
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    // Mutated files reach the decoder instead of failing their checksums.
    png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
#ifdef PNG_IGNORE_ADLER32
    png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
#endif
    png_read_info(png, info);
    png_get_IHDR(png, info, &hd.Width, &hd.Height, &hd.BitDepth, &hd.ColorType, &hd.Interlace,
                 nullptr, nullptr);
    hd.FileRowBytes = png_get_rowbytes(png, info);
    if (hd.BitDepth == 16) png_set_strip_16(png);
    if (hd.ColorType == PNG_COLOR_TYPE_GRAY && hd.BitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (hd.ColorType == PNG_COLOR_TYPE_PALETTE && hd.BitDepth == 2) png_set_packing(png);
    if (hd.ColorType & PNG_COLOR_MASK_COLOR) png_set_bgr(png);
    if (hd.Interlace != PNG_INTERLACE_NONE) png_set_interlace_handling(png);
    png_read_update_info(png, info);
    hd.Channels = png_get_channels(png, info);
    hd.RowBytes = png_get_rowbytes(png, info);
  });
  if (!headerOk) Fail(ctx, "Damaged PNG header");

  // Deflate cannot expand its input beyond kMaxInflateRatio, so a picture
  // whose filtered rows could not fit in the rest of the stream is damaged;
  // checking this first keeps a tiny file from claiming a huge allocation.
  const int64_t rowBytes = static_cast<int64_t>(hd.RowBytes);
  const int64_t rawBytes = (static_cast<int64_t>(hd.FileRowBytes) + 1) * int64_t{hd.Height};
  const int64_t remaining = stream.Size() - stream.Position();
  if (rawBytes > remaining * kMaxInflateRatio + 4096)
    throw EFormatError(Format("PNG too short for a picture of %u x %u", hd.Width, hd.Height));
  const int32_t bits = TargetBits(hd);
  const int32_t w = static_cast<int32_t>(hd.Width), ht = static_cast<int32_t>(hd.Height);
  TDIBSurface result;
  result.SetSize(w, ht, bits);  // checks kMaxSide and kMaxBytes

  // Palette or grey ramp.
  int paletteCount = 0;
  if (hd.ColorType == PNG_COLOR_TYPE_PALETTE) {
    png_colorp palette = nullptr;
    if (png_get_PLTE(png, info, &palette, &paletteCount) == 0 || palette == nullptr)
      throw EFormatError("PNG palette picture without palette");
    for (int i = 0; i < paletteCount && i < 256; ++i)
      result.ColorTable[static_cast<size_t>(i)] = {palette[i].blue, palette[i].green,
                                                   palette[i].red, 0};
  } else if (bits == 8) {
    for (int i = 0; i < 256; ++i) {
      const auto v = static_cast<uint8_t>(i);
      result.ColorTable[static_cast<size_t>(i)] = {v, v, v, 0};
    }
  }

  // Rows that need splitting or repacking are decoded into a scratch image;
  // the others land in the picture directly.
  const bool repack = hd.ColorType == PNG_COLOR_TYPE_PALETTE && hd.BitDepth == 2;
  const bool direct = (hd.Channels == 1 && !repack) || hd.Channels == 3;
  if (direct && rowBytes > result.RowBytes()) throw EFormatError("PNG: unexpected row layout");
  if (!direct && rowBytes * ht > TDIBSurface::kMaxBytes)
    throw EFormatError(Format("PNG too large: %u x %u", hd.Width, hd.Height));
  std::vector<uint8_t> scratch(direct ? 0 : static_cast<size_t>(rowBytes * ht));
  std::vector<png_bytep> rows(static_cast<size_t>(ht));
  for (int32_t y = 0; y < ht; ++y)
    rows[static_cast<size_t>(y)] = direct ? result.Row(y) : scratch.data() + y * rowBytes;
  const bool rowsOk = Guarded(png, [&] {
    if (ht > 0) png_read_image(png, rows.data());
  });
  if (!rowsOk) Fail(ctx, "Damaged PNG data");

  const bool hasAlpha = hd.Channels == 2 || hd.Channels == 4;
  if (hasAlpha) {
    result.AlphaPlane = std::make_unique<TDIBSurface>();
    result.AlphaPlane->SetSize(w, ht, 8);
  }
  if (!direct) {
    for (int32_t y = 0; y < ht; ++y) {
      const uint8_t* src = rows[static_cast<size_t>(y)];
      uint8_t* dst = result.Row(y);
      uint8_t* a = hasAlpha ? result.AlphaPlane->Row(y) : nullptr;
      for (int32_t x = 0; x < w; ++x) {
        switch (hd.Channels) {
          case 1: result.SetPixel(x, y, src[x]); break;  // 2-bit indices, one per byte
          case 2: dst[x] = src[2 * x], a[x] = src[2 * x + 1]; break;
          default:
            std::memcpy(dst + 3 * x, src + 4 * x, 3);
            a[x] = src[4 * x + 3];
            break;
        }
      }
    }
  }

  // Transparency chunks of pictures without an alpha channel.
  if (hd.ColorType == PNG_COLOR_TYPE_PALETTE) {
    std::array<uint8_t, 256> alpha{};
    if (PaletteAlpha(png, info, result, paletteCount, alpha, transparentColor)) {
      result.AlphaPlane = std::make_unique<TDIBSurface>();
      result.AlphaPlane->SetSize(w, ht, 8);
      for (int32_t y = 0; y < ht; ++y) {
        uint8_t* a = result.AlphaPlane->Row(y);
        for (int32_t x = 0; x < w; ++x) a[x] = alpha[result.GetPixel(x, y) & 0xFF];
      }
    }
  } else if (!hasAlpha && png_get_valid(png, info, PNG_INFO_tRNS)) {
    png_bytep unused = nullptr;
    int count = 0;
    png_color_16p key = nullptr;
    png_get_tRNS(png, info, &unused, &count, &key);
    if (key != nullptr) {
      if (hd.ColorType == PNG_COLOR_TYPE_GRAY) {
        const uint32_t g = SampleTo8(key->gray, hd.BitDepth);
        transparentColor = Bgr(g, g, g);
      } else {
        transparentColor = Bgr(SampleTo8(key->red, hd.BitDepth), SampleTo8(key->green, hd.BitDepth),
                               SampleTo8(key->blue, hd.BitDepth));
      }
    }
  }
  picture = std::move(result);
}

void SavePng(const TDIBSurface& picture, TStream& stream) {
  if (picture.Empty()) throw EFormatError("Cannot write an empty picture as PNG");
  const int32_t w = picture.Width(), ht = picture.Height(), bits = picture.BitCount();
  const bool hasAlpha = picture.HasAlpha() && picture.AlphaPlane->Width() == w &&
                        picture.AlphaPlane->Height() == ht && picture.AlphaPlane->BitCount() == 8;
  const bool palette = bits <= 8 && !hasAlpha;
  TPngContext ctx;
  ctx.Stream = &stream;
  TPngWriteHandle h(ctx);
  png_structp png = h.Png;
  png_infop info = h.Info;
  std::array<png_color, 256> plte{};
  const int entries = palette ? 1 << bits : 0;
  for (int i = 0; i < entries; ++i) {
    const TRGBQuad& q = picture.ColorTable[static_cast<size_t>(i)];
    plte[static_cast<size_t>(i)] = {q.Red, q.Green, q.Blue};
  }
  const bool headerOk = Guarded(png, [&] {
    png_set_write_fn(png, &ctx, OnWrite, OnFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(ht),
                 palette ? bits : 8,
                 palette ? PNG_COLOR_TYPE_PALETTE
                         : hasAlpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (palette) png_set_PLTE(png, info, plte.data(), entries);
    png_write_info(png, info);
    if (!palette) png_set_bgr(png);
    if (!palette && !hasAlpha && bits == 32) png_set_filler(png, 0, PNG_FILLER_AFTER);
  });
  if (!headerOk) Fail(ctx, "Cannot write PNG");

  // Rows in the picture's own layout go out as they are; the others through
  // one converted row (BGR or BGRA).
  const bool direct = palette || (!hasAlpha && (bits == 24 || bits == 32));
  std::vector<uint8_t> row(direct ? 0 : static_cast<size_t>(w) * (hasAlpha ? 4 : 3));
  for (int32_t y = 0; y < ht; ++y) {
    png_bytep out = nullptr;
    if (direct) {
      out = const_cast<png_bytep>(picture.Row(y));
    } else {
      const uint8_t* a = hasAlpha ? picture.AlphaPlane->Row(y) : nullptr;
      uint8_t* p = row.data();
      for (int32_t x = 0; x < w; ++x) {
        const auto c = static_cast<uint32_t>(picture.ValueToColor(picture.GetPixel(x, y)));
        *p++ = static_cast<uint8_t>(c >> 16);
        *p++ = static_cast<uint8_t>(c >> 8);
        *p++ = static_cast<uint8_t>(c);
        if (a != nullptr) *p++ = a[x];
      }
      out = row.data();
    }
    if (!Guarded(png, [&] { png_write_row(png, out); })) Fail(ctx, "Cannot write PNG");
  }
  if (!Guarded(png, [&] { png_write_end(png, nullptr); })) Fail(ctx, "Cannot write PNG");
}

}  // namespace opal
