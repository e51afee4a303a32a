#include "fuzz/checks.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "convert/abs_inc.h"
#include "convert/calc.h"
#include "convert/points.h"
#include "convert/rotary.h"
#include "convert/spaces.h"
#include "convert/unit.h"
#include "convert/xy_cx.h"
#include "io/textcodec.h"
#include "machine/conversion_table.h"
#include "machine/translate.h"
#include "motion/compare.h"
#include "motion/relations.h"
#include "ncword/line_walk.h"
#include "ncword/read_word.h"
#include "search/search.h"
#include "tests/program_positions.h"
#include "tests/search_reference.h"

namespace kestrum::fuzz {
namespace {

// What the run at hand fed in and got, shown with a failed property (made only then).
std::function<std::string()>& Context() {
  static std::function<std::string()> context = [] { return std::string(); };
  return context;
}

// A text as one line of C escapes, so that line ends and stray bytes show.
std::string Escaped(std::u16string_view text) {
  std::string out;
  for (const char16_t c : text) {
    if (c >= 0x20 && c < 0x7F && c != u'\\') {
      out += static_cast<char>(c);
    } else {
      char code[8];
      std::snprintf(code, sizeof code, c < 0x100 ? "\\x%02x" : "\\u%04x", static_cast<unsigned>(c));
      out += code;
    }
  }
  return out;
}

std::function<void(const std::string&)>& Handler() {
  static std::function<void(const std::string&)> handler = [](const std::string& what) {
    std::fprintf(stderr, "property failed: %s\n%s", what.c_str(), Context()().c_str());
    std::abort();
  };
  return handler;
}

void Require(bool holds, const char* what) {
  if (!holds) Handler()(what);
}

// A conversion made anew for each run, with its options drawn once from the input.
using Make = std::function<std::unique_ptr<LineConversion>(Module1& m)>;

// The text fed in pieces cut at the given places (anywhere, even inside a CR LF).
std::u16string Streamed(std::u16string_view text, const std::vector<std::size_t>& cuts,
                        LineConversion& conversion, bool* finished) {
  OutBuffer out(64);
  LineFeeder feeder(conversion, out);
  std::size_t at = 0;
  bool going = true;
  for (const std::size_t cut : cuts) {
    const std::size_t to = std::clamp(cut, at, text.size());
    going = going && feeder.Piece(text.substr(at, to - at));
    at = to;
  }
  going = going && feeder.Piece(text.substr(at)) && feeder.End();
  *finished = going;
  return out.Take();
}

// The comment texts of a text, in order, as the line walk sees them.
std::vector<std::u16string> Comments(std::u16string_view text, bool in_comment) {
  std::vector<std::u16string> comments;
  ForEachLine(text, [&](std::u16string_view line) {
    WalkCode(
        line, in_comment, [](std::size_t i) { return i + 1; },
        [&](std::size_t open, std::size_t close) {
          const std::size_t from = open == std::u16string_view::npos ? 0 : open + 1;
          comments.emplace_back(line.substr(from, close - from));
        });
    return true;
  });
  return comments;
}

bool IsSubsequence(const std::vector<std::u16string>& part,
                   const std::vector<std::u16string>& whole) {
  std::size_t k = 0;
  for (const auto& item : whole) {
    if (k < part.size() && item == part[k]) ++k;
  }
  return k == part.size();
}

// Each line with the value of every address word replaced by "#": what stays of a program
// when only word values change.
std::vector<std::u16string> Skeleton(std::u16string_view text, bool in_comment) {
  std::vector<std::u16string> lines;
  ForEachLine(text, [&](std::u16string_view line) {
    std::u16string out;
    std::size_t copied = 0;
    WalkCode(line, in_comment, [&](std::size_t i) -> std::size_t {
      const char16_t c = line[i];
      if (!IsAddressLetter(c) || IsInsideName(line, i)) return i + 1;
      const WordExpr e = ReadWordExpr(line, i);
      if (e.end > e.keep + 1) {
        out.append(line.substr(copied, e.keep + 1 - copied));
        out += u'#';
        copied = e.end;
      }
      return std::max(e.end, i + 1);
    });
    out.append(line.substr(copied));
    lines.push_back(std::move(out));
    return true;
  });
  return lines;
}

// The text without the blanks outside comments.
std::u16string WithoutBlanks(std::u16string_view text, bool in_comment) {
  std::u16string out;
  ForEachLine(text, [&](std::u16string_view line) {
    std::size_t copied = 0;
    WalkCode(line, in_comment, [&](std::size_t i) {
      if (line[i] == u' ') {
        out.append(line.substr(copied, i - copied));
        copied = i + 1;
      }
      return i + 1;
    });
    out.append(line.substr(copied));
    out += u"\r\n";
    return true;
  });
  return out;
}

class Run {
 public:
  Run(const std::uint8_t* data, std::size_t size) : p_(data, size) {}

  void Conversion(Target target) {
    Module1 base;
    base.InComment = p_.ConsumeBool();
    base.OutDialect = p_.ConsumeIntegralInRange(0, 2);
    const Make make = MakeConversion(target);
    const std::vector<std::size_t> cuts = Cuts();
    const DecodedText decoded = DecodeText(p_.ConsumeRemainingBytesAsString());
    const std::u16string& text = decoded.text;

    Module1 whole_m = base;
    std::unique_ptr<LineConversion> whole_run = make(whole_m);
    std::u16string whole;
    const bool whole_done = ConvertWhole(text, *whole_run, whole);
    Module1 streamed_m = base;
    std::unique_ptr<LineConversion> streamed_run = make(streamed_m);
    bool streamed_done = false;
    const std::u16string streamed = Streamed(text, cuts, *streamed_run, &streamed_done);
    Context() = [&] { return "text:   " + Escaped(text) + "\nresult: " + Escaped(whole) + "\n"; };
    Require(whole_done == streamed_done, "a run in pieces ends as the whole run ends");
    if (!whole_done) return;
    Require(streamed == whole, "a run in pieces gives the whole run's text");
    Require(streamed_m.InComment == whole_m.InComment, "a run in pieces leaves the same state");
    Require(streamed_run->Report() == whole_run->Report(), "a run in pieces reports the same");
    RoundTrip(whole, decoded.encoding);

    if (target != Target::kTranslate) {
      // As a control reads the program, from its start: a comment the run carried in from an
      // earlier one is no comment of the text, and the run may write lines before it.
      Require(IsSubsequence(Comments(text, false), Comments(whole, false)),
              "comments come through unchanged");
    }
    switch (target) {
      case Target::kSpaces:
        SpacesProperties(text, whole, base);
        break;
      case Target::kPoints:
        PointsProperties(text, whole, base);
        break;
      case Target::kUnit:
        Require(Skeleton(text, base.InComment) == Skeleton(whole, base.InComment),
                "the unit change touches nothing but values");
        break;
      default:
        break;
    }
  }

  // What a generated line starts with: "G90", "G91" or neither.
  std::string ModeWord(bool incremental_too = true) {
    const int mode = p_.ConsumeIntegralInRange(0, 3);
    if (mode == 1) return "G90";
    if (mode == 2 && incremental_too) return "G91";
    return "";
  }

  // G90/G91 and back on programs of moves: every position comes back.
  void AbsIncRoundTrip() {
    std::u16string program;
    const int lines = p_.ConsumeIntegralInRange(1, 40);
    for (int i = 0; i < lines; ++i) {
      program += FromUtf8(ModeWord());
      for (const char16_t axis : std::u16string_view(u"XYZ")) {
        if (!p_.ConsumeBool()) continue;
        const int thousandths = p_.ConsumeIntegralInRange(-999999, 999999);
        program += axis;
        program += FromUtf8(std::to_string(thousandths / 1000.0));
      }
      program += u"\r\n";
    }
    AbsIncOptions options;
    options.point = p_.ConsumeBool();
    Module1 m;
    m.OutDialect = p_.ConsumeIntegralInRange(1, 2);
    const std::optional<std::u16string> incremental = ConvertAbsInc(program, options, m);
    options.to_incremental = false;
    const std::optional<std::u16string> absolute = ConvertAbsInc(*incremental, options, m);
    Context() = [&] {
      return "text:   " + Escaped(program) + "\nincremental: " + Escaped(*incremental) +
             "\nabsolute: " + Escaped(*absolute) + "\n";
    };
    const std::vector<double> expected = reference::Positions(program);
    for (const std::u16string* result : {&*incremental, &*absolute}) {
      const std::vector<double> got = reference::Positions(*result);
      Require(got.size() == expected.size(), "G90/G91 keeps every position word");
      // Half a unit of the last digit written; and Z, which the conversion follows in single
      // precision and writes at seven significant digits: from 1000 mm on, each step may be
      // off by a unit of its last digit, and the steps add up.
      double drift = 0;
      for (std::size_t i = 0; i < got.size() && i < expected.size(); ++i) {
        const double size = std::max(std::fabs(got[i]), std::fabs(expected[i]));
        if (size >= 1000) drift += 2e-6 * size;
        Require(std::fabs(got[i] - expected[i]) <= 0.0006 + drift, "G90/G91 keeps every position");
      }
    }
  }

  // Rotary moves, absolute and incremental, of any number of turns, some with direction
  // codes of their own: the result turns the axis the shorter way to every target, which the
  // path check follows.
  void RotaryPath() {
    std::u16string program;
    const int lines = p_.ConsumeIntegralInRange(1, 40);
    for (int i = 0; i < lines; ++i) {
      program += FromUtf8(ModeWord());
      if (p_.ConsumeBool()) program += u"G00";
      if (p_.ConsumeBool())
        program += FromUtf8("X" + std::to_string(p_.ConsumeIntegralInRange(-99, 99)) + ".");
      const int thousandths = p_.ConsumeIntegralInRange(-4000000, 4000000);
      program += u'C';
      program += FromUtf8(std::to_string(thousandths / 1000.0));
      const int code = p_.ConsumeIntegralInRange(0, 5);
      if (code == 1) program += u"M15";
      if (code == 2) program += u"M16";
      program += u"\r\n";
    }
    const RotaryOptions options;
    Module1 m;
    const std::u16string result = ConvertRotary(program, options, m);
    Context() = [&] {
      return "text:   " + Escaped(program) + "\nresult: " + Escaped(result) + "\n";
    };
    const CheckResult check =
        CheckPaths(program, result, RotaryCheck(options, {Dialect::kFanuc, NoPoint::kMm}));
    Require(check.same(), "the rotary axis turns the shorter way to every target");
  }

  // A program of moves: rapid, linear and circular (by centre), absolute and incremental,
  // values of three decimals below 200 (5 m once inches become mm, so that a step still has
  // its thousandths at seven digits), some without a point. Every conversion with a relation
  // must keep its path, as the path check follows it.
  void ConvertedPaths() {
    const auto number = [&](int limit) {
      const int thousandths = p_.ConsumeIntegralInRange(-limit, limit);
      if (thousandths % 1000 == 0 && p_.ConsumeBool()) return std::to_string(thousandths / 1000);
      char text[32];
      std::snprintf(text, sizeof text, "%.3f", thousandths / 1000.0);
      return std::string(text);
    };
    const int conversion = p_.ConsumeIntegralInRange(0, 3);
    // XY/CX converts the values of incremental lines as positions and puts their G91 in
    // parentheses: it is meant for absolute programs.
    const bool incremental_too = conversion != 3;
    // G90/G91 follows Z in single precision, whose last digit drifts over a long chain of
    // steps (the round trip above allows for it): its paths here move in X and Y.
    const bool with_z = conversion != 1;
    std::string program;
    int motion = 0;  // in force: arcs always name their end in X and Y and their centre
    const int lines = p_.ConsumeIntegralInRange(1, 40);
    for (int i = 0; i < lines; ++i) {
      program += ModeWord(incremental_too);
      // The first line sets a motion: axis words before any are not followed.
      const int g = p_.ConsumeIntegralInRange(0, i == 0 ? 3 : 4);
      if (g < 4) {
        motion = g;
        program += "G0" + std::to_string(g);
      }
      const bool arc = motion == 2 || motion == 3;
      for (const char* axis : {"X", "Y", "Z"}) {
        if (*axis == 'Z' && !with_z) continue;
        if (p_.ConsumeBool() || (arc && *axis != 'Z')) program += axis + number(199999);
      }
      if (arc) program += "I" + number(99999) + "J" + number(99999);
      if (p_.ConsumeBool()) program += "F" + std::to_string(p_.ConsumeIntegralInRange(1, 5000));
      program += "\r\n";
    }
    const std::u16string text = FromUtf8(program);
    const ProgramReading reading{Dialect::kFanuc, NoPoint::kMm};
    std::u16string result;
    CheckSpec setup;
    Module1 m;
    m.OutDialect = p_.ConsumeIntegralInRange(1, 2);
    switch (conversion) {
      case 0: {
        const auto mode = static_cast<UnitMode>(p_.ConsumeIntegralInRange(0, 5));
        result = ConvertUnit(text, mode, m);
        setup = UnitCheck(mode, reading);
        break;
      }
      case 1: {
        AbsIncOptions options;
        options.to_incremental = p_.ConsumeBool();
        options.point = p_.ConsumeBool();
        result = ConvertAbsInc(text, options, m).value_or(text);
        setup = AbsIncCheck(options, reading);
        break;
      }
      case 2: {
        const auto mode = static_cast<PointMode>(p_.ConsumeIntegralInRange(0, 2));
        result = ConvertPoints(text, mode, m);
        setup = PointsCheck(mode, reading);
        break;
      }
      default:
        result = ConvertXyCx(text, XyCxDirection::kToCx, m);
        setup = XyCxCheck(XyCxDirection::kToCx, reading);
        break;
    }
    Context() = [&] { return "text:   " + Escaped(text) + "\nresult: " + Escaped(result) + "\n"; };
    const CheckResult check = CheckPaths(text, result, setup);
    Require(check.same(), "the conversion keeps the tool's path");
  }

  void AllAtOnce(Target target) {
    const std::u16string find = Text(4);
    const std::u16string with = Text(4);
    CalcOptions calc{find, static_cast<CalcOp>(p_.ConsumeIntegralInRange(0, 3)), with,
                     p_.ConsumeIntegralInRange(1, 4)};
    const DecodedText decoded = DecodeText(p_.ConsumeRemainingBytesAsString());
    const std::u16string& text = decoded.text;
    const auto make = [&](Module1& m) -> std::unique_ptr<kestrum::AllAtOnce> {
      if (target == Target::kReplace) return ReplaceAll(find, with, m);
      if (target == Target::kCalc) return find.empty() ? nullptr : CalcAll(calc, m);
      return RepairLineEndsAll(m);
    };
    Module1 whole_m;
    const std::unique_ptr<kestrum::AllAtOnce> whole_run = make(whole_m);
    if (!whole_run) return;
    const TextReport whole = RunAllAtOnce(text, *whole_run);
    if (!whole_run->NeedsWholeText()) {
      // The command line's pieces: each ends after a line feed.
      Module1 m;
      const std::unique_ptr<kestrum::AllAtOnce> run = make(m);
      std::u16string out;
      std::size_t at = 0;
      while (at < text.size()) {
        std::size_t lf = text.find(u'\n', at + p_.ConsumeIntegralInRange<std::size_t>(0, 64));
        const std::size_t end = lf == std::u16string::npos ? text.size() : lf + 1;
        run->Piece(std::u16string_view(text).substr(at, end - at), out);
        at = end;
      }
      const SearchMessage message = run->End();
      Require(out == whole.text, "a command in pieces gives the whole command's text");
      Require(message.text == whole.message, "a command in pieces reports the same count");
    }
    RoundTrip(whole.text, decoded.encoding);
  }

  // "全て変更" and the line-end repair in one pass equal their loops over the primitives,
  // after any earlier clicks.
  void Search() {
    const std::u16string text = Text(200);
    const std::u16string find = Text(3);
    const std::u16string with = Text(4);
    const int format = p_.ConsumeIntegralInRange(1, 4);
    const auto op = static_cast<CalcOp>(p_.ConsumeIntegralInRange(0, 3));
    const bool calc = p_.ConsumeBool();
    struct Session {
      Module1 m;
      MemoryPane pane;
      bool check1 = true;
    } one{{}, MemoryPane(text)};
    one.m.SearchText = find;
    one.m.ReplaceText = with;
    one.pane.Select(p_.ConsumeIntegralInRange<std::size_t>(0, text.size()), 0);
    BeginReplace(one.m, one.pane);
    one.check1 = p_.ConsumeBool();
    for (int clicks = p_.ConsumeIntegralInRange(0, 3); clicks > 0; --clicks) {
      if (calc) {
        CalcDialogChange(one.m, one.pane, op, format, one.check1);
      } else {
        ReplaceDialogChange(one.m, one.pane, one.check1);
      }
    }
    Session ref = one;
    const auto same = [](const Session& a, const SearchMessage& am, const Session& b,
                         const SearchMessage& bm) {
      return a.pane.text() == b.pane.text() && a.pane.SelStart() == b.pane.SelStart() &&
             a.pane.SelLength() == b.pane.SelLength() && a.m.SearchPos == b.m.SearchPos &&
             a.m.WorkText == b.m.WorkText && a.m.MatchCount == b.m.MatchCount &&
             a.m.FirstStep == b.m.FirstStep && a.check1 == b.check1 && am.text == bm.text &&
             am.title == bm.title;
    };
    if (calc) {
      if (!CheckCalcValue(op, with).empty()) return;
      const SearchMessage a = CalcDialogAllChange(one.m, one.pane, op, format, one.check1);
      const SearchMessage b = reference::CalcAllChange(ref.m, ref.pane, op, format, ref.check1);
      Require(same(one, a, ref, b), "calculated replace in one pass equals the loop");
    } else {
      const SearchMessage a = ReplaceDialogAllChange(one.m, one.pane, one.check1);
      const SearchMessage b = reference::ReplaceAllChange(ref.m, ref.pane, ref.check1);
      Require(same(one, a, ref, b), "replace all in one pass equals the loop");
    }
    Module1 m1, m2;
    MemoryPane p1(text), p2(text);
    const SearchMessage a = RepairLineEnds(m1, p1);
    const SearchMessage b = reference::RepairLineEnds(m2, p2);
    Require(p1.text() == p2.text() && a.text == b.text, "line-end repair equals the loop");
  }

  // Decoding and encoding back gives the bytes.
  void Codec() {
    const std::string bytes = p_.ConsumeRemainingBytesAsString();
    const DecodedText decoded = DecodeText(bytes);
    const std::optional<std::string> back = EncodeText(decoded.text, decoded.encoding);
    Require(back && *back == bytes, "decoding and encoding give the bytes back");
  }

  // Whatever the file, reading never fails badly, and a table read whole is written and read
  // back the same.
  void Table() {
    const std::string bytes = p_.ConsumeRemainingBytesAsString();
    ConversionTable table;
    if (!ReadConversionTable(bytes, table)) return;
    const std::optional<std::string> written = WriteConversionTable(table);
    if (!written) return;  // a field the file format cannot hold
    ConversionTable again;
    Require(ReadConversionTable(*written, again) && again == table,
            "a table written and read back is the same");
  }

  bool ConsumeBool() { return p_.ConsumeBool(); }

 private:
  // Up to four places to cut the text at.
  std::vector<std::size_t> Cuts() {
    std::vector<std::size_t> cuts;
    for (int n = p_.ConsumeIntegralInRange(0, 4); n > 0; --n) {
      cuts.push_back(p_.ConsumeIntegralInRange<std::size_t>(0, 4096));
    }
    std::sort(cuts.begin(), cuts.end());
    return cuts;
  }

  // A short text over the characters that matter to the searches and the words.
  std::u16string Text(std::size_t max) {
    static constexpr std::u16string_view kAlphabet = u"X1 .-=\r\n(A)9";
    std::u16string text;
    for (std::size_t n = p_.ConsumeIntegralInRange<std::size_t>(0, max); n > 0; --n) {
      text += kAlphabet[p_.ConsumeIntegralInRange<std::size_t>(0, kAlphabet.size() - 1)];
    }
    return text;
  }

  Make MakeConversion(Target target) {
    switch (target) {
      case Target::kSpaces: {
        const auto mode = static_cast<SpaceMode>(p_.ConsumeIntegralInRange(0, 2));
        return [mode](Module1& m) { return std::make_unique<SpacesConversion>(mode, m); };
      }
      case Target::kPoints: {
        const auto mode = static_cast<PointMode>(p_.ConsumeIntegralInRange(0, 2));
        return [mode](Module1& m) { return std::make_unique<PointsConversion>(mode, m); };
      }
      case Target::kUnit: {
        const auto mode = static_cast<UnitMode>(p_.ConsumeIntegralInRange(0, 5));
        return [mode](Module1& m) { return std::make_unique<UnitConversion>(mode, m); };
      }
      case Target::kAbsInc: {
        AbsIncOptions o;
        o.to_incremental = p_.ConsumeBool();
        o.start_x = FromUtf8(p_.ConsumeRandomLengthString(8));
        o.start_comment = p_.ConsumeBool();
        o.end_comment = p_.ConsumeBool();
        o.point = p_.ConsumeBool();
        return [o](Module1& m) { return std::make_unique<AbsIncConversion>(o, m); };
      }
      case Target::kXyCx: {
        const auto direction = static_cast<XyCxDirection>(p_.ConsumeIntegralInRange(0, 1));
        return [direction](Module1& m) { return std::make_unique<XyCxConversion>(direction, m); };
      }
      case Target::kRotary: {
        auto options = std::make_shared<RotaryOptions>();
        options->axis = FromUtf8(p_.ConsumeRandomLengthString(2));
        options->forward = FromUtf8(p_.ConsumeRandomLengthString(4));
        options->reverse = FromUtf8(p_.ConsumeRandomLengthString(4));
        // The editor and the command line refuse the others.
        if (!IsInsertableMCode(options->forward)) options->forward = u"15";
        if (!IsInsertableMCode(options->reverse)) options->reverse = u"16";
        return [options](Module1& m) { return std::make_unique<RotaryConversion>(*options, m); };
      }
      default: {  // the translation, through a table of either direction
        auto table = std::make_shared<ConversionTable>();
        const bool to_osp = p_.ConsumeBool();
        const auto text = [](const char16_t* t) { return TableField{TableField::Kind::kText, t}; };
        table->rows[2] = {text(u"変換方向"), text(to_osp ? u"FANUC" : u"OSP"),
                          text(to_osp ? u"OSP" : u"FANUC")};
        table->rows[5].after = text(to_osp ? u"G30 P1" : u"G53 Z0.");
        int row = 6;
        for (const char16_t* code : {u"M03", u"M05", u"M00", u"M01", u"M02", u"M30"}) {
          table->rows[row++] = {text(u"m"), text(code), text(code)};
        }
        table->rows[row++] = {text(u"call"), text(u"M98"), text(to_osp ? u"CALL" : u"M98")};
        table->rows[row] = {text(u"return"), text(u"M99"), text(to_osp ? u"RTS" : u"M99")};
        const bool break_after_return = p_.ConsumeBool();
        return [table, break_after_return](Module1& m) {
          return std::make_unique<TranslateConversion>(*table, break_after_return, m);
        };
      }
    }
  }

  // The encoding the text came in holds the result too, and gives it back.
  static void RoundTrip(const std::u16string& text, Encoding encoding) {
    const std::optional<std::string> bytes = EncodeText(text, encoding);
    if (!bytes) return;  // a character of the result that the input's encoding cannot hold
    std::u16string back;
    AppendDecoded(std::string_view(*bytes).substr(EncodingMark(encoding).size()), encoding, back);
    Require(back == text, "the result encodes and decodes back unchanged");
  }

  static void SpacesProperties(const std::u16string& text, const std::u16string& out,
                               const Module1& base) {
    for (const SpaceMode mode : {SpaceMode::kRemoveBlanks, SpaceMode::kAddBlank}) {
      Module1 m = base;
      const std::u16string once = ConvertSpaces(text, mode, m);
      m = base;
      Require(ConvertSpaces(once, mode, m) == once,
              "adding or removing blanks twice changes nothing");
      Require(WithoutBlanks(once, base.InComment) == WithoutBlanks(text, base.InComment),
              "blanks are the only change");
    }
    (void)out;
  }

  static void PointsProperties(const std::u16string& text, const std::u16string& out,
                               const Module1& base) {
    Module1 m = base;
    const std::u16string removed = ConvertPoints(text, PointMode::kRemove, m);
    m = base;
    const std::u16string added = ConvertPoints(text, PointMode::kAddPoint, m);
    m = base;
    Require(ConvertPoints(added, PointMode::kRemove, m) == removed,
            "adding points then removing them equals removing them");
    Require(Skeleton(text, base.InComment) == Skeleton(out, base.InComment),
            "decimal points touch nothing but values");
  }

  FuzzedDataProvider p_;
};

}  // namespace

const char* Name(Target target) {
  switch (target) {
    case Target::kSpaces:
      return "spaces";
    case Target::kPoints:
      return "points";
    case Target::kUnit:
      return "unit";
    case Target::kAbsInc:
      return "abs_inc";
    case Target::kXyCx:
      return "xy_cx";
    case Target::kRotary:
      return "rotary";
    case Target::kTranslate:
      return "translate";
    case Target::kCalc:
      return "calc";
    case Target::kReplace:
      return "replace";
    case Target::kFixLineEnds:
      return "fix_line_ends";
    case Target::kCodec:
      return "codec";
    case Target::kTable:
      return "table";
    case Target::kSearch:
      return "search";
    case Target::kRotaryPath:
      return "rotary_path";
    case Target::kPaths:
      return "paths";
  }
  return "unknown";
}

void SetFailureHandler(std::function<void(const std::string& what)> handler) {
  Handler() = std::move(handler);
}

void Check(Target target, const std::uint8_t* data, std::size_t size) {
  Context() = [] { return std::string(); };
  Run run(data, size);
  switch (target) {
    case Target::kCalc:
    case Target::kReplace:
    case Target::kFixLineEnds:
      run.AllAtOnce(target);
      break;
    case Target::kCodec:
      run.Codec();
      break;
    case Target::kTable:
      run.Table();
      break;
    case Target::kSearch:
      run.Search();
      break;
    case Target::kRotaryPath:
      run.RotaryPath();
      break;
    case Target::kPaths:
      run.ConvertedPaths();
      break;
    case Target::kAbsInc:
      // Half the inputs are programs of moves for the round trip.
      if (run.ConsumeBool()) {
        run.AbsIncRoundTrip();
        break;
      }
      [[fallthrough]];
    default:
      run.Conversion(target);
      break;
  }
}

}  // namespace kestrum::fuzz
