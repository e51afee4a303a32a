#include "shell/document.h"

#include <cstdio>

namespace kestrum {
namespace {

std::u16string Hex(char32_t c) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(c));
  return FromUtf8(buffer);
}

// "12 行目の文字 "😀" (U+1F600)" for the character at index in text.
std::u16string DescribeCharacter(std::u16string_view text, std::size_t index) {
  std::size_t line = 1;
  for (std::size_t i = 0; i < index; ++i) {
    if (text[i] == u'\n' || (text[i] == u'\r' && (i + 1 >= text.size() || text[i + 1] != u'\n'))) {
      ++line;
    }
  }
  char32_t c = text[index];
  std::u16string shown(1, text[index]);
  if (c >= 0xD800 && c <= 0xDBFF && index + 1 < text.size() && text[index + 1] >= 0xDC00 &&
      text[index + 1] <= 0xDFFF) {
    c = 0x10000 + ((c - 0xD800) << 10) + (text[index + 1] - 0xDC00);
    shown += text[index + 1];
  } else if (c >= 0xD800 && c <= 0xDFFF) {
    shown = u"?";  // a lone surrogate cannot be shown
  }
  return FromUtf8(std::to_string(line)) + u" 行目の文字 \"" + shown + u"\" (" + Hex(c) + u")";
}

std::u16string EncodingName(Encoding encoding) {
  return encoding == Encoding::kShiftJis ? u"Shift-JIS" : u"UTF-8";
}

}  // namespace

LoadedProgram LoadProgram(const std::string& path) {
  LoadedProgram result;
  std::string reason;
  const std::optional<std::string> bytes = ReadFileBytes(path, &reason);
  if (!bytes) {
    result.reason = FromUtf8(reason);
    return result;
  }
  result.text = DecodeText(*bytes);
  result.ok = true;
  return result;
}

std::u16string SaveProgram(const std::string& path, std::u16string_view text, Encoding encoding) {
  std::size_t bad = 0;
  const std::optional<std::string> bytes = EncodeText(text, encoding, &bad);
  if (!bytes) {
    return DescribeCharacter(text, bad) + u" は " + EncodingName(encoding) +
           u" のファイルに書き込めません。";
  }
  std::string reason;
  if (!WriteFileAtomically(path, *bytes, &reason)) return FromUtf8(reason);
  return u"";
}

std::u16string StartupPath(std::u16string_view arguments) {
  const std::size_t open = arguments.find(u'"');
  if (open == std::u16string_view::npos) return std::u16string(arguments);
  const std::u16string_view rest = arguments.substr(open + 1);
  return std::u16string(rest.substr(0, rest.find(u'"')));
}

}  // namespace kestrum
