// The path check on the corpus of real programs: every conversion with a relation keeps the
// path, and faults seeded one at a time into a converted program are caught at their line.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <iostream>
#include <map>
#include <numbers>
#include <set>
#include <string>
#include <vector>

#include "motion/compare.h"
#include "ncword/line_walk.h"
#include "ncword/read_word.h"
#include "tests/motion_corpus_util.h"
#include "tests/motion_test_util.h"

namespace kestrum {
namespace {

using test::CollectedPath;
using test::PathConversion;
using test::Utf8;
using test::Verdict;

const std::vector<PathConversion>& Conversions() {
  static const std::vector<PathConversion> list = test::PathConversions();
  return list;
}

std::vector<std::string> ConversionNames() {
  std::vector<std::string> names;
  for (const auto& c : Conversions()) names.push_back(c.name);
  return names;
}

const PathConversion& ConversionNamed(const std::string& name) {
  for (const auto& c : Conversions()) {
    if (c.name == name) return c;
  }
  throw std::logic_error(name);
}

// Where the conversions change the path, and the check says so: each is a fault of the
// conversion, not of the check, found with it (first source line / result line).
const std::map<std::pair<std::string, std::string>, std::string> kConversionFaults = {
    // FANUC's G53 holds for its line; the translation writes OSP's modal G15 H0, and the
    // moves after it go to machine coordinates.
    {{"LinuxCNC-linuxcnc/mmount.ngc", "translate to OSP"}, "249/333"},
    {{"LinuxCNC-linuxcnc/mmount.ngc", "translate to FANUC"}, "148/145"},
    // Back from OSP, G15 H0 becomes a G53 alone and the move after it goes to work
    // coordinates.
    {{"LinuxCNC-linuxcnc/boat-xyzbc.ngc", "translate to FANUC"}, "1861/1865"},
    {{"LinuxCNC-linuxcnc/Cereal.ngc", "translate to FANUC"}, "22/22"},
    // Lines that already hold a C word pass the XY/CX conversion unchanged, but in a C/X
    // program their X and C mean diameter and angle.
    {{"LinuxCNC-linuxcnc/boat-xyzbc.ngc", "xy-cx to cx"}, "11/11"},
    {{"LinuxCNC-linuxcnc/boat-xyzbc.ngc", "xy-cx to xy"}, "11/11"},
    // G90 to G91 follows Z in single precision: the sum of the increments written drifts,
    // which four decimals show after 24885 lines.
    {{"CauldronDevelopmentLLC-CAMotics/tiger.nc", "abs-inc to inc --point"}, "24885/24886"},
};

class PathCorpus : public testing::TestWithParam<std::string> {};

TEST_P(PathCorpus, ConversionKeepsThePath) {
  const PathConversion& c = ConversionNamed(GetParam());
  bool any = false;
  std::uint64_t compared = 0;
  for (const char* file : test::kPathCorpus) {
    SCOPED_TRACE(file);
    const auto bytes = test::CorpusFile(file);
    if (!bytes) continue;
    any = true;
    const std::u16string raw = DecodeText(*bytes).text;
    const std::u16string src = test::WithCrLf(raw);
    const std::u16string from = c.prepare ? c.prepare(src) : src;
    const CheckResult r = CheckPaths(from, c.convert(from), c.setup);
    const auto fault = kConversionFaults.find({file, c.name});
    EXPECT_EQ(Verdict(r), fault == kConversionFaults.end() ? "same" : fault->second)
        << r.compared << " compared";
    compared += r.compared;
  }
  if (!any) GTEST_SKIP() << "corpus not found";
  EXPECT_GT(compared, 10000u);
}

INSTANTIATE_TEST_SUITE_P(Conversions, PathCorpus, testing::ValuesIn(ConversionNames()),
                         [](const testing::TestParamInfo<std::string>& info) {
                           std::string name;
                           for (const char ch : info.param) {
                             name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
                           }
                           return name;
                         });

// Line repair reads the LF-only programs as the control does, line feed by line feed.
TEST(PathCorpusLineEnds, RepairKeepsThePath) {
  for (const char* file : test::kPathCorpus) {
    SCOPED_TRACE(file);
    KESTRUM_CORPUS_OR_SKIP(raw, file);
    EXPECT_EQ(Verdict(CheckPaths(raw, test::WithCrLf(raw), IdenticalCheck(test::CorpusReading()))),
              "same");
  }
}

// --- seeded faults ------------------------------------------------------------------------

enum class Fault { kDigit, kDropWord, kUnwrap, kSwapDirection, kDropPoint, kCount };
constexpr const char* kFaultNames[] = {"change one digit", "drop one axis word",
                                       "unwrap one (G90)/(G91)", "swap M15 and M16",
                                       "drop the point of one value"};

struct Tally {
  int seeded = 0;      // faults put in
  int effective = 0;   // of them, moving a position further than the tolerance
  int unchecked = 0;   // of those, on a move the check reports as not compared
  int caught = 0;      // of the others, found by the check
  int right_line = 0;  // of them, at the line of the fault
  int near_line = 0;   // of them, within two lines of it
};
std::map<std::string, std::array<Tally, static_cast<int>(Fault::kCount)>>& Tallies() {
  static std::map<std::string, std::array<Tally, static_cast<int>(Fault::kCount)>> tallies;
  return tallies;
}

// The catch rate per fault kind, printed when the suite is run as one program.
class PrintTallies : public testing::Environment {
 public:
  void TearDown() override {
    if (Tallies().empty()) return;
    std::array<Tally, static_cast<int>(Fault::kCount)> total{};
    for (const auto& [name, tallies] : Tallies()) {
      for (int k = 0; k < static_cast<int>(Fault::kCount); ++k) {
        total[k].seeded += tallies[k].seeded;
        total[k].effective += tallies[k].effective;
        total[k].unchecked += tallies[k].unchecked;
        total[k].caught += tallies[k].caught;
        total[k].right_line += tallies[k].right_line;
        total[k].near_line += tallies[k].near_line;
      }
    }
    std::cout << "seeded faults over the corpus: seeded / moving the path / on moves not "
                 "compared / caught / at the right line / within two lines\n";
    for (int k = 0; k < static_cast<int>(Fault::kCount); ++k) {
      std::cout << "  " << kFaultNames[k] << ": " << total[k].seeded << " / " << total[k].effective
                << " / " << total[k].unchecked << " / " << total[k].caught << " / "
                << total[k].right_line << " / " << total[k].near_line << "\n";
    }
  }
};
const testing::Environment* const kPrintTallies =
    testing::AddGlobalTestEnvironment(new PrintTallies);

// A place in a program where a fault can be seeded: [from, to) replaced by text.
struct Site {
  std::size_t from, to;
  std::u16string text;
};

bool IsPathLetter(char16_t c) {
  return std::u16string_view(u"XYZABCIJKR").find(c) != std::u16string_view::npos;
}

// The places of one kind of fault in a text, in order.
std::vector<Site> Sites(const std::u16string& text, Fault fault, const RotaryOptions& rotary) {
  std::vector<Site> sites;
  bool in_comment = false;
  std::size_t start = 0;
  ForEachLine(text, [&](std::u16string_view line) {
    const std::size_t at = start;
    start += line.size() + 2;
    if (fault == Fault::kUnwrap) {
      for (const std::u16string_view mode : {u"(G90)", u"(G91)"}) {
        for (std::size_t p = line.find(mode); p != std::u16string_view::npos;
             p = line.find(mode, p + 1)) {
          sites.push_back({at + p, at + p + 5, std::u16string(mode.substr(1, 3))});
        }
      }
      return true;
    }
    if (fault == Fault::kSwapDirection) {
      const std::u16string forward = u"M" + rotary.forward, reverse = u"M" + rotary.reverse;
      for (const auto& [code, other] : {std::pair{forward, reverse}, std::pair{reverse, forward}}) {
        const std::size_t p = line.find(code);
        if (p != std::u16string_view::npos &&
            (p + code.size() == line.size() || !IsDigit(line[p + code.size()]))) {
          sites.push_back({at + p, at + p + code.size(), other});
        }
      }
      return true;
    }
    ForEachWord(line, in_comment, [&](char16_t c, std::size_t i) -> std::size_t {
      const WordExpr e = ReadWordExpr(line, i);
      if (!IsPathLetter(c) || !e.plain) return e.end;
      const std::u16string_view value = line.substr(e.keep + 1, e.end - e.keep - 1);
      if (fault == Fault::kDropWord) {
        sites.push_back({at + i, at + e.end, u""});
      } else if (fault == Fault::kDropPoint) {
        const std::size_t point = value.find(u'.');
        if (point != std::u16string_view::npos) {
          sites.push_back({at + e.keep + 1 + point, at + e.keep + 2 + point, u""});
        }
      } else {
        // One digit, counted from the end: the last written is the one a fault of rounding
        // would touch, the others move further.
        std::vector<std::size_t> digits;
        for (std::size_t k = 0; k < value.size(); ++k) {
          if (IsDigit(value[k])) digits.push_back(e.keep + 1 + k);
        }
        if (!digits.empty()) {
          const std::size_t d = digits[(sites.size() * 7) % digits.size()];
          const char16_t changed = static_cast<char16_t>(u'0' + (line[d] - u'0' + 3) % 10);
          sites.push_back({at + d, at + d + 1, std::u16string(1, changed)});
        }
      }
      return e.end;
    });
    return true;
  });
  return sites;
}

// C/X as X/Y, for the oracle of a polar result.
class PolarToCartesian final : public PathSink {
 public:
  explicit PolarToCartesian(PathSink& next) : next_(next) {}
  void OnMove(const Move& m) override {
    Move c = m;
    for (Position* p : {&c.start, &c.end}) {
      if (p->Known(kC) && p->Known(kX)) {
        const double r = p->v[kX] / 2, a = p->v[kC] * std::numbers::pi / 180;
        p->Set(kX, r * std::cos(a));
        p->Set(kY, r * std::sin(a));
      } else {
        p->Forget(kX);
        p->Forget(kY);
      }
      p->Forget(kC);
    }
    c.centre_known = false;
    next_.OnMove(c);
  }
  void OnUnchecked(std::uint64_t line, Unchecked why) override { next_.OnUnchecked(line, why); }

 private:
  PathSink& next_;
};

// Whether a fault moves a position further than the tolerance: the converted program and
// the faulty one compared, both read as the result is read, in the space of the relation.
// The converted program lies within the tolerance of the source, so a fault must move it
// further than twice that to lie beyond the tolerance of the source for certain. The first
// difference, or nothing.
std::optional<PathDifference> Oracle(const std::u16string& result, const std::u16string& faulty,
                                     const CheckSpec& setup) {
  Relation r = setup.relation;
  r.resolution *= 2;
  r.angle_resolution *= 2;
  const bool polar = r.kind == RelationKind::kXyToCx;
  if (r.kind == RelationKind::kScale || r.kind == RelationKind::kCxToXy) {
    r.kind = RelationKind::kIdentical;
  }
  PathComparer comparer(r);
  PolarToCartesian mapped(comparer.source());
  Interpreter from(setup.result, polar ? static_cast<PathSink&>(mapped) : comparer.source());
  Interpreter to(setup.result, comparer.result());
  InterpretBoth(result, from, faulty, to);
  comparer.Finish();
  return comparer.outcome().difference;
}

// The check of a faulty program, and whether the first pair at or after a result line was
// left uncompared (a position known on one side only, a block not followed).
struct FaultyCheck {
  CheckResult outcome;
  bool unchecked_at_line = false;
};
FaultyCheck CheckFaulty(const std::u16string& source, const std::u16string& faulty,
                        const CheckSpec& setup, std::uint64_t line) {
  CollectedPath a, b;
  Interpret(faulty, setup.result, b);
  PathComparer comparer(setup.relation);
  FaultyCheck check;
  bool seen = false;
  comparer.on_pair = [&](std::uint64_t, std::uint64_t r, PairState state) {
    if (seen || b.moves[r].line < line) return;
    seen = true;
    check.unchecked_at_line = state == PairState::kOneSide;
  };
  Interpreter from(setup.source, comparer.source());
  Interpreter to(setup.result, comparer.result());
  InterpretBoth(source, from, faulty, to);
  comparer.Finish();
  check.outcome = comparer.outcome();
  return check;
}

// The first lines of a program, at most n.
std::u16string Head(const std::u16string& text, std::size_t n) {
  std::size_t p = 0;
  for (std::size_t i = 0; i < n && p != std::u16string::npos; ++i) {
    p = text.find(u"\r\n", p);
    if (p != std::u16string::npos) p += 2;
  }
  return p == std::u16string::npos ? text : text.substr(0, p);
}

class SeededFaults : public testing::TestWithParam<std::string> {};

TEST_P(SeededFaults, CaughtAtTheirLine) {
  const PathConversion& c = ConversionNamed(GetParam());
  // The faults of the table go where they apply: (G90) in the G90/G91 and XY/CX results,
  // direction codes in the rotary ones.
  RotaryOptions rotary;
  if (c.setup.relation.kind == RelationKind::kRotary) {
    rotary.axis = std::u16string(1, kAxisLetters[c.setup.relation.rotary_axis]);
  }
  constexpr std::size_t kLines = 1500;    // of each program
  constexpr std::size_t kPerProgram = 4;  // faults of each kind
  auto& tallies = Tallies()[c.name];
  bool any = false;
  for (const char* file : test::kPathCorpus) {
    const auto bytes = test::CorpusFile(file);
    if (!bytes) continue;
    any = true;
    SCOPED_TRACE(file);
    const std::u16string src = Head(test::WithCrLf(DecodeText(*bytes).text), kLines);
    const std::u16string from = c.prepare ? c.prepare(src) : src;
    const std::u16string result = c.convert(from);
    // Where each result line's move is paired in the source, to name the line a fault
    // should be found at.
    std::map<std::uint64_t, std::uint64_t> source_line_of;
    {
      CollectedPath a, b;
      Interpret(from, c.setup.source, a);
      Interpret(result, c.setup.result, b);
      PathComparer comparer(c.setup.relation);
      comparer.on_pair = [&](std::uint64_t s, std::uint64_t r, PairState) {
        source_line_of.emplace(b.moves[r].line, a.moves[s].line);
      };
      Interpreter source_path(c.setup.source, comparer.source());
      Interpreter result_path(c.setup.result, comparer.result());
      InterpretBoth(from, source_path, result, result_path);
      comparer.Finish();
      // A program whose conversion already changes the path takes no faults.
      if (!comparer.outcome().same()) continue;
    }
    for (int k = 0; k < static_cast<int>(Fault::kCount); ++k) {
      const auto fault = static_cast<Fault>(k);
      if (fault == Fault::kSwapDirection && c.setup.relation.kind != RelationKind::kRotary) {
        continue;
      }
      const std::vector<Site> sites = Sites(result, fault, rotary);
      // The mode and direction words are few: all of them, up to a bound.
      const std::size_t count = fault == Fault::kUnwrap || fault == Fault::kSwapDirection
                                    ? std::min<std::size_t>(sites.size(), 40)
                                    : std::min(kPerProgram, sites.size());
      for (std::size_t n = 0; n < count; ++n) {
        const Site& site = sites[(n * 2 + 1) * sites.size() / (2 * count)];
        std::u16string faulty = result;
        faulty.replace(site.from, site.to - site.from, site.text);
        Tally& t = tallies[k];
        ++t.seeded;
        const std::optional<PathDifference> moved = Oracle(result, faulty, c.setup);
        if (!moved) continue;
        ++t.effective;
        const FaultyCheck check = CheckFaulty(from, faulty, c.setup, moved->result.line);
        const CheckResult& found = check.outcome;
        if (found.same()) {
          if (check.unchecked_at_line) {
            ++t.unchecked;  // reported as not compared, with its line
            continue;
          }
          ADD_FAILURE() << kFaultNames[k] << " at " << Utf8(result.substr(site.from, 20))
                        << " (result line " << moved->result.number() << ") not caught";
          continue;
        }
        ++t.caught;
        // The source line paired with the result's first move that the fault changed.
        const auto paired = source_line_of.lower_bound(moved->source.line);
        const std::uint64_t expected =
            paired == source_line_of.end() ? found.difference->source.line : paired->second;
        // Where the first move the fault changed could not be compared (a position known on
        // one side only), the check finds it at the next that can.
        const std::uint64_t at = found.difference->source.line;
        if (at == expected || (check.unchecked_at_line && at > expected)) {
          ++t.right_line;
        } else if (at + 2 >= expected && at <= expected + 2) {
          // Where the source's moves are shorter than the result's resolution (a unit change
          // that rounds them away), which of them a result line pairs with is not fixed.
          ++t.near_line;
        } else {
          ADD_FAILURE() << kFaultNames[k] << " at " << Utf8(result.substr(site.from, 20))
                        << ": found at source line " << found.difference->source.number()
                        << ", expected " << expected + 1;
        }
      }
    }
  }
  if (!any) GTEST_SKIP() << "corpus not found";
  for (int k = 0; k < static_cast<int>(Fault::kCount); ++k) {
    if (tallies[k].seeded > 0) {
      std::cout << c.name << ", " << kFaultNames[k] << ": " << tallies[k].seeded << " seeded, "
                << tallies[k].effective << " moving the path, " << tallies[k].unchecked
                << " on moves not compared, " << tallies[k].caught << " caught, "
                << tallies[k].right_line << " at their line, " << tallies[k].near_line
                << " within two lines\n";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Conversions, SeededFaults, testing::ValuesIn(ConversionNames()),
                         [](const testing::TestParamInfo<std::string>& info) {
                           std::string name;
                           for (const char ch : info.param) {
                             name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
                           }
                           return name;
                         });

}  // namespace
}  // namespace kestrum
