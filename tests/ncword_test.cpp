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
#include "ncword/line_walk.h"
#include "ncword/module1.h"
#include "ncword/numeric.h"
#include "ncword/read_word.h"
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

// A value that lies exactly on a tie of the decimal digits kept rounds away from zero too, in
// single precision (2416.8125 is exact there) as in double.
TEST(FormatMask, ExactBinaryTiesRoundAwayFromZero) {
  const struct {
    float value;
    const char* three_decimals;
    const char* short_form;
  } rows[] = {
      {2416.8125f, "2416.813", " 2416.813"},       {-2416.8125f, "-2416.813", "-2416.813"},
      {79475.625f, "79475.63", " 79475.63"},       {0.5f, "0.5", " .5"},
      {10000005.0f, "10000010.", " 1.000001E+07"}, {1.0009765625f, "1.001", " 1.000977"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.value);
    EXPECT_EQ(Utf8(FormatMask(row.value, "#####0.###")), row.three_decimals);
    EXPECT_EQ(Utf8(ShortForm(row.value)), row.short_form);
  }
  EXPECT_EQ(Utf8(FormatCoord(2416.8125f, 1)), "2416.813");
  // 2^-22 has 16 significant digits and ends in 5: at 15 digits it is a tie of a double.
  EXPECT_EQ(Utf8(ShortForm(std::ldexp(1.0, -22))), " 2.38418579101563E-07");
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
  // Every decade from 10^-8 to 10^20, where the integer digits give way to printf's.
  std::uniform_real_distribution<double> exponent(-8, 20);
  for (int i = 0; i < 50000; ++i) {
    const double v = std::pow(10.0, exponent(random64));
    ExpectLikeTheReference(i % 2 ? v : -v, i % 10 == 0);
  }
}

TEST(NumberTexts, SinglesLikeThePlainReference) {
  for (const float v :
       {2416.8125f,   79475.625f, 10000005.0f,  33554430.0f, 0.0f,          -0.0f,
        1.0f,         -1.0f,      0.0005f,      -0.0005f,    0.00005f,      0.00004999f,
        9999999.0f,   9999999.5f, 1234567.5f,   1234568.5f,  0.3937008f,    1e-5f,
        9.99999e-6f,  1e7f,       25.4f,        0.001f,      0.0009765625f, 123.45675f,
        FLT_MAX,      FLT_MIN,    1e-45f,       12345675.0f, 12345665.0f,   99999990.0f,
        219960390.0f, 1e18f,      9.999999e18f, 1e19f}) {
    ExpectLikeTheReference(v, true);
  }
  // Ties of the 7th digit (x.5 above 10^6), the binade around 2^-10 where the decimal and
  // binary grids come closest, and random values from 10^-6.5 to sequence numbers of 10^11.
  for (float v = 1e6f; v < 1.002e6f; v = std::nextafter(v, 2e6f)) ExpectLikeTheReference(v, false);
  for (float v = 0.00097f; v < 0.000985f; v = std::nextafter(v, 1.f)) {
    ExpectLikeTheReference(-v, false);
  }
  std::mt19937 random(7);
  std::uniform_real_distribution<double> exponent(-6.5, 11.5);
  for (int i = 0; i < 100000; ++i) {
    const float v = static_cast<float>(std::pow(10.0, exponent(random)));
    ExpectLikeTheReference(i % 2 ? v : -v, i % 10 == 0);
  }
}

// Rounded once to seven digits, a value below 10^7 goes through single precision and comes
// out with the same digits.
TEST(NumberTexts, SevenDigitsSurviveSinglePrecision) {
  std::mt19937_64 random(11);
  std::uniform_real_distribution<double> exponent(-3, 7);
  for (int i = 0; i < 200000; ++i) {
    const double v = (i % 2 ? 1 : -1) * std::pow(10.0, exponent(random));
    SCOPED_TRACE(testing::Message() << std::hexfloat << v);
    const reference::Decimal d = reference::ToDecimal(v, 7);
    const double seven = SevenDigits(v);
    ASSERT_EQ(Utf8(ShortForm(ToSingle(seven))), reference::Short(d, 7));
    ASSERT_EQ(seven, std::strtod(reference::Short(d, 7).c_str(), nullptr));
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

// Expressions of constants made at random as a control reads them, printed as text, with
// the value the generator computes from its own tree: the reader must give that value and take
// the whole text.
class ExpressionMaker {
 public:
  explicit ExpressionMaker(unsigned seed) : random_(seed) {}

  // A sum of products, each a signed factor; inside brackets a factor may be a bracket.
  std::string Sum(int depth, double& v) {
    std::string text = Product(depth, v);
    for (int n = Pick(3); n > 0; --n) {
      double rhs;
      const bool plus = Pick(2) == 0;
      text += plus ? "+" : "-";
      text += Product(depth, rhs);
      v = plus ? v + rhs : v - rhs;
    }
    return text;
  }

  bool divided_by_zero = false;

 private:
  std::string Product(int depth, double& v) {
    std::string text = Factor(depth, v);
    for (int n = Pick(3); n > 0; --n) {
      double rhs;
      const bool times = Pick(2) == 0;
      text += times ? "*" : "/";
      text += Factor(depth, rhs);
      if (!times && rhs == 0) divided_by_zero = true;
      v = times ? v * rhs : (rhs == 0 ? 0 : v / rhs);
    }
    return text;
  }

  std::string Factor(int depth, double& v) {
    std::string text;
    const bool minus = Pick(4) == 0;
    if (minus) text = "-";
    if (depth > 0 && Pick(3) == 0) {
      text += "[" + Sum(depth - 1, v) + "]";
    } else {
      const int whole = Pick(1000);
      const int decimals = Pick(4);
      char buf[32];
      std::snprintf(buf, sizeof buf, "%d.%0*d", whole, decimals, Pick(10000) % Power(decimals));
      text += decimals == 0 ? std::to_string(whole) : buf;
      v = std::strtod(text.c_str() + (minus ? 1 : 0), nullptr);
    }
    if (minus) v = -v;
    return text;
  }

  static int Power(int decimals) {
    int p = 1;
    while (decimals-- > 0) p *= 10;
    return p;
  }
  int Pick(int n) { return static_cast<int>(random_() % static_cast<unsigned>(n)); }

  std::mt19937 random_;
};

TEST(ReadWordExpr, GeneratedExpressionsOfConstants) {
  for (unsigned seed = 0; seed < 20000; ++seed) {
    ExpressionMaker maker(seed);
    double v = 0;
    // Half of them as one bracket expression (FANUC), half after "=" without brackets (OSP).
    const bool bracket = seed % 2 == 0;
    std::string text = bracket ? "[" + maker.Sum(3, v) + "]" : "=" + maker.Sum(0, v);
    if (maker.divided_by_zero || !(std::fabs(v) < 1e30)) continue;
    text = "X" + text;
    SCOPED_TRACE(text);
    const WordExpr e = ReadWordExpr(U(text + "Y1"), 0);
    ASSERT_EQ(e.kind, ValueKind::kNumber);
    ASSERT_EQ(e.end, text.size());
    ASSERT_EQ(e.value, ShortFormValue(ToSingle(v)));
  }
}

// Whatever the text, the reader stays on the line, takes at least what a plain number takes,
// never reads past a "(" (the walk must see the comment), and gives a value only where its
// text reads as one.
TEST(ReadWordExpr, AnyTextStaysInItsLine) {
  const char* pieces[] = {"0", "1", "5", "9",      "12",       "300",      "1234567", ".",  "-",
                          "+", "*", "/", "=",      "[",        "]",        ",",       " ",  "#1",
                          "Y", "(", "E", "0.0005", "123.4567", "99999999", "3.4e38",  "SIN"};
  std::mt19937 random(11);
  for (int i = 0; i < 100000; ++i) {
    std::string word = "X";
    for (int n = 1 + static_cast<int>(random() % 6); n > 0; --n) word += pieces[random() % 26];
    SCOPED_TRACE(word);
    const std::u16string line = U(word);
    const WordExpr e = ReadWordExpr(line, 0);
    ASSERT_LE(e.end, line.size());
    ASSERT_GE(e.end, e.keep + 1);
    ASSERT_EQ(line.substr(e.keep + 1, e.end - e.keep - 1).find(u'('), std::u16string::npos);
    if (e.kind != ValueKind::kNumber) {
      ASSERT_EQ(e.value, 0);
    }
    if (e.plain) {
      const double v = ReadNumber(line.substr(e.keep + 1, e.end - e.keep - 1));
      ASSERT_EQ(e.value, ShortFormValue(ToSingle(v)));
    }
  }
}

TEST(ReadWordExpr, ReadsAsTheControlDoes) {
  constexpr auto kNone = ValueKind::kNone;
  constexpr auto kNumber = ValueKind::kNumber;
  constexpr auto kUnknown = ValueKind::kUnknown;
  const struct {
    const char* line;
    ValueKind kind;
    double value;
    std::size_t end;  // where the walk goes on
  } rows[] = {
      {"X10.Y1", kNumber, 10, 4},
      {"X=-2.5", kNumber, -2.5, 6},
      {"Z[100+5]", kNumber, 105, 8},
      {"X.5", kNumber, 0.5, 3},
      {"X Y", kNone, 0, 1},
      {"X", kNone, 0, 1},
      {"X  Y", kNone, 0, 1},
      // A value after blanks: a control reads X7.417; it stays as written, never absent.
      {"X  7.417 Y", kUnknown, 0, 8},
      {"X= 5", kUnknown, 0, 4},
      // "*" and "/" before "+" and "-", nested brackets, unary minus.
      {"Z[2+3*4]", kNumber, 14, 8},
      {"X[2*[3+4]]", kNumber, 14, 10},
      {"Z[[1+2]*3]Y4", kNumber, 9, 10},
      {"X[-2*3]", kNumber, -6, 7},
      {"X[2*-3]", kNumber, -6, 7},
      {"X[10/4-1]", kNumber, 1.5, 9},
      {"X[ 1 + 2 ]", kNumber, 3, 10},
      {"X1+2*3", kNumber, 7, 6},
      {"X=10*0+3", kNumber, 3, 8},
      {"X-5", kNumber, -5, 3},
      {"X-0", kNumber, 0, 3},
      // Seven significant digits, as the control keeps a single-precision value.
      {"X12345.678", kNumber, 12345.68, 10},
      {"X[1234567.8+0]", kNumber, 1234568, 14},
      {"X12345678", kNumber, 12345680, 9},
      // Values that cannot be known: the text that belongs to them is passed over.
      {"X#1Y2", kUnknown, 0, 3},
      {"X[#1+2]Y2", kUnknown, 0, 7},
      {"X=VC1+2 Y", kUnknown, 0, 7},
      {"X[SIN[30]]Y2", kUnknown, 0, 10},
      {"X[1+2 Y3", kUnknown, 0, 8},
      {"X[1+2(C)", kUnknown, 0, 5},
      {"X[1]2Y1", kUnknown, 0, 5},
      {"X[1+2]*3", kUnknown, 0, 8},
      {"X1,5", kUnknown, 0, 4},
      {"X1.2.3", kUnknown, 0, 6},
      {"X-Y", kUnknown, 0, 2},
      {"X.", kUnknown, 0, 2},
      {"X10+ ", kUnknown, 0, 4},
      {"X1/0", kUnknown, 0, 4},
      {"X1=2", kUnknown, 0, 4},
      {"X[[[", kUnknown, 0, 4},
      {"X[3.4e38*9]", kUnknown, 0, 11},
      // Beyond what a single-precision value holds.
      {"X[99999999*99999999*99999999*99999999*99999999]", kUnknown, 0, 47},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.line);
    const WordExpr e = ReadWordExpr(U(row.line), 0);
    EXPECT_EQ(e.kind, row.kind);
    EXPECT_EQ(e.value, row.value);
    EXPECT_EQ(e.end, row.end);
  }
  // 12345678 has eight digits; the short form keeps seven.
  EXPECT_EQ(Utf8(ShortForm(ToSingle(ReadWordExpr(u"X12345678", 0).value))), " 1.234568E+07");
}

TEST(ReadWordValue, CollectsValueCharacters) {
  const struct {
    const char* line;
    std::size_t letter;
    std::size_t end;
  } rows[] = {
      {"X-12.5Y3", 0, 6}, {"G01/2", 0, 5}, {"X 10", 0, 1}, {"G01X10.Y-5.", 3, 7},
      {"G01X", 3, 4},     {"X1,5Y", 0, 4}, {"X=10", 0, 1}, {"X+5", 0, 3},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(ReadWordValue(U(row.line), row.letter), row.end);
  }
}

TEST(ReadWordToken, StopsAtBlankOrAfterValue) {
  const struct {
    const char* line;
    std::size_t first;
    const char* token;
  } rows[] = {
      {"VC12=5", 0, "VC12"},   {"ABC DEF", 0, "ABC"}, {"ABC\tDEF", 0, "ABC"},
      {"O1234(X)", 1, "1234"}, {"N10G01", 1, "10"},   {"#101=5", 1, "101"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.line);
    const std::u16string line = U(row.line);
    const std::size_t end = ReadWordToken(line, row.first);
    EXPECT_EQ(Utf8(line.substr(row.first, end - row.first)), row.token);
  }
}

TEST(SkipValueChars, StopsAtFirstOtherCharacter) {
  EXPECT_EQ(SkipValueChars(u"#101=5", 0), 4u);
  EXPECT_EQ(SkipValueChars(u"X-1.5*2/3", 0), 9u);
  EXPECT_EQ(SkipValueChars(u"X-1.5*2/3", 8), 9u);
}

// The characters a walk hands to the conversion, line by line.
std::vector<std::string> Examined(std::u16string_view src, Module1& m) {
  std::vector<std::string> lines;
  ForEachLine(src, [&](std::u16string_view line) {
    lines.emplace_back();
    WalkCode(line, m.InComment, [&](std::size_t i) {
      lines.back().push_back(static_cast<char>(line[i]));
      return i + 1;
    });
    return true;
  });
  return lines;
}

TEST(LineWalk, CutsAtCrLfOnlyAndEndsEveryLine) {
  Module1 m;
  EXPECT_EQ(Examined(u"A\nB\r\nC", m), (std::vector<std::string>{"A\nB", "C"}));
  EXPECT_EQ(Examined(u"A\rB\r\n", m), (std::vector<std::string>{"A\rB"}));
  EXPECT_EQ(Examined(u"", m), (std::vector<std::string>{""}));
  EXPECT_EQ(Examined(u"\r\n\r\n", m), (std::vector<std::string>{"", ""}));
}

TEST(LineWalk, CommentsAreSkipped) {
  Module1 m;
  EXPECT_EQ(Examined(u"X1(TOOL X2)X3", m), (std::vector<std::string>{"X1X3"}));
  EXPECT_FALSE(m.InComment);
  // Open over two lines: the second line's words are comment until its ")".
  EXPECT_EQ(Examined(u"X1(OPEN X2\r\nX3 Y4) Z5\r\nX6", m),
            (std::vector<std::string>{"X1", " Z5", "X6"}));
  // A ")" in the first position of a line entered inside a comment closes it.
  EXPECT_EQ(Examined(u"(OPEN\r\n)X2", m), (std::vector<std::string>{"", "X2"}));
  EXPECT_FALSE(m.InComment);
}

TEST(LineWalk, UnclosedCommentCarriesIntoTheNextRun) {
  Module1 m;
  EXPECT_EQ(Examined(u"X1(OPEN", m), (std::vector<std::string>{"X1"}));
  EXPECT_TRUE(m.InComment);
  EXPECT_EQ(Examined(u"X2\r\nY3)X4", m), (std::vector<std::string>{"", "X4"}));
  EXPECT_FALSE(m.InComment);
}

TEST(LineWalk, CommentsAreReportedWithTheirPlaces) {
  bool in_comment = true;
  std::vector<std::pair<std::size_t, std::size_t>> comments;
  WalkCode(
      u"B)A(C D)E(F", in_comment, [](std::size_t i) { return i + 1; },
      [&](std::size_t open, std::size_t close) { comments.emplace_back(open, close); });
  EXPECT_EQ(comments, (std::vector<std::pair<std::size_t, std::size_t>>{
                          {std::u16string::npos, 1}, {3, 7}, {9, 11}}));
  EXPECT_TRUE(in_comment);
}

// A text fed in pieces cut anywhere, even between the CR and the LF of a line end, gives the
// lines the whole text gives.
TEST(LineFeeder, PiecesCutAnywhereGiveTheSameLines) {
  struct Collect : LineConversion {
    bool Line(std::u16string_view line, OutBuffer& out) override {
      out.Put(u"<");
      out.Put(line);
      out.Put(u">");
      return true;
    }
  };
  const std::u16string text = u"G01\r\nX1\rY2\n\r\n\r\nZ3\r";
  Collect whole_run;
  const std::u16string whole = ConvertWhole(text, whole_run);
  EXPECT_EQ(Utf8(whole), "<G01><X1\rY2\n><><Z3\r>");
  for (std::size_t a = 0; a <= text.size(); ++a) {
    for (std::size_t b = a; b <= text.size(); ++b) {
      Collect run;
      OutBuffer out(4);
      LineFeeder feeder(run, out);
      feeder.Piece(std::u16string_view(text).substr(0, a));
      feeder.Piece(std::u16string_view(text).substr(a, b - a));
      feeder.Piece(std::u16string_view(text).substr(b));
      feeder.End();
      ASSERT_EQ(out.Take(), whole) << a << " " << b;
    }
  }
}

}  // namespace
}  // namespace kestrum
