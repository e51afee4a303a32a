#include "io/textcodec.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "tests/test_util.h"

namespace kestrum {
namespace {

using test::U;

// "(工具 ｱﾙﾐ)" and a CR LF in code page 932.
const std::string kShiftJisComment = "G01X10.(\x8D\x48\x8B\xEF \xB1\xD9\xD0)\r\n";

TEST(DecodeText, ShiftJisWithJapaneseComments) {
  const DecodedText decoded = DecodeText(kShiftJisComment);
  EXPECT_EQ(decoded.encoding, Encoding::kShiftJis);
  EXPECT_EQ(decoded.text, U("G01X10.(工具 ｱﾙﾐ)\r\n"));
  EXPECT_EQ(EncodeText(decoded.text, decoded.encoding), kShiftJisComment);
}

TEST(DecodeText, Utf8AndItsByteOrderMark) {
  const std::string utf8 = "G01(工具)\n";
  EXPECT_EQ(DecodeText(utf8).encoding, Encoding::kUtf8);
  EXPECT_EQ(DecodeText(utf8).text, U("G01(工具)\n"));
  const std::string bom = "\xEF\xBB\xBF" + utf8;
  const DecodedText with_bom = DecodeText(bom);
  EXPECT_EQ(with_bom.encoding, Encoding::kUtf8Bom);
  EXPECT_EQ(with_bom.text, U("G01(工具)\n"));
  EXPECT_EQ(EncodeText(with_bom.text, with_bom.encoding), bom);
}

TEST(DecodeText, AsciiIsCodePage932) {
  const DecodedText decoded = DecodeText("G01X1\r\n");
  EXPECT_EQ(decoded.encoding, Encoding::kShiftJis);
  EXPECT_EQ(decoded.text, u"G01X1\r\n");
}

TEST(DecodeText, UndecodableBytesBecomeEscapes) {
  // 0x80, 0xA0 and 0xFD..0xFF are no characters in code page 932; a lead byte at the end
  // has no trail byte.
  const std::string bytes = "A\x80 \xA0 \xFF \x81";
  const DecodedText decoded = DecodeText(bytes);
  EXPECT_EQ(decoded.text, (std::u16string{u'A', 0xDC80, u' ', 0xDCA0, u' ', 0xDCFF, u' ', 0xDC81}));
  EXPECT_EQ(EncodeText(decoded.text, decoded.encoding), bytes);
}

TEST(DecodeText, AnyBytesComeBackUnchanged) {
  std::mt19937 random(20261207);
  for (int round = 0; round < 500; ++round) {
    std::string bytes(random() % 300, '\0');
    for (auto& b : bytes) b = static_cast<char>(random());
    // Some rounds mostly text, so that valid UTF-8 and Shift-JIS pairs occur too.
    if (round % 3 == 0) {
      for (auto& b : bytes) {
        if (random() % 4) b = static_cast<char>('0' + random() % 40);
      }
    }
    const DecodedText decoded = DecodeText(bytes);
    const auto encoded = EncodeText(decoded.text, decoded.encoding);
    ASSERT_TRUE(encoded.has_value()) << "round " << round;
    ASSERT_EQ(*encoded, bytes) << "round " << round;
  }
  // Every lead and trail byte pair.
  std::string pairs;
  for (int lead = 0x80; lead <= 0xFF; ++lead) {
    for (int trail = 0x00; trail <= 0xFF; ++trail) {
      pairs.push_back(static_cast<char>(lead));
      pairs.push_back(static_cast<char>(trail));
      pairs.push_back(' ');
    }
  }
  const DecodedText decoded = DecodeText(pairs);
  EXPECT_EQ(EncodeText(decoded.text, decoded.encoding), pairs);
}

// ASCII goes through in blocks; the characters around and between the blocks must land in
// their places whatever the run lengths.
TEST(DecodeText, AsciiRunsOfAnyLengthAroundOtherCharacters) {
  const struct {
    const char* bytes;
    char16_t text;
  } others[] = {{"\x8D\x48", u'工'}, {"\xB1", u'ｱ'}, {"\xA0", char16_t{0xDCA0}}};
  std::mt19937 random(42);
  for (int round = 0; round < 300; ++round) {
    std::string bytes;
    std::u16string text;
    for (int piece = 0; piece < 20; ++piece) {
      for (int n = static_cast<int>(random() % 20); n > 0; --n) {
        const char c = static_cast<char>('0' + random() % 40);
        bytes += c;
        text += static_cast<char16_t>(c);
      }
      const auto& other = others[random() % 3];
      bytes += other.bytes;
      text += other.text;
    }
    const DecodedText decoded = DecodeText(bytes);
    ASSERT_EQ(decoded.encoding, Encoding::kShiftJis);
    ASSERT_EQ(decoded.text, text) << "round " << round;
    ASSERT_EQ(EncodeText(text, Encoding::kShiftJis), bytes) << "round " << round;
  }
}

TEST(EncodeText, SaysWhichCharacterHasNoCode) {
  std::size_t bad = 0;
  const std::u16string text = U("G01(😀)");
  EXPECT_FALSE(EncodeText(text, Encoding::kShiftJis, &bad).has_value());
  EXPECT_EQ(bad, 4u);
  EXPECT_EQ(EncodeText(text, Encoding::kUtf8), "G01(😀)");
  const std::u16string lone{u'A', 0xD800, u'B'};
  EXPECT_FALSE(EncodeText(lone, Encoding::kUtf8, &bad).has_value());
  EXPECT_EQ(bad, 1u);
}

TEST(Utf8, InvalidBytesBecomeReplacementCharacters) {
  EXPECT_EQ(FromUtf8("a\xFF"
                     "b"),
            (std::u16string{u'a', 0xFFFD, u'b'}));
  EXPECT_EQ(ToUtf8(std::u16string{u'a', 0xDC80}), "a\xEF\xBF\xBD");
}

}  // namespace
}  // namespace kestrum
