#include <gtest/gtest.h>

#include <cstring>
#include <iostream>

#include "motion/compare.h"
#include "tests/motion_corpus_util.h"
#include "tests/motion_test_util.h"

namespace kestrum {
namespace {

using namespace test;

std::string Reasons(const CheckResult& r) {
  std::string s;
  for (int i = 0; i < static_cast<int>(Unchecked::kCount); ++i) {
    const auto why = static_cast<Unchecked>(i);
    if (!r.source_reasons[i].empty()) {
      s += " [" + std::string(UncheckedName(why)) + ": " + Utf8(r.source_reasons[i].Message(u"")) +
           "]";
    }
    if (!r.result_reasons[i].empty()) {
      s += " [result " + std::string(UncheckedName(why)) + ": " +
           Utf8(r.result_reasons[i].Message(u"")) + "]";
    }
  }
  return s;
}

TEST(PathCorpus, Explore) {
  const auto conversions = PathConversions();
  for (const char* file : kPathCorpus) {
    KESTRUM_CORPUS_OR_SKIP(raw, file);
    const std::u16string src = WithCrLf(raw);
    for (const auto& c : conversions) {
      const std::u16string from = c.prepare ? c.prepare(src) : src;
      const std::u16string result = c.convert(from);
      CheckResult r = CheckPaths(from, result, c.spec);
      if (getenv("PAIRS") && c.name == getenv("PAIRS") && strstr(file, getenv("PFILE"))) {
        CollectedPath a, b;
        Interpret(from, c.spec.source, a);
        Interpret(result, c.spec.result, b);
        PathComparer cmp(c.spec.relation);
        cmp.on_pair = [&](std::uint64_t i, std::uint64_t j, PairState st) {
          std::cout << "pair " << a.moves[i].number() << (a.moves[i].followed ? "" : "*") << " "
                    << b.moves[j].number() << (b.moves[j].followed ? "" : "*") << " " << int(st)
                    << "\n";
        };
        for (std::size_t i = 0, j = 0; i < a.moves.size() || j < b.moves.size(); ++i, ++j) {
          if (i < a.moves.size()) cmp.source().OnMove(a.moves[i]);
          if (j < b.moves.size()) cmp.result().OnMove(b.moves[j]);
        }
        cmp.Finish();
      }
      std::cout << file << " | " << c.name << " | " << Verdict(r) << " compared " << r.compared
                << " unchecked " << r.unchecked() << " dev " << r.largest_deviation;
      if (!r.same()) {
        const auto& d = *r.difference;
        std::cout << " what " << int(d.what) << " dist " << d.distance;
        if (getenv("LINES")) {
          const auto line = [](const std::u16string& t, std::uint64_t n) {
            std::size_t p = 0;
            for (std::uint64_t i = 0; i < n && p != std::u16string::npos; ++i) {
              p = t.find(u"\r\n", p);
              if (p != std::u16string::npos) p += 2;
            }
            if (p == std::u16string::npos) return std::string("?");
            return Utf8(t.substr(p, t.find(u"\r\n", p) - p));
          };
          std::cout << "\n   S: " << line(from, d.source.line)
                    << "\n   R: " << line(result, d.result.line);
        }
      }
      std::cout << (getenv("REASONS") ? Reasons(r) : "") << "\n";
    }
  }
}

}  // namespace
}  // namespace kestrum
