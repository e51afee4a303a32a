// Whatever text an operator opens, every conversion returns in bounded time and keeps what
// it does not convert: comments, line feeds and CRs inside lines, NUL characters, bytes that
// stand for themselves (U+DC80..U+DCFF) and Japanese text.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "convert/abs_inc.h"
#include "convert/calc.h"
#include "convert/points.h"
#include "convert/rotary.h"
#include "convert/spaces.h"
#include "convert/unit.h"
#include "convert/xy_cx.h"
#include "machine/conversion_table.h"
#include "machine/translate.h"
#include "search/search.h"
#include "tests/test_util.h"

namespace kestrum {
namespace {

using test::Utf8;
using namespace std::string_literals;

#if defined(NDEBUG) && !defined(__SANITIZE_ADDRESS__)
constexpr double kSlowBuild = 1;
#else
constexpr double kSlowBuild = 15;  // unoptimised or sanitised code
#endif

// What a conversion promises to keep.
enum class Kind {
  // Rewrites words in place on the line walk: every character it does not convert stays, the
  // text ends in CR LF, and comments stay as they are.
  kInPlace,
  // Builds each line anew from the words it reads (the translation): the text ends in CR LF
  // and the text of every comment is still there, but characters that belong to no word or
  // comment are not kept.
  kRebuilt,
  // Edits the text wherever the search text matches, comments included.
  kSearch,
};

struct Result {
  std::u16string text;
  Kind kind = Kind::kInPlace;
  bool refused = false;  // the conversion said no with a message instead of converting
  std::u16string message;
};

struct Conversion {
  const char* name;
  std::function<Result(std::u16string_view, Module1&)> run;
};

Result Walked(std::u16string text) { return Result{std::move(text), Kind::kInPlace, false, {}}; }
Result Edited(TextReport report) {
  return Result{std::move(report.text), Kind::kSearch, false, std::move(report.message)};
}

// OSP to FANUC with no M code rows: what a table needs to give the translation a direction.
ConversionTable OspToFanuc() {
  ConversionTable table;
  table.rows[2].before = {TableField::Kind::kText, u"OSP"};
  table.rows[2].after = {TableField::Kind::kText, u"FANUC"};
  return table;
}

std::vector<Conversion> Conversions() {
  std::vector<Conversion> all;
  for (const auto mode : {SpaceMode::kAddBlank, SpaceMode::kRenumber, SpaceMode::kRemoveBlanks}) {
    all.push_back({"spaces", [mode](std::u16string_view t, Module1& m) {
                     return Walked(ConvertSpaces(t, mode, m));
                   }});
  }
  for (const auto mode : {PointMode::kAddPoint, PointMode::kAddPointZero, PointMode::kRemove}) {
    all.push_back({"points", [mode](std::u16string_view t, Module1& m) {
                     return Walked(ConvertPoints(t, mode, m));
                   }});
  }
  for (int option = 0; option <= 5; ++option) {
    all.push_back({"unit", [option](std::u16string_view t, Module1& m) {
                     return Walked(ConvertUnit(t, static_cast<UnitMode>(option), m));
                   }});
  }
  all.push_back({"calc", [](std::u16string_view t, Module1& m) {
                   CalcOptions options;
                   options.find = u"X";
                   options.op = CalcOp::kMul;
                   options.value = u"2";
                   return Edited(CalcReplaceAllText(t, options, m));
                 }});
  for (const bool to_incremental : {true, false}) {
    all.push_back({"abs-inc", [to_incremental](std::u16string_view t, Module1& m) {
                     AbsIncOptions options;
                     options.to_incremental = to_incremental;
                     options.start_comment = true;
                     options.end_comment = true;
                     auto text = ConvertAbsInc(t, options, m);
                     EXPECT_TRUE(text.has_value()) << "a run without cancel gives a result";
                     return Walked(text.value_or(u"\r\n"));
                   }});
  }
  for (const auto direction : {XyCxDirection::kToCx, XyCxDirection::kToXy}) {
    all.push_back({"xy-cx", [direction](std::u16string_view t, Module1& m) {
                     return Walked(ConvertXyCx(t, direction, m));
                   }});
  }
  all.push_back({"rotary", [](std::u16string_view t, Module1& m) {
                   return Walked(ConvertRotary(t, RotaryOptions{}, m));
                 }});
  all.push_back({"translate", [](std::u16string_view t, Module1& m) {
                   TranslateResult r = TranslateProgram(t, OspToFanuc(), true, m);
                   return Result{std::move(r.text), Kind::kRebuilt, !r.ok, std::move(r.message)};
                 }});
  all.push_back({"replace", [](std::u16string_view t, Module1& m) {
                   return Edited(ReplaceAllText(t, u"G01", u"G1", m));
                 }});
  all.push_back({"fix-line-ends", [](std::u16string_view t, Module1& m) {
                   return Edited(RepairLineEndsText(t, m));
                 }});
  return all;
}

std::u16string Repeat(std::u16string_view part, std::size_t times) {
  std::u16string out;
  out.reserve(part.size() * times);
  for (std::size_t i = 0; i < times; ++i) out += part;
  return out;
}

// A program with every kind of word a later conversion works on, as one LF-only text.
std::u16string LfOnlyProgram(std::size_t size) {
  const std::u16string_view block =
      u"N10 G90 G00 X10. Y20. Z5. (RAPID)\nG01 X12.5 Y-3. F200\nG02 X0 Y0 I5. J-5.\n"
      u"G04 X1.5\nG91 G01 X1. C90.\nG90 M03 S1200 T0101\n";
  return Repeat(block, size / block.size() + 1);
}

struct Input {
  const char* name;
  std::u16string text;
  double seconds;  // time bound for each conversion in an optimised build
};

std::vector<Input> Inputs() {
  const std::u16string all_escapes = [] {
    std::u16string s = u"G01X1.";
    for (char16_t c = 0xDC80; c <= 0xDCFF; ++c) s += c;
    return s + u"Y2.(";
  }();
  std::vector<Input> inputs = {
      {"empty", u"", 1},
      {"no line end", u"G01X10.Y20.F100", 1},
      {"LF only", u"G01X1.\nG01Y2.\n(COMMENT X3)\nM30\n", 1},
      {"lone CR", u"G01X1.\rY2.\r\n", 1},
      {"100000-character line", Repeat(u"G01X1.5Y-2. (A B) ", 100000 / 18), 1},
      {"NUL characters", u"G01X1\0Y2\r\n\0(A\0B)\r\nX\0\r\n"s, 1},
      {"byte escapes",
       all_escapes + char16_t{0xDC80} + u")\r\nX1" + char16_t{0xDCFF} + u"\r\n" + char16_t{0xDCFE},
       1},
      {"Japanese comment", u"G01X1.(工具 ＴＯＯＬ　ｶﾅ)Y2.\r\n", 1},
      {"unclosed comment", u"G01X1.(OPEN\r\nX2 Y3\r\nZ4\r\n", 1},
      {"nested comments", Repeat(u"(", 20000) + u"X1" + Repeat(u")", 20000) + u"X2\r\n", 1},
      {"unclosed nested comments", u"G01" + Repeat(u"((X1 ", 20000) + u"\r\nY2\r\n", 1},
      {"LF-only 5 MB", LfOnlyProgram(5'000'000), 3},
  };
  for (const char16_t* value : {u"-", u"/", u".", u"1,5", u"1e400", u"=[[[", u"1E400", u"+-",
                                u"99999999999999999999", u"1..2", u"[1+2]]", u"=", u"*"}) {
    const std::u16string v(value);
    const std::u16string text = u"G01X" + v + u" Y1.\r\nX" + v + u"Y1.\r\nG04X" + v + u"\r\nG96S" +
                                v + u"E" + v + u"\r\nC" + v + u"\r\nX" + v;
    inputs.push_back({"bad values", text, 1});
  }
  return inputs;
}

// Runs f on its own thread and waits at most `seconds`. A run that does not end in time is a
// failure, and it is left running detached: there is no safe way to stop it.
std::optional<Result> RunWithin(const Conversion& conversion, const std::u16string& text,
                                double seconds) {
  struct Shared {
    std::mutex mutex;
    std::condition_variable done_cv;
    bool done = false;
    std::u16string text;
    Result result;
  };
  auto shared = std::make_shared<Shared>();
  shared->text = text;
  std::thread worker([shared, run = conversion.run] {
    Module1 m;
    Result r = run(shared->text, m);
    std::lock_guard lock(shared->mutex);
    shared->result = std::move(r);
    shared->done = true;
    shared->done_cv.notify_one();
  });
  std::unique_lock lock(shared->mutex);
  const bool in_time = shared->done_cv.wait_for(
      lock, std::chrono::duration<double>(seconds * kSlowBuild), [&] { return shared->done; });
  lock.unlock();
  if (!in_time) {
    worker.detach();
    return std::nullopt;
  }
  worker.join();
  return std::move(shared->result);
}

std::size_t Count(std::u16string_view text, std::u16string_view part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::u16string_view::npos;
       at = text.find(part, at + part.size())) {
    ++n;
  }
  return n;
}

// Characters that no conversion changes: a line feed or CR inside a line, NUL, and every
// character beyond ASCII (Japanese text and the escapes of bytes).
bool IsKeptCharacter(char16_t c) { return c == u'\n' || c == u'\r' || c == 0 || c >= 0x80; }

// The comments that open and close on one line: "(TEXT)" with the parentheses.
std::vector<std::u16string_view> ClosedComments(std::u16string_view text) {
  std::vector<std::u16string_view> comments;
  std::size_t at = 0;
  while ((at = text.find(u'(', at)) != std::u16string_view::npos) {
    const std::size_t close = text.find_first_of(u")\r\n", at);
    if (close == std::u16string_view::npos) break;
    if (text[close] == u')') comments.push_back(text.substr(at, close - at + 1));
    at = close + 1;
  }
  return comments;
}

void CheckKeeps(const Input& input, const Result& r) {
  const std::u16string_view in = input.text;
  const std::u16string_view out = r.text;
  if (r.kind == Kind::kSearch) {
    EXPECT_GE(Count(out, u"\r\n"), Count(in, u"\r\n"));
  } else {
    EXPECT_TRUE(out.ends_with(u"\r\n"));
    EXPECT_GE(Count(out, u"\r\n"), Count(in, u"\r\n") + (in.ends_with(u"\r\n") ? 0 : 1));
  }
  if (r.kind != Kind::kRebuilt) {
    // Counting each kept character: a multiset comparison, in one pass over both texts.
    std::vector<std::size_t> wanted(0x10000), found(0x10000);
    for (const char16_t c : in) {
      if (IsKeptCharacter(c)) ++wanted[c];
    }
    for (const char16_t c : out) {
      if (IsKeptCharacter(c)) ++found[c];
    }
    for (std::size_t c = 0; c < wanted.size(); ++c) {
      // The line-end repair writes a CR before each lone LF.
      if (c == u'\r') continue;
      EXPECT_GE(found[c], wanted[c]) << "character U+" << std::hex << c << " lost";
    }
  }
  if (r.kind == Kind::kSearch) return;
  std::size_t checked = 0;
  for (std::u16string_view comment : ClosedComments(in)) {
    if (++checked > 50) break;  // the first ones say enough; the text can hold millions
    // A rebuilt line may hold the texts of all its comments in one.
    if (r.kind == Kind::kRebuilt) comment = comment.substr(1, comment.size() - 2);
    EXPECT_NE(out.find(comment), std::u16string_view::npos)
        << "comment lost: " << Utf8(comment.substr(0, 60));
  }
}

TEST(BadInput, EveryConversionReturnsAndKeepsWhatItDoesNotConvert) {
  const std::vector<Conversion> conversions = Conversions();
  for (const Input& input : Inputs()) {
    for (const Conversion& conversion : conversions) {
      SCOPED_TRACE(testing::Message() << conversion.name << " on " << input.name << ": "
                                      << Utf8(std::u16string_view(input.text).substr(0, 40)));
      const std::optional<Result> r = RunWithin(conversion, input.text, input.seconds);
      ASSERT_TRUE(r.has_value()) << "no result within " << input.seconds * kSlowBuild << " s";
      if (r->refused) {
        // A conversion may refuse text it cannot handle, but then it says why.
        EXPECT_FALSE(r->message.empty());
        continue;
      }
      CheckKeeps(input, *r);
    }
  }
}

}  // namespace
}  // namespace kestrum
