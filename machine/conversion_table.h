// The 100-row conversion table and its comma-separated file.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace kestrum {

struct TableField {
  enum class Kind { kNeverSet, kText, kNumber };
  Kind kind = Kind::kNeverSet;
  std::u16string text;  // a number keeps the text it was read as
};

struct TableRow {
  TableField item;
  TableField before;
  TableField after;
};

struct ConversionTable {
  std::array<TableRow, 101> rows{};  // rows 1 to 100; row 0 is never used
};

// Reads the records of a table file (bytes in code page 932) into table: two header records
// skipped unread, then rows 1 to 100. Rows past the file's end keep their values. False when
// the file is broken; the rows read until then stay.
bool ReadConversionTable(std::string_view bytes, ConversionTable& table);

// The file in the "write" form: two header lines, 100 rows, CR LF, code page 932.
std::string WriteConversionTable(const ConversionTable& table);

}  // namespace kestrum
