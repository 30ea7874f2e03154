// The CP932 table of src/common against glibc's iconv "CP932", in full:
// every code iconv decodes must decode the same here; encodings may differ
// only where CP932 has several codes for one character.
#include <errno.h>
#include <iconv.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/cp932.h"

namespace opal {
namespace {

class TIconv {
 public:
  TIconv(const char* to, const char* from) : Cd_(iconv_open(to, from)) {}
  ~TIconv() {
    if (Ok()) iconv_close(Cd_);
  }
  bool Ok() const { return Cd_ != reinterpret_cast<iconv_t>(-1); }
  // False when iconv refuses the input as a whole.
  bool Convert(const std::string& in, std::string& out) {
    iconv(Cd_, nullptr, nullptr, nullptr, nullptr);
    std::string src = in;
    char buf[64];
    char* ip = src.data();
    size_t il = src.size();
    char* op = buf;
    size_t ol = sizeof buf;
    if (iconv(Cd_, &ip, &il, &op, &ol) == static_cast<size_t>(-1) || il != 0) return false;
    if (iconv(Cd_, nullptr, nullptr, &op, &ol) == static_cast<size_t>(-1)) return false;
    out.assign(buf, static_cast<size_t>(op - buf));
    return true;
  }

 private:
  iconv_t Cd_;
};

char32_t Utf32Le(const std::string& b) {
  if (b.size() != 4) return 0xFFFFFFFF;
  return static_cast<char32_t>(static_cast<uint8_t>(b[0]) | static_cast<uint8_t>(b[1]) << 8 |
                               static_cast<uint8_t>(b[2]) << 16 | static_cast<uint8_t>(b[3]) << 24);
}

std::string Hex(const std::string& s) {
  std::string out;
  char buf[4];
  for (char c : s) {
    std::snprintf(buf, sizeof buf, "%02X", static_cast<uint8_t>(c));
    out += buf;
  }
  return out;
}

std::vector<std::string> AllCodes() {
  std::vector<std::string> codes;
  for (int b = 0; b < 256; ++b) {
    if (!cp932::IsLeadByte(static_cast<uint8_t>(b))) codes.emplace_back(1, static_cast<char>(b));
  }
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!cp932::IsLeadByte(static_cast<uint8_t>(lead))) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      codes.push_back({static_cast<char>(lead), static_cast<char>(trail)});
    }
  }
  return codes;
}

TEST(Cp932Iconv, DecodingAgreesWhereverIconvDecodes) {
  TIconv decode("UTF-32LE", "CP932");
  if (!decode.Ok()) GTEST_SKIP() << "iconv has no CP932";
  int agreed = 0, onlyOurs = 0, onlyIconv = 0;
  std::string onlyOursList;
  for (const std::string& code : AllCodes()) {
    size_t len = 0;
    const char32_t ours = cp932::DecodeChar(code, 0, &len);
    std::string out;
    const bool theirs = decode.Convert(code, out);
    if (!theirs) {
      if (ours != cp932::kReplacement) {
        ++onlyOurs;
        if (onlyOurs <= 12) onlyOursList += " " + Hex(code);
      }
      continue;
    }
    if (ours == cp932::kReplacement) {
      ++onlyIconv;
      ADD_FAILURE() << "iconv decodes " << Hex(code) << ", we do not";
      continue;
    }
    EXPECT_EQ(static_cast<uint32_t>(ours), static_cast<uint32_t>(Utf32Le(out))) << Hex(code);
    ++agreed;
  }
  std::printf("CP932 decode: %d codes agree with iconv; %d decoded only here:%s%s; %d only by iconv\n", agreed,
              onlyOurs, onlyOursList.c_str(), onlyOurs > 12 ? " ..." : "", onlyIconv);
  EXPECT_GT(agreed, 7000);
}

TEST(Cp932Iconv, EncodingDiffersOnlyBetweenCodesOfOneCharacter) {
  TIconv encode("CP932", "UTF-32LE");
  if (!encode.Ok()) GTEST_SKIP() << "iconv has no CP932";
  int agreed = 0, differ = 0, onlyOurs = 0, onlyIconv = 0;
  std::string sample, onlyOursList;
  for (char32_t cp = 0; cp < 0x10000; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    std::string ours;
    const bool we = cp932::EncodeChar(cp, &ours);
    std::string in(4, '\0');
    for (int i = 0; i < 4; ++i) in[static_cast<size_t>(i)] = static_cast<char>(cp >> (8 * i));
    std::string theirs;
    const bool they = encode.Convert(in, theirs);
    if (we && they) {
      if (ours == theirs) {
        ++agreed;
        continue;
      }
      ++differ;
      // Both codes must stand for the same character.
      EXPECT_EQ(static_cast<uint32_t>(cp932::DecodeChar(theirs, 0, nullptr)), static_cast<uint32_t>(cp)) << Hex(theirs);
      EXPECT_EQ(static_cast<uint32_t>(cp932::DecodeChar(ours, 0, nullptr)), static_cast<uint32_t>(cp)) << Hex(ours);
      if (differ <= 8) {
        char buf[48];
        std::snprintf(buf, sizeof buf, " U+%04X %s/%s", static_cast<unsigned>(cp), Hex(ours).c_str(),
                      Hex(theirs).c_str());
        sample += buf;
      }
    } else if (we) {
      // The single bytes that only we decode (80, A0, FD–FF) encode back.
      ++onlyOurs;
      std::string back;
      TIconv decode("UTF-32LE", "CP932");
      EXPECT_FALSE(decode.Convert(ours, back)) << Hex(ours);
      EXPECT_EQ(static_cast<uint32_t>(cp932::DecodeChar(ours, 0, nullptr)), static_cast<uint32_t>(cp));
      char buf[32];
      std::snprintf(buf, sizeof buf, " U+%04X->%s", static_cast<unsigned>(cp), Hex(ours).c_str());
      onlyOursList += buf;
    } else if (they) {
      ++onlyIconv;
      if (onlyIconv <= 16) {
        char buf[32];
        std::snprintf(buf, sizeof buf, " U+%04X->%s", static_cast<unsigned>(cp), Hex(theirs).c_str());
        sample += buf;
      }
    }
  }
  std::printf("CP932 encode: %d agree, %d differ (ours/iconv), %d only here:%s; %d only by iconv (one-way):%s\n",
              agreed, differ, onlyOurs, onlyOursList.c_str(), onlyIconv, sample.c_str());
}

}  // namespace
}  // namespace opal
