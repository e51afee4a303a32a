#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "ncword/format_coord.h"
#include "ncword/numeric.h"
#include "ncword/read_word.h"
#include "ncword/scanner.h"
#include "tests/number_reference.h"
#include "tests/test_util.h"

namespace kestrum {
namespace {

using test::U;
using test::Utf8;

TEST(ReadNumber, ReadsTheLeadingNumber) {
  const struct {
    const char* text;
    double value;
  } rows[] = {
      {"", 0},
      {"-", 0},
      {".", 0},
      {"12.5abc", 12.5},
      {" .5", 0.5},
      {"1,5", 1},
      {"-.5", -0.5},
      {"+3", 3},
      {"1.2.3", 1.2},
      {"1 2", 12},
      {"\t7", 7},
      {"- 1", -1},
      {"1E3", 1000},
      {"1D2", 100},
      {"2e-1", 0.2},
      {"1E", 1},
      {"1E+", 1},
      {"01/2", 1},
      {" 1.234568E+07", 12345680},
      {"1e-400", 0},
      {"X10", 0},
      {"--1", 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_DOUBLE_EQ(ReadNumber(U(row.text)), row.value);
  }
  // Beyond the double range: the largest double, never infinity.
  EXPECT_EQ(ReadNumber(u"1e400"), DBL_MAX);
  EXPECT_EQ(ReadNumber(u"-1e400"), -DBL_MAX);
}

TEST(IsPlainNumber, AcceptsOnlySignedDecimals) {
  for (const char* yes : {"1", "-1", "+1.", ".5", "-.5", "10.500", " 12 "}) {
    EXPECT_TRUE(IsPlainNumber(U(yes))) << yes;
  }
  for (const char* no : {"", "-", "/", ".", "1,5", "1/2", "1.2.3", "1e5", "--1", "+-1"}) {
    EXPECT_FALSE(IsPlainNumber(U(no))) << no;
  }
}

TEST(FormatMask, MaskTable) {
  const struct {
    const char* mask;
    double value;
    const char* text;
  } rows[] = {
      {"#####0.###", 12, "12."},
      {"#####0.###", 12.5, "12.5"},
      {"#####0.###", 0.5, "0.5"},
      {"#####0.###", -0.5, "-0.5"},
      {"#####0.###", 1.23456, "1.235"},
      {"#####0.###", 0, "0."},
      {"#####0.0##", 12, "12.0"},
      {"#####0.0##", 12.5, "12.5"},
      {"#####0.0##", 0, "0.0"},
      {"#####0.0##", 1.23456, "1.235"},
      {"#####0.####", 12, "12."},
      {"#####0.####", 1.23456, "1.2346"},
      {"#####0.####", 0, "0."},
      {"#####0.0###", 12, "12.0"},
      {"#####0.0###", 1.23456, "1.2346"},
      {"##00", 12, "12"},
      {"##00", 12.5, "13"},
      {"##00", 0.5, "01"},
      {"##00", -0.5, "-01"},
      {"##00", 0, "00"},
      {"##00", 100, "100"},
      {"##00", 1.5, "02"},
      {"####00", 5, "05"},
      {"####00", 1.23456, "01"},
      {"0#", 5, "05"},
      {"0#", 12.3456, "12"},
      {"0#", 0, "00"},
      {"000#", 5, "0005"},
      {"000#", 12.3456, "0012"},
      {"000#", 0, "0000"},
      {"00##", 5, "0005"},
      {"00##", 0, "0000"},
      {"00##", 12345, "12345"},
      {"###", 5, "5"},
      {"###", 12.3456, "12"},
      {"###", 0, ""},
      {"####", 0.4, ""},
      {"#####", -5, "-5"},
      {"###", 1234, "1234"},
      {"###0.000", 5, "5.000"},
      {"###0.000", 12.3456, "12.346"},
      {"###0.000", 0, "0.000"},
      {"####0.0##", 5, "5.0"},
      {"####0.0##", 12.3456, "12.346"},
      {"####0.0##", 0, "0.0"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.mask << " " << row.value);
    EXPECT_EQ(Utf8(FormatMask(row.value, row.mask)), row.text);
  }
}

TEST(FormatMask, RoundsHalfAwayFromZeroOnDecimalDigits) {
  const struct {
    double value;
    const char* text;
  } rows[] = {
      {1.0005, "1.001"},
      {-0.0125, "-0.013"},
      {0.0005, "0.001"},
      {-0.0005, "-0.001"},
      {2.675, "2.675"},
      {1.0015, "1.002"},
      {9.9995, "10."},
      {-9.9995, "-10."},
      {0.1 + 0.2, "0.3"},
      {999999.9999, "1000000."},
      {-0.0004, "0."},  // rounds to zero: no minus sign
      {1e20, "100000000000000000000."},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.value);
    EXPECT_EQ(Utf8(FormatMask(row.value, "#####0.###")), row.text);
  }
}

TEST(FormatMask, SinglePrecisionKeepsSevenDigits) {
  EXPECT_EQ(Utf8(FormatMask(1234567.75f, "#####0.###")), "1234568.");
  EXPECT_EQ(Utf8(FormatMask(1234567.75, "#####0.###")), "1234567.75");
  EXPECT_EQ(Utf8(FormatMask(12345.678f, "#####0.0##")), "12345.68");
  EXPECT_EQ(Utf8(FormatMask(0.1f, "#####0.0###")), "0.1");
}

TEST(FormatMask, TextThatIsNotANumberStaysAsWritten) {
  for (const char* text : {"-", "/", ".", "1,5", "1/2", ""}) {
    EXPECT_EQ(Utf8(FormatMaskText(U(text), "#####0.####")), text);
  }
  EXPECT_EQ(Utf8(FormatMaskText(u"+3", "#####0.0###")), "3.0");
  EXPECT_EQ(Utf8(FormatMaskText(u"-.5", "#####0.####")), "-0.5");
}

TEST(ShortForm, WritesLikeTheNumberReaderReadsBack) {
  const struct {
    double value;
    const char* text;
  } doubles[] = {
      {0, " 0"},
      {0.5, " .5"},
      {-0.5, "-.5"},
      {12, " 12"},
      {-12.25, "-12.25"},
      {1e15, " 1E+15"},
      {123456789012345, " 123456789012345"},
      {0.0001, " .0001"},
      {0.00001, " 1E-05"},
      {1.5e-7, " 1.5E-07"},
      {1.5e18, " 1.5E+18"},
      {1e100, " 1E+100"},
  };
  for (const auto& row : doubles) {
    SCOPED_TRACE(row.value);
    EXPECT_EQ(Utf8(ShortForm(row.value)), row.text);
    EXPECT_DOUBLE_EQ(ReadNumber(ShortForm(row.value)), row.value);
  }
  const struct {
    float value;
    const char* text;
  } singles[] = {
      {1e7f, " 1E+07"},          {12345678.f, " 1.234568E+07"},
      {12345.678f, " 12345.68"}, {1234567.f, " 1234567"},
      {-0.25f, "-.25"},          {0.1f, " .1"},
  };
  for (const auto& row : singles) {
    SCOPED_TRACE(row.value);
    EXPECT_EQ(Utf8(ShortForm(row.value)), row.text);
  }
}

TEST(TrimNumber, NeverWritesAnExponent) {
  EXPECT_EQ(Utf8(TrimNumber(0.5)), "0.5");
  EXPECT_EQ(Utf8(TrimNumber(-0.5)), "-0.5");
  EXPECT_EQ(Utf8(TrimNumber(12.0)), "12");
  EXPECT_EQ(Utf8(TrimNumber(-0.0)), "0");
  EXPECT_EQ(Utf8(TrimNumber(12345678.f)), "12345680");
  EXPECT_EQ(Utf8(TrimNumber(1e15)), "1000000000000000");
}

TEST(FormatCoord, OspAndFanucStyles) {
  const struct {
    double value;
    const char* osp;
    const char* fanuc;
  } rows[] = {
      {100, "100", "100.0"},
      {12, "12", "12.0"},
      {12.5, "12.5", "12.5"},
      {0.5, "0.5", "0.5"},
      {-0.5, "-0.5", "-0.5"},
      {1.23456, "1.235", "1.235"},
      {0.0004, "0", "0.0"},
      {0.0005, "0.001", "0.001"},
      {-0.0005, "-0.001", "-0.001"},
      {-0.0001, "0", "0.0"},
      {0, "0", "0.0"},
      {-150, "-150", "-150.0"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.value);
    EXPECT_EQ(Utf8(FormatCoord(row.value, 1)), row.osp);
    EXPECT_EQ(Utf8(FormatCoord(row.value, 2)), row.fanuc);
    // Before any translation the style is FANUC's.
    EXPECT_EQ(Utf8(FormatCoord(row.value, 0)), row.fanuc);
  }
  EXPECT_EQ(Utf8(FormatCoord(12345.678f, 1)), "12345.68");
  EXPECT_EQ(Utf8(FormatCoord(12345.678, 1)), "12345.678");
  for (int style : {0, 1, 2}) EXPECT_EQ(Utf8(FormatCoordText(u"", style)), "");
  EXPECT_EQ(Utf8(FormatCoordText(u"10.", 1)), "10");
  EXPECT_EQ(Utf8(FormatCoordText(u"10.", 2)), "10.0");
}

TEST(FormatCoord4, FourDecimalsTrimmed) {
  EXPECT_EQ(Utf8(FormatCoord4(10.0)), "10");
  EXPECT_EQ(Utf8(FormatCoord4(10.50)), "10.5");
  EXPECT_EQ(Utf8(FormatCoord4(-0.25)), "-0.25");
  EXPECT_EQ(Utf8(FormatCoord4(1.234567)), "1.2346");
  EXPECT_EQ(Utf8(FormatCoord4(0.00004)), "0");
  EXPECT_EQ(Utf8(FormatCoord4(-0.00001)), "0");
  EXPECT_EQ(Utf8(FormatCoord4(0.3937008f)), "0.3937");
  EXPECT_EQ(Utf8(FormatCoord4Text(u"/")), "/");
  EXPECT_EQ(Utf8(FormatCoord4Text(u"-")), "-");
  EXPECT_EQ(Utf8(FormatCoord4Text(u"X")), "X");
  EXPECT_EQ(Utf8(FormatCoord4Text(u"10.0")), "10");
}

TEST(FormatCoord, NonFiniteValuesGiveDigits) {
  EXPECT_FALSE(FormatCoord(std::numeric_limits<double>::infinity(), 1).empty());
  EXPECT_EQ(Utf8(FormatCoord(std::numeric_limits<double>::quiet_NaN(), 2)), "0.0");
}

// One line in a scanner with NcPos on the given 1-based position.
struct LineAt {
  Module1 m;
  Scanner s;
  LineAt(std::u16string_view line, std::size_t pos) : s(line, m) {
    s.NextLine();
    s.NcPos = pos;
  }
};

// ---------------------------------------------------------------------------------------------
// The formatters and readers work on integers where they can, and must give exactly what the
// plain reference gives: digits from printf, rounding and layout on strings, strtod.

// The masks the conversions and the translation write with.
constexpr const char* kMasks[] = {"#####0.###", "#####0.0##", "#####0.####", "#####0.0###",
                                  "##00",       "####00",     "0#",          "000#",
                                  "#####",      "###0.000",   "####0.0##"};

template <typename Value>
void ExpectLikeTheReference(Value v, bool every_mask) {
  SCOPED_TRACE(testing::Message() << std::hexfloat << static_cast<double>(v));
  constexpr int kDigits = std::is_same_v<Value, float> ? 7 : 15;
  const reference::Decimal d = reference::ToDecimal(v, kDigits);
  for (const int style : {0, 1, 2}) {
    ASSERT_EQ(Utf8(FormatCoord(v, style)), reference::Coord(d, style)) << style;
    // The value written is what the text reads as.
    std::u16string text;
    ASSERT_EQ(AppendCoord(text, v, style), reference::ReadNumber(U(reference::Coord(d, style))));
  }
  ASSERT_EQ(Utf8(FormatCoord4(v)), reference::Coord4(d));
  ASSERT_EQ(Utf8(ShortForm(v)), reference::Short(d, kDigits));
  ASSERT_EQ(Utf8(TrimNumber(v)), reference::Trim(d));
  ASSERT_EQ(Utf8(FormatMask(v, "#####0.####")), reference::Mask(d, "#####0.####"));
  if (every_mask) {
    for (const char* mask : kMasks) {
      ASSERT_EQ(Utf8(FormatMask(v, mask)), reference::Mask(d, mask));
      std::u16string text;
      ASSERT_EQ(AppendMask(text, v, mask), reference::ReadNumber(U(reference::Mask(d, mask))));
    }
  }
  // The append forms write the same after what the buffer holds.
  std::u16string out = u"X";
  AppendCoord(out, v, 2);
  AppendMask(out, v, "000#");
  AppendCoord4(out, v);
  ASSERT_EQ(Utf8(out),
            "X" + reference::Coord(d, 2) + reference::Mask(d, "000#") + reference::Coord4(d));
  if constexpr (std::is_same_v<Value, float>) {
    ASSERT_EQ(ShortFormValue(v), std::strtod(reference::Short(d, kDigits).c_str(), nullptr));
  }
}

TEST(NumberTexts, DoublesLikeThePlainReference) {
  std::vector<double> values = {0,
                                -0.0,
                                0.0004,
                                -0.0004,
                                0.0005,
                                -0.0005,
                                0.00049999,
                                1e-5,
                                9.99995e-6,
                                1e-9,
                                1e-300,
                                1.0005,
                                2.675,
                                -0.0125,
                                12,
                                12.5,
                                -12.3456,
                                12.34565,
                                0.1 + 0.2,
                                999999.9995,
                                -999999.9995,
                                1e6,
                                123456789.5,
                                5e8,
                                -5e8,
                                1e8,
                                1e9,
                                -1e9,
                                999999999.9999,
                                1e15,
                                1e20,
                                1e300,
                                DBL_MAX,
                                std::numeric_limits<double>::denorm_min(),
                                std::nan(""),
                                std::numeric_limits<double>::infinity(),
                                -std::numeric_limits<double>::infinity()};
  std::mt19937 random(3);
  for (int i = 0; i < 20000; ++i) {
    const double scale[] = {1, 10, 100, 1000, 10000, 1e6};
    values.push_back((static_cast<double>(random() % 20000001) - 1e7) / scale[random() % 6]);
  }
  for (const double v : values) ExpectLikeTheReference(v, true);
  std::mt19937_64 random64(7);
  for (int i = 0; i < 50000; ++i) {
    // Values of few decimals and their neighbours, where the rounding decides.
    const double base =
        static_cast<double>(static_cast<std::int64_t>(random64() % 2000000000) - 1000000000) /
        std::pow(10.0, static_cast<int>(random64() % 9));
    for (const double v :
         {base, std::nextafter(base, 1e300), std::nextafter(base, -1e300), base + 0.00005}) {
      ExpectLikeTheReference(v, false);
    }
  }
  // Every decade from 10^-8 to 10^17, where the integer digits give way to printf's.
  std::uniform_real_distribution<double> exponent(-8, 17);
  for (int i = 0; i < 50000; ++i) {
    const double v = std::pow(10.0, exponent(random64));
    ExpectLikeTheReference(i % 2 ? v : -v, i % 10 == 0);
  }
}

TEST(NumberTexts, SinglesLikeThePlainReference) {
  for (const float v : {0.0f,          -0.0f,       1.0f,        -1.0f,      0.0005f,    -0.0005f,
                        0.00005f,      0.00004999f, 9999999.0f,  9999999.5f, 1234567.5f, 1234568.5f,
                        0.3937008f,    1e-5f,       9.99999e-6f, 1e7f,       25.4f,      0.001f,
                        0.0009765625f, 123.45675f,  FLT_MAX,     FLT_MIN,    1e-45f}) {
    ExpectLikeTheReference(v, true);
  }
  // Ties of the 7th digit (x.5 above 10^6), the binade around 2^-10 where the decimal and
  // binary grids come closest, and random values over the whole range.
  for (float v = 1e6f; v < 1.002e6f; v = std::nextafter(v, 2e6f)) ExpectLikeTheReference(v, false);
  for (float v = 0.00097f; v < 0.000985f; v = std::nextafter(v, 1.f)) {
    ExpectLikeTheReference(-v, false);
  }
  std::mt19937 random(7);
  std::uniform_real_distribution<double> exponent(-6.5, 7.5);
  for (int i = 0; i < 100000; ++i) {
    const float v = static_cast<float>(std::pow(10.0, exponent(random)));
    ExpectLikeTheReference(i % 2 ? v : -v, i % 10 == 0);
  }
}

TEST(NumberTexts, WordTextsLikeThePlainReference) {
  // Word values as programs hold them: leading zeros, trailing zeros, long digit runs, blanks,
  // and texts that are no plain number.
  std::vector<std::string> texts = {"",
                                    "-",
                                    ".",
                                    "-.",
                                    "1,5",
                                    "1/2",
                                    "1.2.3",
                                    " 7 ",
                                    "+3",
                                    "-0",
                                    "-0.000",
                                    "000",
                                    "1" + std::string(30, '0'),
                                    "0." + std::string(300, '0') + "1",
                                    "123456789012345",
                                    "1234567890123456",
                                    "99999999999999999999.5"};
  std::mt19937 random(23);
  for (int i = 0; i < 50000; ++i) {
    std::string text = random() % 8 ? "" : " ";
    text += "+-  "[random() % 4];
    if (text.back() == ' ') text.pop_back();
    for (int n = static_cast<int>(random() % 12); n > 0; --n) {
      text += static_cast<char>('0' + (random() % 3 ? random() % 10 : 0));
    }
    if (random() % 4) text += '.';
    for (int n = static_cast<int>(random() % 12); n > 0; --n) {
      text += static_cast<char>('0' + (random() % 3 ? random() % 10 : 0));
    }
    if (random() % 50 == 0) text += ",/X"[random() % 3];
    texts.push_back(text);
  }
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    const std::u16string u = U(text);
    const bool plain = IsPlainNumber(u);
    const reference::Decimal d = reference::ToDecimal(reference::ReadNumber(u), 15);
    for (const char* mask : kMasks) {
      ASSERT_EQ(Utf8(FormatMaskText(u, mask)), plain ? reference::Mask(d, mask) : text) << mask;
    }
    for (const int style : {0, 1, 2}) {
      ASSERT_EQ(Utf8(FormatCoordText(u, style)), plain ? reference::Coord(d, style) : text);
    }
    ASSERT_EQ(Utf8(FormatCoord4Text(u)), plain ? reference::Coord4(d) : text);
  }
}

TEST(ReadNumber, LikeThePlainReference) {
  std::vector<std::string> texts = {"9007199254740993",
                                    "9007199254740992.5",
                                    "0.0000000000000000000000001",
                                    "0.00000000000000000000001",
                                    "0.00000000000000000000123",
                                    "900719925474099.3",
                                    "9007199254740991",
                                    "123456789012345678901234",
                                    "1.7976931348623157e308",
                                    "4.9e-324",
                                    "00000000000000000000000001.5",
                                    "-0",
                                    "-0.0",
                                    ".",
                                    "1 2 3 . 4 5",
                                    "12e",
                                    "12e+",
                                    "1.5 e 3"};
  std::mt19937 random(17);
  const char pieces[] = "0123456789012345678901234567890123456789.. +-eEdD,x\t";
  for (int i = 0; i < 200000; ++i) {
    std::string text;
    const int n = static_cast<int>(random() % 30);
    for (int k = 0; k < n; ++k) {
      // Mostly digits, so that long numbers come up; now and then anything.
      text += random() % 4 ? static_cast<char>('0' + random() % 10)
                           : pieces[random() % (sizeof pieces - 1)];
    }
    texts.push_back(text);
  }
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    const double expected = reference::ReadNumber(U(text));
    const double v = ReadNumber(U(text));
    ASSERT_EQ(v, expected);
    ASSERT_EQ(std::signbit(v), std::signbit(expected));
  }
}

TEST(ReadWordExpr, LikeThePlainReference) {
  std::vector<std::string> words = {"0",
                                    "-0",
                                    "-12.5",
                                    "=3",
                                    "=-.5",
                                    "007",
                                    "1.",
                                    ".5",
                                    "1234567",
                                    "12345678",
                                    "1.23456",
                                    "0.000987",
                                    "0.0009871",
                                    "123.45678",
                                    "1+2*3",
                                    "1,5",
                                    "1/2",
                                    "[1+2]",
                                    "1.2.3",
                                    "-",
                                    ".",
                                    "",
                                    " 5",
                                    "5 Y",
                                    "5(A)",
                                    "2.675",
                                    "1e3",
                                    "9999999",
                                    "0.000986",
                                    "0.0009851",
                                    "=",
                                    "+-5",
                                    "5=",
                                    "5[",
                                    "00000000001",
                                    "1=2",
                                    "1[2]3",
                                    "[[[",
                                    "10*-2",
                                    "1/0",
                                    "99999999999999999999*1e30"};
  std::mt19937 random(11);
  for (int i = 0; i < 20000; ++i) {
    const int decimals = static_cast<int>(random() % 8);
    const double v = (static_cast<double>(random() % 2000001) - 1000000.0) / 997.0;
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    words.push_back(text);
  }
  // Plain numbers of 1 to 8 significant digits in every decade from 10^-6 to 10^8, and the
  // binade just under 0.001, where a float is too coarse to give back 7 digits.
  const auto plain = [](std::uint64_t mantissa, int exponent) {
    std::string digits = std::to_string(mantissa);
    if (exponent >= 0) return digits + std::string(exponent, '0');
    if (static_cast<int>(digits.size()) <= -exponent) {
      digits.insert(0, -exponent - digits.size() + 1, '0');
    }
    digits.insert(digits.size() + exponent, ".");
    return digits;
  };
  for (int decade = -6; decade <= 8; ++decade) {
    for (int i = 0; i < 4000; ++i) {
      const int significant = 1 + static_cast<int>(random() % 8);
      const std::uint64_t low = static_cast<std::uint64_t>(std::pow(10, significant - 1));
      const std::uint64_t mantissa = low + random() % (9 * low);
      words.push_back((i % 2 ? "-" : "") + plain(mantissa, decade - significant + 1));
    }
  }
  for (std::uint64_t mantissa = 9765000; mantissa < 10000000; mantissa += 7) {
    words.push_back(plain(mantissa, -10));
  }
  const char* pieces[] = {"0", "1", "5", "9",      "12",       "300",      "1234567", ".", "-",
                          "+", "*", "/", "=",      "[",        "]",        ",",       " ", "#1",
                          "Y", "(", "E", "0.0005", "123.4567", "99999999", "3.4e38"};
  for (int i = 0; i < 50000; ++i) {
    std::string word;
    for (int n = 1 + static_cast<int>(random() % 5); n > 0; --n) word += pieces[random() % 25];
    words.push_back(word);
  }
  for (const std::string& word : words) {
    SCOPED_TRACE(word);
    const reference::Expr expected = reference::ReadExpr(U(word));
    const WordExpr e = EvaluateWordExpr(U(word));
    ASSERT_EQ(e.length, expected.length);
    ASSERT_EQ(e.has_value, expected.has_value);
    ASSERT_EQ(e.value, expected.value);
    ASSERT_EQ(e.plain, IsPlainNumber(U(word).substr(0, expected.length)));
    // The scanner's reader leaves the same text and position.
    LineAt t(U("X" + word), 1);
    ReadWordExpr(t.s);
    ASSERT_EQ(Utf8(t.s.WordValue), expected.text);
    ASSERT_EQ(t.s.NcPos, 1 + expected.length);
  }
}

TEST(ReadWordValue, CollectsValueCharacters) {
  const struct {
    const char* line;
    std::size_t pos;
    const char* value;
    std::size_t end;
  } rows[] = {
      {"X-12.5Y3", 1, "-12.5", 6},  {"G01/2", 1, "01/2", 5}, {"X 10", 1, "", 1},
      {"G01X10.Y-5.", 4, "10.", 7}, {"G01X", 4, "", 4},      {"X1,5Y", 1, "1,5", 4},
      {"X=10", 1, "", 1},           {"X+5", 1, "+5", 3},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.line);
    LineAt t(U(row.line), row.pos);
    ReadWordValue(t.s);
    EXPECT_EQ(Utf8(t.s.WordValue), row.value);
    EXPECT_EQ(t.s.NcPos, row.end);
  }
}

TEST(ReadWordExpr, EvaluatesLeftToRightInSinglePrecision) {
  const struct {
    const char* line;
    const char* value;
    std::size_t end;
  } rows[] = {
      {"X10.", " 10", 4},      {"X=-2.5", "-2.5", 6},
      {"Z[100+5]", " 105", 7}, {"X.5", " .5", 3},
      {"X ", "", 1},           {"X1+2*3", " 9", 6},
      {"X10+ ", "", 4},        {"X12345.678", " 12345.68", 10},
      {"X2+3*4", " 20", 6},    {"X10*0+3", " 13", 7},
      {"X10*-2", " 8", 6},     {"X-5", "-5", 3},
      {"X10/4", " 2.5", 5},    {"X1/0", " 1", 4},
      {"X-0", " 0", 3},        {"X=[[[", "", 5},
      {"X1#2", " 1", 2},       {"X12345678", " 1.234568E+07", 9},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.line);
    LineAt t(U(row.line), 1);
    ReadWordExpr(t.s);
    EXPECT_EQ(Utf8(t.s.WordValue), row.value);
    EXPECT_EQ(t.s.NcPos, row.end);
  }
}

TEST(ReadWordToken, StopsAtBlankOrAfterValue) {
  const struct {
    const char* line;
    std::size_t pos;
    const char* value;
  } rows[] = {
      {"VC12=5", 0, "VC12"},   {"ABC DEF", 0, "ABC"}, {"ABC\tDEF", 0, "ABC"},
      {"O1234(X)", 1, "1234"}, {"N10G01", 1, "10"},   {"#101=5", 1, "101"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.line);
    LineAt t(U(row.line), row.pos);
    ReadWordToken(t.s);
    EXPECT_EQ(Utf8(t.s.WordValue), row.value);
  }
}

TEST(SkipValueChars, StopsAtFirstOtherCharacter) {
  LineAt a(u"#101=5", 1);
  std::size_t p = 1;
  EXPECT_EQ(SkipValueChars(a.s, p), 5u);
  EXPECT_EQ(p, 5u);
  LineAt b(u"X-1.5*2/3", 1);
  p = 1;
  EXPECT_EQ(SkipValueChars(b.s, p), 10u);
  p = 9;
  EXPECT_EQ(SkipValueChars(b.s, p), 10u);
}

// The characters a walk hands to the conversion, line by line.
std::vector<std::string> Examined(std::u16string_view src, Module1& m) {
  std::vector<std::string> lines;
  WalkLines(
      src, m,
      [&](Scanner&, char16_t ch) {
        if (ch != kNoChar) lines.back().push_back(static_cast<char>(ch));
      },
      [&](Scanner&) { lines.emplace_back(); });
  return lines;
}

TEST(LineWalk, CutsAtCrLfOnlyAndEndsEveryLine) {
  Module1 m;
  const auto identity = [](Scanner&, char16_t) {};
  EXPECT_EQ(WalkLines(u"G01\r\nX1", m, identity), u"G01\r\nX1\r\n");
  EXPECT_EQ(WalkLines(u"", m, identity), u"\r\n");
  EXPECT_EQ(WalkLines(u"A\nB\rC\r\n", m, identity), u"A\nB\rC\r\n");
  EXPECT_EQ(Examined(u"A\nB\r\nC", m), (std::vector<std::string>{"A\nB", "C"}));
}

TEST(LineWalk, CommentsAreSkipped) {
  Module1 m;
  EXPECT_EQ(Examined(u"X1(TOOL X2)X3", m), (std::vector<std::string>{"X1)X3"}));
  EXPECT_FALSE(m.InComment);
  // Open over two lines: the second line's words are comment until its ")".
  EXPECT_EQ(Examined(u"X1(OPEN X2\r\nX3 Y4) Z5\r\nX6", m),
            (std::vector<std::string>{"X1", ") Z5", "X6"}));
  // A ")" in the first position of a line entered inside a comment closes it.
  EXPECT_EQ(Examined(u"(OPEN\r\n)X2", m), (std::vector<std::string>{"", ")X2"}));
  EXPECT_FALSE(m.InComment);
}

TEST(LineWalk, UnclosedCommentCarriesIntoTheNextRun) {
  Module1 m;
  EXPECT_EQ(Examined(u"X1(OPEN", m), (std::vector<std::string>{"X1"}));
  EXPECT_TRUE(m.InComment);
  EXPECT_EQ(Examined(u"X2\r\nY3)X4", m), (std::vector<std::string>{"", ")X4"}));
  EXPECT_FALSE(m.InComment);
}

TEST(LineWalk, CommentTextIsCollected) {
  Module1 m;
  Scanner s(u"A(B C)D(E", m);
  s.NextLine();
  std::u16string comment;
  for (s.NcPos = 1; s.NcPos <= s.NcLineLen(); ++s.NcPos) s.TakeChar(&comment);
  EXPECT_EQ(comment, u"B CE");
  EXPECT_TRUE(m.InComment);
}

// The gap buffer must behave exactly like a plain string under any mix of edits.
TEST(Scanner, EditsMatchAPlainString) {
  std::mt19937 random(12345);
  for (int round = 0; round < 200; ++round) {
    std::u16string model;
    const int len = random() % 40;
    for (int i = 0; i < len; ++i) model.push_back(u'A' + random() % 26);
    Module1 m;
    Scanner s(model, m);
    ASSERT_TRUE(s.NextLine());
    for (int step = 0; step < 30; ++step) {
      const std::u16string text(random() % 4, u'0' + random() % 10);
      switch (random() % 4) {
        case 0: {  // splice at a word
          if (model.empty()) break;
          const std::size_t end = 1 + random() % model.size();
          const std::size_t start = random() % (end + 1);
          s.NcPos = end;
          s.Splice(start, text);
          model.replace(start, end - start, text);
          EXPECT_EQ(s.NcPos, start + text.size());
          break;
        }
        case 1: {
          const std::size_t after = random() % (model.size() + 1);
          s.Insert(after, text);
          model.insert(after, text);
          break;
        }
        case 2: {
          if (model.empty()) break;
          const std::size_t first = 1 + random() % model.size();
          const std::size_t count = random() % (model.size() - first + 2);
          s.Erase(first, count);
          model.erase(first - 1, count);
          break;
        }
        case 3:
          EXPECT_EQ(s.Line(), model);
          break;
      }
      ASSERT_EQ(s.NcLineLen(), model.size());
      for (std::size_t p = 1; p <= model.size(); ++p) ASSERT_EQ(s.At(p), model[p - 1]);
    }
    std::u16string out;
    s.AppendLineTo(out);
    EXPECT_EQ(out, model);
  }
}

}  // namespace
}  // namespace kestrum
