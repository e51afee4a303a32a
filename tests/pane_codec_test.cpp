#include "shell/pane_codec.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "io/textcodec.h"
#include "tests/test_util.h"

namespace kestrum {
namespace {

std::string Hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (!out.empty()) out += ' ';
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

std::string Units(std::u16string_view text) {
  std::string out;
  for (const char16_t c : text) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%s%04X", out.empty() ? "" : " ", unsigned{c});
    out += buffer;
  }
  return out;
}

struct Encoded {
  std::string bytes;
  std::vector<Placeholder> placeholders;
};

Encoded Encode(std::u16string_view text, std::u16string_view after = {}) {
  Encoded e;
  EncodeForPane(text, after, 0, e.bytes, e.placeholders);
  return e;
}

std::u16string Decode(const Encoded& e) {
  std::u16string out;
  DecodeFromPane(e.bytes, 0, e.placeholders, out);
  return out;
}

TEST(PaneCodec, TextComesBackAndCountsAsScintillaCounts) {
  const struct {
    std::u16string text;
    const char* bytes;  // in hex
  } rows[] = {
      {u"G01 X1.\r\nY2\nZ3\r", "47 30 31 20 58 31 2E 0D 0A 59 32 0A 5A 33 0D"},
      {u"(荒)", "28 E8 8D 92 29"},
      {u"😀", "F0 9F 98 80"},
      {std::u16string(u"A\0B", 3), "41 00 42"},
      {u"\uFFFF", "EF BF BF"},  // a non-character Scintilla still takes as one
      // Bytes that did not decode stand for themselves ...
      {u"\xDC80 \xDCFF", "80 20 FF"},
      {u"\xDCE3\xDC81", "E3 81"},  // E3 81 alone is no character
      // ... unless they would spell one together: the first becomes a placeholder.
      {u"\xDCEB\xDC80\xDC80", "C1 80 80"},
      {u"\xDCC3\xDCA9", "C1 A9"},
      {u"\xDCED\xDC80\xDC80", "C1 80 80"},
      {u"\xDCF0\xDC8F\xDCBF\xDCBF", "C1 8F BF BF"},  // overlong, yet one character to Scintilla
      {u"\xDCED\xDCA0\xDC80", "ED A0 80"},           // a surrogate's bytes are three characters
      {u"\xDCE0\xDC80\xDC80", "E0 80 80"},           // overlong: three characters
      {u"\xDCC1\xDCE3\xDC81\xDC82", "C1 C1 81 82"},  // a byte C1 of its own stays one
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(Units(row.text));
    const Encoded e = Encode(row.text);
    EXPECT_EQ(Hex(e.bytes), row.bytes);
    EXPECT_EQ(Units(Decode(e)), Units(row.text));
    EXPECT_EQ(PaneUnits(e.bytes), row.text.size());
  }
}

TEST(PaneCodec, LoneSurrogatesThatStandForNoByteBecomeReplacementCharacters) {
  const std::u16string text{u'A', 0xD800, u'B', 0xDC41, 0xDE00};
  EXPECT_EQ(Units(Decode(Encode(text))), "0041 FFFD 0042 FFFD FFFD");
}

TEST(PaneCodec, LastRawByteLooksAtWhatFollowsInThePane) {
  EXPECT_EQ(Hex(Encode(u"X\xDCE3", u"\xDC81\xDC82").bytes), "58 C1");
  EXPECT_EQ(Hex(Encode(u"X\xDCE3", u"\xDC81Y").bytes), "58 E3");
  EXPECT_EQ(Hex(Encode(u"X\xDCE3", u"").bytes), "58 E3");
}

TEST(PaneCodec, PlaceholderPositionsCountFromTheBase) {
  Encoded e;
  e.bytes = "ABC";
  EncodeForPane(u"\xDCC3\xDCA9", {}, 100, e.bytes, e.placeholders);
  ASSERT_EQ(e.placeholders.size(), 1u);
  EXPECT_EQ(e.placeholders[0], (Placeholder{103, 0xC3}));
  // Decoding a part of the pane finds the table's entries by position: without the entry
  // the byte would read as a raw C1.
  std::u16string out;
  DecodeFromPane(std::string_view(e.bytes).substr(3), 103, e.placeholders, out);
  EXPECT_EQ(Units(out), Units(u"\xDCC3\xDCA9"));
  out.clear();
  DecodeFromPane(std::string_view(e.bytes).substr(3), 103, {}, out);
  EXPECT_EQ(Units(out), Units(u"\xDCC1\xDCA9"));
}

// Any file, decoded as the editor reads it, goes through the pane and back to its bytes.
TEST(PaneCodec, AnyFileComesBackThroughThePane) {
  std::mt19937 random(20261208);
  int with_placeholders = 0;
  for (int round = 0; round < 600; ++round) {
    std::string bytes(random() % 400, '\0');
    for (auto& b : bytes) b = static_cast<char>(random());
    if (round % 3 == 0) {  // mostly text, so that real characters occur too
      for (auto& b : bytes) {
        if (random() % 4) b = static_cast<char>('0' + random() % 40);
      }
    }
    if (round % 5 == 0) bytes += "\xE3\x81\x82";  // and valid UTF-8 now and then
    const DecodedText decoded = DecodeText(bytes);
    const Encoded e = Encode(decoded.text);
    const std::u16string back = Decode(e);
    ASSERT_EQ(Units(back), Units(decoded.text)) << "round " << round;
    ASSERT_EQ(PaneUnits(e.bytes), decoded.text.size()) << "round " << round;
    ASSERT_EQ(EncodeText(back, decoded.encoding), bytes) << "round " << round;
    with_placeholders += !e.placeholders.empty();
  }
  EXPECT_GT(with_placeholders, 0) << "the rounds should hold bytes that spell characters";
}

TEST(PaneCharWidth, ReadsUtf8AsScintillaDoes) {
  const struct {
    const char* bytes;
    int width;
  } rows[] = {
      {"A", 1},
      {"\xC3\xA9", 2},
      {"\xC3", 1},
      {"\xC3\x41", 1},
      {"\xC0\x80", 1},
      {"\xE3\x81\x82", 3},
      {"\xE3\x81", 1},
      {"\xE0\x80\x80", 1},
      {"\xED\x9F\xBF", 3},
      {"\xED\xA0\x80", 1},
      {"\xEF\xBF\xBE", 3},
      {"\xF0\x9F\x98\x80", 4},
      {"\xF0\x8F\xBF\xBF", 4},
      {"\xF0\x8F\x80\x80", 1},
      {"\xF4\x8F\xBF\xBD", 4},
      {"\xF4\x90\x80\x80", 1},
      {"\xF5\x80\x80\x80", 1},
      {"\x80", 1},
  };
  for (const auto& row : rows) {
    const std::string_view bytes(row.bytes);
    SCOPED_TRACE(Hex(bytes));
    EXPECT_EQ(PaneCharWidth(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()),
              row.width);
  }
}

}  // namespace
}  // namespace kestrum
