// The 100-row conversion table and its comma-separated file.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace kestrum {

struct TableField {
  enum class Kind { kNeverSet, kText, kNumber };
  Kind kind = Kind::kNeverSet;
  std::u16string text;  // a number keeps the text it was read as

  bool operator==(const TableField&) const = default;
};

// item and before tell "never set" (written as nothing) from an empty text (written as "").
// after is always text: never set, it is the empty text.
struct TableRow {
  TableField item;
  TableField before;
  TableField after{TableField::Kind::kText, {}};

  bool operator==(const TableRow&) const = default;
};

struct ConversionTable {
  std::array<TableRow, 101> rows{};  // rows 1 to 100; row 0 is never used

  bool operator==(const ConversionTable&) const = default;
};

// Rows whose place gives them a meaning to the translation.
inline constexpr int kDirectionRow = 2;        // before / after name the two dialects
inline constexpr int kReferenceReturnRow = 5;  // after: the text of a reference point return
inline constexpr int kFirstMCodeRow = 6;       // rows 6 to 100 map M codes
inline constexpr int kLastRow = 100;

// Reads the records of a table file (UTF-8 or code page 932) into table: two header records
// skipped unread, then rows 1 to 100; reading stops after row 100. A record is three fields
// separated by commas: a quoted field may hold commas (and "" for a quote), an unquoted one
// runs to the next comma or line end with leading blanks skipped, and a line with fewer than
// three fields is continued by the next. Rows past the file's end keep their values. False
// when the file is broken (a quote left open, text after a closing quote, more than three
// fields, the file ending inside a record or before the headers); the rows read until then
// stay.
bool ReadConversionTable(std::string_view bytes, ConversionTable& table);

// The file in the "write" form, code page 932: the two header lines and 100 rows, CR LF after
// each; text fields quoted, numbers as read, never-set fields empty. Nothing when a field
// holds a line break or a character code page 932 cannot hold; *bad_row then receives its row.
std::optional<std::string> WriteConversionTable(const ConversionTable& table,
                                                int* bad_row = nullptr);

}  // namespace kestrum
