#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "machine/conversion_table.h"
#include "machine/translate.h"
#include "ncword/format_coord.h"
#include "ncword/numeric.h"
#include "ncword/read_word.h"
#include "tests/cli_util.h"
#include "tests/test_util.h"

namespace kestrum {
namespace {

using test::ReadBytes;
using test::U;
using test::Utf8;

constexpr const char* kOspToFanucTable = "オークマ OSP→山崎技研 YZ機 FANUC.csv";
constexpr const char* kFanucToOspTable = "FANUC→OSP.csv";

TableField Text(std::string_view utf8) { return {TableField::Kind::kText, U(utf8)}; }
TableField Number(std::string_view utf8) { return {TableField::Kind::kNumber, U(utf8)}; }

std::string Header() {
  return "Kestrum  Machine convert file Q.Veltrane,,\r\n" +
         *EncodeText(u"項　目,変換前,変換後\r\n", Encoding::kShiftJis);
}

// A file of the given data lines after the standard header.
std::string File(const std::vector<std::string>& lines) {
  std::string bytes = Header();
  for (const auto& line : lines) bytes += line + "\r\n";
  return bytes;
}

ConversionTable Filled(std::string_view mark) {
  ConversionTable t;
  for (int row = 1; row <= kLastRow; ++row) {
    t.rows[row] = {Text(mark), Text(mark), Text(std::to_string(row))};
  }
  return t;
}

// ---------------------------------------------------------------------------------------------
// Conversion table file

TEST(ConversionTable, WriteFormQuotesOnlyTextAndLeavesNeverSetEmpty) {
  ConversionTable t;
  t.rows[1] = {Text("主軸正転"), Text("M03"), Text("M03")};
  t.rows[2] = {Number("7"), Number("-2.5"), Text("")};
  t.rows[3] = {TableField{}, Text(""), Text("a,b")};
  t.rows[4] = {Text("say \"hi\""), TableField{}, TableField{}};
  const std::optional<std::string> bytes = WriteConversionTable(t);
  ASSERT_TRUE(bytes);
  const std::string expected =
      Header() + *EncodeText(u"\"主軸正転\",\"M03\",\"M03\"\r\n", Encoding::kShiftJis) +
      "7,-2.5,\"\"\r\n"
      ",\"\",\"a,b\"\r\n"
      "\"say \"\"hi\"\"\",,\"\"\r\n";
  std::string rest;
  for (int row = 5; row <= kLastRow; ++row) rest += ",,\"\"\r\n";
  EXPECT_EQ(*bytes, expected + rest);
}

TEST(ConversionTable, RoundTripGivesTheSame100Rows) {
  ConversionTable t;
  t.rows[1] = {Text("項　目"), Text("ｶﾀｶﾅ"), Text("")};
  t.rows[2] = {Text("変換方向"), Text("FANUC"), Text("OSP")};
  t.rows[6] = {Number("6"), Number("3.50"), Text("12")};
  t.rows[7] = {Text(""), TableField{}, Text(" lead and trail ")};
  t.rows[8] = {Text("a,b,c"), Text("\"quoted\""), Text("x\"y")};
  t.rows[100] = {Text("last"), Text("M99"), Text("RTS")};
  const std::string bytes = *WriteConversionTable(t);
  ConversionTable back = Filled("old");
  ASSERT_TRUE(ReadConversionTable(bytes, back));
  for (int row = 1; row <= kLastRow; ++row) {
    SCOPED_TRACE(row);
    EXPECT_EQ(back.rows[row], t.rows[row]);
  }
  EXPECT_EQ(*WriteConversionTable(back), bytes);
}

TEST(ConversionTable, ReadsTheRecordRules) {
  const struct {
    const char* line;  // row 1
    TableRow row;
  } rows[] = {
      {"\"a\",\"b\",\"c\"", {Text("a"), Text("b"), Text("c")}},
      {"\"x,y\",\"M03\",\"M04\"", {Text("x,y"), Text("M03"), Text("M04")}},  // comma in quotes
      {"   abc,  M03,  M04", {Text("abc"), Text("M03"), Text("M04")}},       // leading blanks
      {"1, 2.5 ,3", {Number("1"), Number("2.5 "), Text("3")}},               // after is always text
      {",,", {TableField{}, TableField{}, Text("")}},
      {",\"\",\"\"", {TableField{}, Text(""), Text("")}},
      {"\"a \"\"b\"\"\",c,d", {Text("a \"b\""), Text("c"), Text("d")}},
      {"\"a\"  ,\"b\"\t,\"c\"  ", {Text("a"), Text("b"), Text("c")}},
      {"a\"b,c,d", {Text("a\"b"), Text("c"), Text("d")}},  // a quote inside an unquoted field
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.line);
    ConversionTable t;
    ASSERT_TRUE(ReadConversionTable(File({row.line}), t));
    EXPECT_EQ(t.rows[1], row.row);
  }
}

TEST(ConversionTable, ShortRecordContinuesOnTheNextLine) {
  ConversionTable t;
  ASSERT_TRUE(ReadConversionTable(File({"\"a\"", "\"b\",\"c\"", "\"d\",\"e\"", "\"f\""}), t));
  EXPECT_EQ(t.rows[1], (TableRow{Text("a"), Text("b"), Text("c")}));
  EXPECT_EQ(t.rows[2], (TableRow{Text("d"), Text("e"), Text("f")}));
}

TEST(ConversionTable, HeaderIsNotCompared) {
  ConversionTable a, b;
  ASSERT_TRUE(ReadConversionTable(File({"\"a\",\"b\",\"c\""}), a));
  ASSERT_TRUE(ReadConversionTable("anything,at,all\r\n\"x\"\r\n,y\r\n\"a\",\"b\",\"c\"\r\n", b));
  EXPECT_EQ(a, b);
}

TEST(ConversionTable, RowsPastTheFileEndKeepTheirValues) {
  ConversionTable t = Filled("old");
  ASSERT_TRUE(ReadConversionTable(File({"\"1\",\"M03\",\"M03\"", "\"2\",\"OSP\",\"FANUC\""}), t));
  EXPECT_EQ(t.rows[2], (TableRow{Text("2"), Text("OSP"), Text("FANUC")}));
  EXPECT_EQ(t.rows[3], (TableRow{Text("old"), Text("old"), Text("3")}));
  EXPECT_EQ(t.rows[100], (TableRow{Text("old"), Text("old"), Text("100")}));
}

TEST(ConversionTable, StopsAfterRow100) {
  std::vector<std::string> lines;
  for (int row = 1; row <= 100; ++row) lines.push_back("r,b," + std::to_string(row));
  lines.push_back("\"unbalanced");  // never looked at
  lines.push_back("more,than,three,fields");
  ConversionTable t;
  ASSERT_TRUE(ReadConversionTable(File(lines), t));
  EXPECT_EQ(Utf8(t.rows[100].after.text), "100");
}

TEST(ConversionTable, BrokenFileFailsAndKeepsTheRowsReadSoFar) {
  const struct {
    const char* name;
    std::string bytes;
  } rows[] = {
      {"quote left open", File({"a,b,c", "\"a,b,c"})},
      {"quote closed by the line end", File({"a,b,c", "\"a\",\"b", "\",c"})},
      {"text after a closing quote", File({"a,b,c", "\"a\"x,b,c"})},
      {"four fields shift every later row", File({"a,b,c", "a,b,c,d"})},
      {"ends inside a record", File({"a,b,c", "a,b"})},
      {"empty file", ""},
      {"only one header", "a,b,c\r\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ConversionTable t = Filled("old");
    EXPECT_FALSE(ReadConversionTable(row.bytes, t));
    if (row.bytes.size() > 30) {
      EXPECT_EQ(t.rows[1], (TableRow{Text("a"), Text("b"), Text("c")}));
      EXPECT_EQ(t.rows[2], (TableRow{Text("old"), Text("old"), Text("2")}));
    }
  }
}

TEST(ConversionTable, LineEndsAndBlankLines) {
  ConversionTable t;
  ASSERT_TRUE(ReadConversionTable("h,h,h\nh,h,h\n\n  \na,b,c\rd,e,f", t));
  EXPECT_EQ(t.rows[1], (TableRow{Text("a"), Text("b"), Text("c")}));
  EXPECT_EQ(t.rows[2], (TableRow{Text("d"), Text("e"), Text("f")}));
}

TEST(ConversionTable, AnyBytesGiveADefinedResult) {
  // Not CSV, NUL bytes, random bytes: true or false, never a crash or a hang.
  ConversionTable t;
  EXPECT_TRUE(ReadConversionTable(File({std::string("a\0b,c,d", 7)}), t));
  EXPECT_EQ(t.rows[1].item.text, std::u16string(u"a\0b", 3));
  std::mt19937 random(7);
  for (int i = 0; i < 2000; ++i) {
    std::string bytes(random() % 300, '\0');
    for (char& c : bytes) c = static_cast<char>("\",\r\n ab1\x82\xa0"[random() % 11]);
    ConversionTable any;
    ReadConversionTable(bytes, any);
    ReadConversionTable(Header() + bytes, any);
  }
}

TEST(ConversionTable, WriteFailsOnWhatTheFileCannotHold) {
  ConversionTable t;
  t.rows[7].after = Text("ok");
  t.rows[9].before = Text("emoji 😀");
  int bad_row = 0;
  EXPECT_FALSE(WriteConversionTable(t, &bad_row));
  EXPECT_EQ(bad_row, 9);
  t.rows[9].before = Text("two\nlines");
  EXPECT_FALSE(WriteConversionTable(t, &bad_row));
  EXPECT_EQ(bad_row, 9);
}

TEST(ConversionTable, ShippedTablesAreInTheWriteFormAndNameTheirDirection) {
  const struct {
    const char* file;
    const char* from;
    const char* to;
  } rows[] = {{kOspToFanucTable, "OSP", "FANUC"}, {kFanucToOspTable, "FANUC", "OSP"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.file);
    const std::string bytes = ReadBytes(std::filesystem::path(KESTRUM_SOURCE_DIR) / "tables" /
                                        std::filesystem::u8path(row.file));
    ConversionTable t;
    ASSERT_TRUE(ReadConversionTable(bytes, t));
    EXPECT_EQ(*WriteConversionTable(t), bytes);
    EXPECT_EQ(Utf8(t.rows[kDirectionRow].before.text), row.from);
    EXPECT_EQ(Utf8(t.rows[kDirectionRow].after.text), row.to);
    EXPECT_FALSE(t.rows[kReferenceReturnRow].after.text.empty());
  }
}

// ---------------------------------------------------------------------------------------------
// Translation

ConversionTable TestTable(bool to_osp) {
  ConversionTable t;
  t.rows[2] = {Text("変換方向"), Text(to_osp ? "FANUC" : "OSP"), Text(to_osp ? "OSP" : "FANUC")};
  t.rows[5] = {Text("原点復帰"), Text(""), Text(to_osp ? "G30 P1" : "G53 Z0.")};
  int row = 6;
  for (const char* code : {"M03", "M05", "M06", "M08", "M00", "M01", "M02", "M30"}) {
    t.rows[row++] = {Text("m"), Text(code), Text(code)};
  }
  t.rows[row++] = {Text("call"), Text("M98"), Text(to_osp ? "CALL" : "M98")};
  t.rows[row++] = {Text("return"), Text("M99"), Text(to_osp ? "RTS" : "M99")};
  return t;
}

// The translated text with the enclosing "%" lines of a FANUC result and the last CR LF
// taken off.
std::string Translate(bool to_osp, std::string_view src, bool check1 = false) {
  Module1 m;
  const TranslateResult r = TranslateProgram(U(src), TestTable(to_osp), check1, m);
  EXPECT_TRUE(r.ok) << Utf8(r.message);
  std::string out = Utf8(r.text);
  if (!to_osp) {
    EXPECT_TRUE(out.starts_with("%\r\n") && out.ends_with("%\r\n")) << out;
    out = out.substr(3, out.size() - 6);
  }
  EXPECT_TRUE(out.ends_with("\r\n")) << out;
  return out.substr(0, out.size() - 2);
}

struct Row {
  const char* src;
  const char* out;
};

void ExpectRows(bool to_osp, const std::vector<Row>& rows, bool check1 = false) {
  for (const auto& row : rows) {
    SCOPED_TRACE(row.src);
    EXPECT_EQ(Translate(to_osp, row.src, check1), row.out);
  }
}

TEST(TranslateProgram, DirectionFromRowTwoSetsTheStyle) {
  Module1 m;
  ConversionTable t = TestTable(true);
  EXPECT_EQ(Utf8(TranslateProgram(u"G01 X12.", t, false, m).text), "G01 X12 \r\n");
  EXPECT_EQ(m.OutDialect, 1);
  t = TestTable(false);
  EXPECT_EQ(Utf8(TranslateProgram(u"G01 X12", t, false, m).text), "%\r\nG01 X12.0 \r\n%\r\n");
  EXPECT_EQ(m.OutDialect, 2);
  // Row 2 naming no direction keeps the direction of the previous run.
  t.rows[2] = {Text("変換方向"), Text("OSP"), Text("OSP")};
  EXPECT_EQ(Utf8(TranslateProgram(u"G01 X12", t, false, m).text), "%\r\nG01 X12.0 \r\n%\r\n");
  EXPECT_EQ(m.OutDialect, 2);
}

TEST(TranslateProgram, WithoutAnyDirectionNothingRuns) {
  Module1 m;
  ConversionTable t = TestTable(true);
  t.rows[2].after = Text("オークマ");
  const TranslateResult r = TranslateProgram(u"G01 X12.\r\n", t, false, m);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.text, u"");
  EXPECT_NE(Utf8(r.message).find("2行目"), std::string::npos);
  EXPECT_EQ(m.OutDialect, 0);
}

TEST(TranslateProgram, SpecialLinesToOsp) {
  ExpectRows(true, {
                       {"%\r\nX1\r\n%", "X1 "},
                       {"O12 (MAIN)", "O0012 (MAIN)"},
                       {"O12 G90 X10.", "O0012 G90 X10 "},  // the words after the number stay
                       {"OABC", "OABC"},
                       {"(ABC)", " (ABC)"},
                       {"(A)(B)", " (AB)"},
                       {"", ""},
                       {"$O12", "O0012"},
                       {"$", ""},
                       // Code after a leading comment keeps its words.
                       {"(ROUGH) G01 X10.", "G01 X10 (ROUGH)"},
                   });
}

TEST(TranslateProgram, CommentsAreCollectedAndNeverScanned) {
  ExpectRows(true, {
                       {"G01 X1. (MOVE X2. M03) Y2.", "G01 X1 Y2 (MOVE X2. M03)"},
                       {"(OPEN X5.\r\nSTILL M03 X6.) X7.", " (OPEN X5.)\r\nX7 (STILL M03 X6.)"},
                       {"(OPEN\r\n)\r\nX1.", " (OPEN)\r\n\r\nX1 "},
                       {"(OPEN\r\n) X1.", " (OPEN)\r\nX1 "},
                   });
}

TEST(TranslateProgram, OpenCommentCarriesIntoTheNextRun) {
  Module1 m;
  const ConversionTable t = TestTable(true);
  EXPECT_EQ(Utf8(TranslateProgram(u"(OPEN", t, false, m).text), " (OPEN)\r\n");
  EXPECT_TRUE(m.InComment);
  EXPECT_EQ(Utf8(TranslateProgram(u"X1 M03) X2", t, false, m).text), "X2 (X1 M03)\r\n");
  EXPECT_FALSE(m.InComment);
}

TEST(TranslateProgram, CoordinatesInTheTargetStyle) {
  ExpectRows(true, {
                       {"N10 G90 G00 X10. Y-5.5 Z0.0004", "N0010 G90 G00 X10 Y-5.5 Z0 "},
                       {"N12345 X1", "N12345 X1 "},
                       {"/N10 X1.", "/ N0010 X1 "},
                       {"X10.\r\nU5.", "X10 \r\nX15 "},
                       {"Z10.\r\nW-2.5", "Z10 \r\nZ7.5 "},
                       {"C90.\r\nC90.\r\nC180.\r\nC90.", "C90\r\n\r\nC180\r\nC90"},
                       {"A1+2*3", "A7 "},
                       {"X=-2.5", "X-2.5 "},
                       {"G01 X1 F1500. S1000", "G01 X1 F1500 S1000 "},
                       {"G02 X1 I-3. J0 K2.5 R5.", "G02 X1 I-3.0 J0.0 K2.5 R5.0 "},
                       {"x10 Y2", "Y2 "},  // lower-case letters are no words
                   });
  ExpectRows(false, {
                        {"N10 G90 G00 X10 Y-5.5", "N10 G90 G00 X10.0 Y-5.5 "},
                        {"X10\r\nU5", "X10.0 \r\nX15.0 "},
                        {"C90\r\nC90\r\nC91", "C90.0\r\n\r\nC91.0"},
                    });
}

TEST(TranslateProgram, IncrementalModeWritesEveryRotation) {
  // In G91 every C word turns the axis again, and U is the X increment itself.
  ExpectRows(true, {
                       {"G91 C15.\r\nC15.\r\nG90 C30.\r\nC30.", "G91 C15\r\nC15\r\nG90 C30\r\n"},
                       {"X10.\r\nG91 U5.\r\nG90 U5.", "X10 \r\nG91 X5 \r\nG90 X20 "},
                   });
}

TEST(TranslateProgram, IncrementWithoutAKnownPositionStops) {
  // The program start and a reference point return leave the position unknown: adding U
  // to a guess would write a wrong absolute position.
  const struct {
    bool to_osp;
    const char* src;
    const char* written;
    const char* letters;
  } rows[] = {
      {true, "G01 F100.\r\nU5.\r\nX1.", "G01 F100 \r\n", "U"},
      {true, "Y1.\r\nW5.", "Y1 \r\n", "W"},
      {false, "X10\r\nG30 P1 X10\r\nU5", "X10.0 \r\n G53 Z0.X10.0 P1.0 \r\n", "U"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.src);
    Module1 m;
    const TranslateResult r = TranslateProgram(U(row.src), TestTable(row.to_osp), false, m);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error_icon);
    EXPECT_EQ(Utf8(r.text), row.written);
    EXPECT_NE(Utf8(r.message).find(row.letters), std::string::npos) << Utf8(r.message);
  }
}

TEST(TranslateProgram, DwellInAllForms) {
  ExpectRows(true, {
                       {"G04 X1.5", "G04 F1.5 "},
                       {"G04 U2.", "G04 F2 "},
                       {"G04 P1000", "G04 P10 "},
                       {"G04", "G04 F0.01 "},
                       {"G04 X0", "G04 F0.01 "},  // the dwell time is never a position
                       {"G4 X1.5 P1000", "G04 F1.5 "},
                       {"X5.\r\nG04 X1.\r\nU1.", "X5 \r\nG04 F1 \r\nX6 "},
                   });
  ExpectRows(false, {
                        {"G04 F1.5", "G04 X1.5 "},
                        {"G04 P2", "G04 X2.0 "},
                        {"G04", ""},
                    });
}

TEST(TranslateProgram, OffsetSettingToOsp) {
  ExpectRows(true, {
                       {"G10 L2 P1 X-100. Z-50.", "VZOFX[1]=-100.000 VZOFZ[1]=-50.000 "},
                       {"G10 L2 P2 Y1.23456 B90.", "VZOFY[2]=1.235 VZOFB[2]=90.000 "},
                       // Other L numbers write nothing for G10, and their X is no move.
                       {"G10 L20 P1 X-100.", "G10 L20 P1 X-100."},  // tool offsets: kept
                       {"G10 L1 P1 X-100.", "G10 L1 P1 X-100."},
                   });
}

TEST(TranslateProgram, MacroCallsToOsp) {
  ExpectRows(true, {
                       {"G65 P9010 A1.", "CALL O9010 A1 "},
                       {"G66 P9010 L3", "MODIN O9010 Q3 "},
                       {"G66 P12", "MODIN O0012 "},
                       {"G67", "MODOUT"},
                       {"M98 P1234 L2", "CALL O1234 Q2"},
                       {"M98 P12", "CALL O0012 "},
                       {"M99", "RTS "},
                   });
}

TEST(TranslateProgram, GRulesToOsp) {
  ExpectRows(true, {
                       {"G1 X1", "G01 X1 "},
                       {"G60 X1", "G60 X1 "},
                       {"G43 Z50. H01", "G56 Z50 H1 "},
                       {"G00 G43 Z50. H01", "G00 G56 Z50 H1 "},  // both G words stay
                       {"G49", "G53 "},
                       {"G52 X0 Y0", "G10X0 Y0 "},
                       {"G52 X5. Y0", "G11X5 Y0 "},
                       {"G81 X1. Z-2. R1. F100.", "G81 X1 Z-2 R1.0 F100 "},
                       {"G76 Z-2. Q0.5", "G76 Z-2 Q0.5 "},
                       {"G73 Z-1.", "G73 Z-1."},  // cycles OSP has not: kept as written
                       {"G89 Z-1. A5.", "G89 Z-1. A5."},
                       {"G80 G00 Z50.", "G80 G00 Z50 "},
                       {"G99 G81 Z-2.", " M54G81 Z-2 "},
                       {"G28 Z0.", " G30 P1Z0 "},
                       {"G91 G28 Z0.", "G91  G30 P1Z0 "},
                       {"G28 H1", "H1 "},
                       {"G17 G40 G80", "G80 G17 G40 "},
                       {"G21 G5.1", "G21 G5.1"},  // no OSP counterpart: kept as written
                       {"G94 G01 X1", "G01 X1 G94"},
                       {"G96 S200", "G96S200 "},
                       {"G97 S1000 M03", "S1000 M03  M63"},
                       {"GOTO", "GOTO"},  // kept as a macro statement
                       {"G X1", "X1 "},   // a G without digits is no rapid move
                   });
}

TEST(TranslateProgram, WorkCoordinateSystemGetsALineOfItsOwnInOsp) {
  ExpectRows(true, {
                       {"G90 G54 G00 X0 Y0", "G15 H1\r\nG90 G00 X0 Y0 "},
                       {"G59", "G15 H6\r\n"},
                       {"G53 Z0", "G15 H0\r\nZ0 "},
                       {"G54.1 P1", "G54.1 P1"},
                   });
}

TEST(TranslateProgram, CutterCompensationWritesIAndKOnce) {
  ExpectRows(true, {
                       {"G41 D11 X10. I5. J3. K2.", "X10 G41 D11 I5 K2 J3.0 "},
                       {"G42 D1 X1. I0 K0", "X1 G42 D1 "},
                       {"G40 X0", "X0 G40 "},
                       {"G41 D0 X1.", "X1 G41 D0 "},
                       {"D5 X1.", "X1 "},  // D only with the compensation
                   });
}

TEST(TranslateProgram, MacroLinesToOspAreKept) {
  ExpectRows(true, {
                       {"#101=#102+1", "VC1=#102+1"},         // OSP's VC1 is FANUC's #101
                       {"#1 = 5 (DEPTH)", "#1 = 5 (DEPTH)"},  // a local variable has no VC
                       {"IF [#101 GT 10] GOTO 100", "IF [#101 GT 10] GOTO 100"},
                       {"WHILE [#1 LT 5] DO1", "WHILE [#1 LT 5] DO1"},
                       {"END1", "END1"},
                       {"G01 X#101", "G01 X#101"},
                       {"G01 X1. (IF #1)", "G01 X1 (IF #1)"},  // only code counts
                   });
}

TEST(TranslateProgram, OspRewritesBeforeTheScan) {
  ExpectRows(false, {
                        {"CALL O1234 Q2", "M98 P1234 L2 "},
                        {"CALL O12", "M98 P0012 "},
                        {"RTS", "M99 "},
                        {"VC1=VC2+1", "#101=#102+1"},
                        {"VC25=VC100", "#125=#200"},
                        {"VC1=5 (VC2 MSG)", "#101=5 (VC2 MSG)"},
                        {"G00 X=VC1 Y=VC2*2", "G00  X[#101]   Y[#102*2] "},
                        {"G01 Z=5", "G01 Z5.0 "},
                        {"IF [VC1 GT 0] N100", "IF [#101 GT 0] GOTO 100"},
                        {"IF [VC1 NE 0] N100", "IF [#101 NE 0] GOTO 100"},
                        {"N10 IF [VC1 EQ 0] N20", "N10 IF [#101 EQ 0] GOTO 20"},
                        {"GOTO N100", "GOTO 100"},
                        {"N10 GOTO N20", "N10 GOTO 20"},
                        {"NMSG (HELLO)", "(HELLO)"},
                        {"MSG (HELLO)", "(HELLO)"},
                        {"VGCLR=1", ""},
                        {"VNCOM[1]=1 X1", "X1.0 "},
                        {"/", "/"},
                        {"(CALL RTS)", " (CALL RTS)"},
                        {"#5=1", "#5=1"},
                    });
}

TEST(TranslateProgram, LoneInitialPercentIsNotRepeated) {
  // FANUC reads a program from one "%" to the next: a second "%" in front would end it there.
  Module1 m;
  const TranslateResult r =
      TranslateProgram(u"%\r\nO100\r\nX1\r\n%\r\n", TestTable(false), false, m);
  EXPECT_EQ(Utf8(r.text), "%\r\nO0100\r\nX1.0 \r\n%\r\n");
}

TEST(TranslateProgram, GRulesToFanuc) {
  ExpectRows(false, {
                        {"G15 H1", "G54 "},
                        {"G15 H3", "G56 "},
                        {"G15 H0", "G53 "},
                        {"G15 H9", "G15 H9"},
                        {"G15 H3 X1", "G56 X1.0 "},
                        {"G56 H1 Z100", "Z100.0 G43 H1 "},
                        {"G53", "G49 "},
                        {"G55 H2", "G44 H2 "},
                        {"G81 X1 Z-2 R1 F100 A5", "G81 X1.0 Z-2.0 R1.0 F100.0 "},
                        {"G73 Z-1 A5", "G73 Z-1.0 "},
                        {"G88 Z-1", "G88 Z-1.0 "},
                        {"G67", "G67"},  // the macro calls of FANUC are no OSP words
                        {"G30 P1", " G53 Z0.P1.0 "},
                        {"G30 H1", "H1 "},
                        // The position words of the line stay; the position after it is
                        // unknown.
                        {"X5\r\nG30 P1 X10 Y5", "X5.0 \r\n G53 Z0.X10.0 Y5.0 P1.0 "},
                        {"G52 X0 Y0", "G10X0.0 Y0.0 "},
                        {"Z50\r\nG98", "Z50.0 \r\n G71 Z50.000"},
                        {"G98 Z20 X1", " G71 Z20.000X1.0 "},
                        {"G99", " M54"},
                        {"T5 M06", "M06 T5 "},
                    });
}

TEST(TranslateProgram, MCodesThroughTheTable) {
  ExpectRows(true, {
                       {"M03 M08", "M03 M08 "},
                       {"M3", "M03 "},
                       {"M55", "M55 "},  // not in the table: kept as written
                       {"M00", "M00 "},  // the empty rows 3, 4, 18... do not catch M00
                       {"T01 M06", "T1 M06 "},
                   });
  ConversionTable t = TestTable(true);
  t.rows[3].before = Text("M55");  // rows 1 to 5 are no M code rows
  t.rows[20] = {Text("x"), Text("M"), Text("M77")};
  t.rows[21] = {Text("x"), Text("CALLX"), Text("M78")};
  t.rows[22] = {Text("x"), Number("3"), Text("M79")};
  Module1 m;
  EXPECT_EQ(Utf8(TranslateProgram(u"M55 M00 M3", t, false, m).text), "M55 M00 M03 \r\n");
}

TEST(TranslateProgram, LineBreakAfterReturnWithCheck1) {
  ExpectRows(true,
             {
                 {"M01", "M01 \r\n"},
                 {"M99", "RTS \r\n"},
                 {"M30", "M30 "},
                 {"M00 M08 (STOP)", "M00 \r\nM08 (STOP)"},
             },
             true);
  ExpectRows(false, {{"RTS", "M99 \r\n"}, {"M02", "M02 \r\n"}}, true);
}

// A line may hold any number of M words; a code the table does not know is kept as written
// and its line listed.
TEST(TranslateProgram, EveryMWordIsTranslatedOrKept) {
  Module1 m;
  const TranslateResult r = TranslateProgram(
      u"M03\r\nM01 M02 M03 M04 M05 M06 M07 M08 M09 M10\r\nM1M2M3M4M5M6M7M8M9M10M11\r\nM05\r\n",
      TestTable(true), false, m);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(Utf8(r.text),
            "M03 \r\nM01 M02 M03 M04 M05 M06 M07 M08 M09 M10 \r\n"
            "M01 M02 M03 M4 M05 M06 M7 M08 M9 M10 M11 \r\nM05 \r\n");
  EXPECT_EQ(Utf8(r.report), "変換できないコードをそのまま残しました: 2, 3 行");
}

TEST(TranslateProgram, LineEndsOtherThanCrLfStopBeforeTheFirstLine) {
  const struct {
    const char* src;
    const char* says;
    bool error_icon;
  } rows[] = {
      {"G01 X1\nX2\nX3\n", "LFのみ", true},
      {"G01 X1\r\nX2\nX3\r\n", "LFのみ", true},
      {"G01 X1\rX2\rX3\r", "CRのみ", false},
      {"G01 X1\r\nX2\r", "CRのみ", false},
  };
  for (const bool to_osp : {true, false}) {
    for (const auto& row : rows) {
      SCOPED_TRACE(row.src);
      Module1 m;
      const TranslateResult r = TranslateProgram(U(row.src), TestTable(to_osp), false, m);
      EXPECT_FALSE(r.ok);
      EXPECT_EQ(r.error_icon, row.error_icon);
      EXPECT_EQ(r.text, u"");
      EXPECT_NE(Utf8(r.message).find(row.says), std::string::npos);
    }
  }
}

TEST(TranslateProgram, LastLineWithoutLineEnd) {
  Module1 m;
  EXPECT_EQ(Utf8(TranslateProgram(u"X1\r\nX2", TestTable(true), false, m).text), "X1 \r\nX2 \r\n");
  EXPECT_EQ(Utf8(TranslateProgram(u"", TestTable(true), false, m).text), "\r\n");
}

TEST(TranslateProgram, LongLinesTranslateInLinearTime) {
  // 100,000 characters on one line, and a line of many words: both in well under a second.
  const std::u16string comment = u"(" + std::u16string(100000, u'A') + u")";
  std::u16string words;
  for (int i = 0; i < 20000; ++i) words += u"G01 X1. C2. M";
  std::u16string ifs;
  for (int i = 0; i < 20000; ++i) ifs += u"IF N1 VC1 X=1 ";
  const auto start = std::chrono::steady_clock::now();
  Module1 m;
  EXPECT_EQ(TranslateProgram(comment, TestTable(true), false, m).text, u" " + comment + u"\r\n");
  const TranslateResult r = TranslateProgram(words, TestTable(true), false, m);
  EXPECT_TRUE(r.text.starts_with(u"G01 G01 G01")) << Utf8(r.text.substr(0, 40));
  EXPECT_TRUE(TranslateProgram(words, TestTable(false), false, m).ok);
  EXPECT_TRUE(TranslateProgram(ifs, TestTable(false), false, m).ok);
  EXPECT_LT(std::chrono::steady_clock::now() - start, test::TimeLimit(std::chrono::seconds(2)));
}

// ---------------------------------------------------------------------------------------------
// Realistic programs through the shipped tables

std::u16string DataFile(const std::string& name) {
  return DecodeText(ReadBytes(std::filesystem::path(KESTRUM_SOURCE_DIR) / "tests" / "data" / name))
      .text;
}

ConversionTable ShippedTable(const char* file) {
  ConversionTable t;
  EXPECT_TRUE(ReadConversionTable(ReadBytes(std::filesystem::path(KESTRUM_SOURCE_DIR) / "tables" /
                                            std::filesystem::u8path(file)),
                                  t));
  return t;
}

TEST(TranslateProgram, RealisticPrograms) {
  const struct {
    const char* table;
    const char* src;
    const char* expected;
    bool check1;
  } rows[] = {
      {kOspToFanucTable, "osp_bracket.min", "osp_bracket.fanuc.nc", false},
      {kFanucToOspTable, "fanuc_bracket.nc", "fanuc_bracket.osp.min", false},
      {kFanucToOspTable, "fanuc_bracket.nc", "fanuc_bracket.osp.check1.min", true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.src);
    Module1 m;
    const TranslateResult r =
        TranslateProgram(DataFile(row.src), ShippedTable(row.table), row.check1, m);
    ASSERT_TRUE(r.ok) << Utf8(r.message);
    const std::u16string expected = DataFile(row.expected);
    // Line by line, so that a difference names its line.
    std::size_t a = 0, b = 0;
    for (int line = 1; a < r.text.size() || b < expected.size(); ++line) {
      const std::size_t ea = std::min(r.text.find(u"\r\n", a), r.text.size());
      const std::size_t eb = std::min(expected.find(u"\r\n", b), expected.size());
      EXPECT_EQ(Utf8(r.text.substr(a, ea - a)), Utf8(expected.substr(b, eb - b)))
          << "line " << line;
      a = ea + 2;
      b = eb + 2;
    }
    EXPECT_EQ(r.text, expected);
  }
}

}  // namespace
}  // namespace kestrum
