// The word scan of the translation: one line read into its words.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kestrum {

constexpr int LetterIndex(char16_t letter) { return letter - u'A'; }

// The words of one line. Values of A, C, D, X, Y, Z and N are kept from line to line (they
// are written only when their letter is on the line); the others start each line afresh.
struct LineWords {
  std::array<bool, 26> has{};
  std::array<double, 26> value{};  // by letter
  std::u16string_view p = u"0";    // P as written (a view of the line scanned)
  std::u16string_view o = u"0";    // the O text
  std::u16string comment;
  std::vector<double> other_g;  // G numbers outside the groups below, in line order
  int plane_g = 0;              // 17, 18, 19
  int comp_g = 0;               // 40, 41, 42
  int distance = 0;             // 90, 91
  int feed = 0;                 // 94, 95
  int spindle = 0;              // 96, 97
  float work_g = -1;            // 53 to 59
  double hash_number = 0;
  // An M word: its number, and where its value stands in the line.
  struct MWord {
    float number;
    std::size_t from, to;
  };
  std::vector<MWord> m_list;
  bool block_delete = false;
  // A word whose value cannot be known (X[1]2, X1,5), or one that no rule writes in either
  // dialect (B outside offset data, E, V, SB): the line is kept as written.
  bool unknown = false;

  bool Has(char16_t letter) const { return has[LetterIndex(letter)]; }
  double& Value(char16_t letter) { return value[LetterIndex(letter)]; }
  double Value(char16_t letter) const { return value[LetterIndex(letter)]; }
  void Reset();
};

// Reads the words of line into words (reset first), the comment text included. in_comment
// carries an open comment into and out of the line. incremental follows G90 and G91. The
// texts of P and O are views of line, which must stay as it is while words are used.
void ScanWords(std::u16string_view line, bool& in_comment, LineWords& words, bool& incremental);

}  // namespace kestrum
