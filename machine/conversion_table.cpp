#include "machine/conversion_table.h"

#include <vector>

#include "io/textcodec.h"
#include "ncword/numeric.h"

namespace kestrum {
namespace {

constexpr std::u16string_view kHeader =
    u"Kestrum  Machine convert file Q.Veltrane,,\r\n"
    u"項　目,変換前,変換後\r\n";

constexpr bool IsLineEnd(char16_t c) { return c == u'\r' || c == u'\n'; }

// Cuts the text into records of three fields.
class RecordReader {
 public:
  enum class Status { kRecord, kEnd, kBroken };

  explicit RecordReader(std::u16string_view text) : text_(text) {}

  Status Next(std::array<TableField, 3>& record) {
    std::vector<TableField> fields;
    while (fields.size() < 3) {
      SkipBlankLines();
      if (pos_ == text_.size()) return fields.empty() ? Status::kEnd : Status::kBroken;
      for (;;) {
        TableField field;
        if (!ReadField(field)) return Status::kBroken;
        fields.push_back(std::move(field));
        if (pos_ < text_.size() && text_[pos_] == u',') {
          ++pos_;
          continue;
        }
        break;
      }
      SkipLineEnd();
    }
    // "a","b","c","d" would shift every later row by one field: such a file is broken.
    if (fields.size() > 3) return Status::kBroken;
    for (std::size_t i = 0; i < 3; ++i) record[i] = std::move(fields[i]);
    return Status::kRecord;
  }

 private:
  void SkipBlanks() {
    while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
  }

  // Lines holding nothing but blanks give no fields.
  void SkipBlankLines() {
    for (;;) {
      const std::size_t start = pos_;
      SkipBlanks();
      if (pos_ < text_.size() && IsLineEnd(text_[pos_])) {
        SkipLineEnd();
        continue;
      }
      if (pos_ == text_.size()) return;
      pos_ = start;
      return;
    }
  }

  // CR LF, LF or a lone CR.
  void SkipLineEnd() {
    if (pos_ < text_.size() && text_[pos_] == u'\r') ++pos_;
    if (pos_ < text_.size() && text_[pos_] == u'\n') ++pos_;
  }

  // Leaves pos_ on the comma or line end after the field (or at the end of the text).
  bool ReadField(TableField& field) {
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == u'"') {
      field.kind = TableField::Kind::kText;
      for (++pos_;; ++pos_) {
        if (pos_ == text_.size() || IsLineEnd(text_[pos_])) return false;  // quote left open
        if (text_[pos_] == u'"') {
          if (pos_ + 1 < text_.size() && text_[pos_ + 1] == u'"') {
            field.text.push_back(u'"');
            ++pos_;
            continue;
          }
          ++pos_;
          break;
        }
        field.text.push_back(text_[pos_]);
      }
      SkipBlanks();
      return pos_ == text_.size() || text_[pos_] == u',' || IsLineEnd(text_[pos_]);
    }
    const std::size_t start = pos_;
    while (pos_ < text_.size() && text_[pos_] != u',' && !IsLineEnd(text_[pos_])) ++pos_;
    field.text.assign(text_.substr(start, pos_ - start));
    if (field.text.empty()) {
      field.kind = TableField::Kind::kNeverSet;
    } else {
      field.kind = IsPlainNumber(field.text) ? TableField::Kind::kNumber : TableField::Kind::kText;
    }
    return true;
  }

  std::u16string_view text_;
  std::size_t pos_ = 0;
};

void AppendField(std::u16string& out, const TableField& field) {
  switch (field.kind) {
    case TableField::Kind::kNeverSet:
      return;
    case TableField::Kind::kNumber:
      if (IsPlainNumber(field.text)) {
        out += field.text;
        return;
      }
      break;
    case TableField::Kind::kText:
      break;
  }
  out += u'"';
  for (const char16_t c : field.text) {
    if (c == u'"') out += u'"';  // written "" so that the field reads back whole
    out += c;
  }
  out += u'"';
}

bool HoldsLineBreak(const TableField& field) {
  return field.text.find_first_of(u"\r\n") != std::u16string::npos;
}

}  // namespace

bool ReadConversionTable(std::string_view bytes, ConversionTable& table) {
  const std::u16string text = DecodeText(bytes).text;
  RecordReader reader(text);
  std::array<TableField, 3> record;
  for (int header = 0; header < 2; ++header) {
    if (reader.Next(record) != RecordReader::Status::kRecord) return false;
  }
  for (int row = 1; row <= kLastRow; ++row) {
    switch (reader.Next(record)) {
      case RecordReader::Status::kEnd:
        return true;
      case RecordReader::Status::kBroken:
        return false;
      case RecordReader::Status::kRecord:
        break;
    }
    TableRow& r = table.rows[row];
    r.item = std::move(record[0]);
    r.before = std::move(record[1]);
    r.after.kind = TableField::Kind::kText;
    r.after.text = std::move(record[2].text);
  }
  return true;
}

std::optional<std::string> WriteConversionTable(const ConversionTable& table, int* bad_row) {
  std::u16string text(kHeader);
  std::vector<std::size_t> row_starts;
  for (int row = 1; row <= kLastRow; ++row) {
    const TableRow& r = table.rows[row];
    if (HoldsLineBreak(r.item) || HoldsLineBreak(r.before) || HoldsLineBreak(r.after)) {
      if (bad_row) *bad_row = row;
      return std::nullopt;
    }
    row_starts.push_back(text.size());
    AppendField(text, r.item);
    text += u',';
    AppendField(text, r.before);
    text += u',';
    AppendField(text, TableField{TableField::Kind::kText, r.after.text});
    text += u"\r\n";
  }
  std::size_t bad = 0;
  std::optional<std::string> bytes = EncodeText(text, Encoding::kShiftJis, &bad);
  if (!bytes && bad_row) {
    int row = 0;
    while (row < kLastRow && row_starts[row] <= bad) ++row;
    *bad_row = row;
  }
  return bytes;
}

}  // namespace kestrum
