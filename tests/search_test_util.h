// Helpers of the search and calculated-replace suites.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <string>
#include <string_view>

#include "search/search.h"
#include "tests/test_util.h"

namespace kestrum::test {

// A Replace or calculated-replace dialog opened on text with the caret at 0 and its two
// boxes filled in (search text, and replacement or value).
struct SearchSession {
  Module1 m;
  MemoryPane pane;
  bool check1 = true;

  SearchSession(std::u16string_view text, std::u16string_view find, std::u16string_view with)
      : pane(std::u16string(text)) {
    m.SearchText = find;
    m.ReplaceText = with;
    BeginReplace(m, pane);
  }
  std::u16string Selected() const { return pane.text().substr(pane.SelStart(), pane.SelLength()); }
};

// The state a command leaves behind, for comparing two ways of running it.
struct After {
  std::u16string text;
  std::size_t sel_start = 0;
  std::size_t sel_length = 0;
  std::size_t search_pos = 0;
  std::u16string work_text;
  float match_count = 0;
  bool first_step = false;
  bool check1 = false;
  std::u16string message;
  std::u16string title;

  bool operator==(const After&) const = default;
};

inline After Capture(const Module1& m, const MemoryPane& pane, bool check1,
                     const SearchMessage& msg) {
  return {pane.text(),  pane.SelStart(), pane.SelLength(), m.SearchPos, m.WorkText,
          m.MatchCount, m.FirstStep,     check1,           msg.text,    msg.title};
}
inline After Capture(const SearchSession& s, const SearchMessage& msg) {
  return Capture(s.m, s.pane, s.check1, msg);
}

inline void PrintTo(const After& a, std::ostream* os) {
  *os << "text " << testing::PrintToString(Utf8(a.text)) << " sel " << a.sel_start << "+"
      << a.sel_length << " SearchPos " << a.search_pos << " WorkText "
      << testing::PrintToString(Utf8(a.work_text)) << " count " << a.match_count << " first "
      << a.first_step << " check1 " << a.check1 << " message " << Utf8(a.message) << " "
      << Utf8(a.title);
}

// Random texts over a small alphabet, so that occurrences are adjacent, overlap, sit at
// both ends and hide in replacement texts.
inline std::u16string RandomText(std::mt19937& rng, std::u16string_view alphabet, std::size_t max) {
  std::u16string text(std::uniform_int_distribution<std::size_t>(0, max)(rng), u' ');
  for (auto& c : text) c = alphabet[rng() % alphabet.size()];
  return text;
}

// Earlier clicks before a "全て変更": a caret anywhere, a count, Check1 either way, and up
// to three clicks of "変　更".
template <typename ChangeClick>
void RandomHistory(std::mt19937& rng, SearchSession& s, ChangeClick&& change) {
  s.pane.Select(rng() % (s.pane.text().size() + 1), 0);
  BeginReplace(s.m, s.pane);
  s.check1 = rng() % 2;
  s.m.MatchCount = static_cast<float>(rng() % 3);
  for (int clicks = rng() % 4; clicks > 0; --clicks) change(s);
}

}  // namespace kestrum::test
