// File bytes <-> text. Opening and saving a file without edits gives its bytes back.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kestrum {

enum class Encoding {
  kShiftJis,  // code page 932: new documents, conversion tables, and files that are not UTF-8
  kUtf8,
  kUtf8Bom,  // UTF-8 with a byte-order mark, which is kept as part of the encoding
};

struct DecodedText {
  std::u16string text;
  Encoding encoding = Encoding::kShiftJis;
};

// Valid UTF-8 with at least one non-ASCII byte (or a byte-order mark) is read as UTF-8.
// Everything else is read as code page 932; ASCII files count as code page 932 too, since
// their bytes are the same in both and the controllers' tools expect code page 932 for
// whatever is added later. A byte b that does not decode in code page 932 (or whose
// character would not encode back to the same bytes) becomes the lone surrogate U+DC00 + b.
DecodedText DecodeText(std::string_view bytes);

// The encoding DecodeText reads bytes in.
Encoding DetectEncoding(std::string_view bytes);
// The byte-order mark that starts a file of the encoding ("" but for kUtf8Bom).
std::string_view EncodingMark(Encoding encoding);

// Decodes bytes that follow the mark, appended to out. A text may be decoded in pieces cut
// after a line feed: a line feed byte is never part of another character in either encoding.
void AppendDecoded(std::string_view bytes, Encoding encoding, std::u16string& out);
// Encodes text without the mark, appended to out; false, with out as it was and the index in
// text in *bad_index, when a character cannot be written in the encoding.
bool AppendEncoded(std::u16string_view text, Encoding encoding, std::string& out,
                   std::size_t* bad_index = nullptr);

// The same into memory of the caller's, for a text decoded and encoded in pieces: out holds
// at least bytes.size() characters, and DecodeTo returns how many it wrote; for EncodeTo out
// holds at least 3 * text.size() bytes, and it returns how many it wrote, or npos with
// *bad_index set.
std::size_t DecodeTo(std::string_view bytes, Encoding encoding, char16_t* out);
std::size_t EncodeTo(std::u16string_view text, Encoding encoding, char* out,
                     std::size_t* bad_index = nullptr);

// Encodes text; U+DC80..U+DCFF are written as the bytes they stand for. Returns nothing when
// a character cannot be written in the encoding (an emoji in a code page 932 file, a lone
// surrogate that stands for no byte); *bad_index then receives its index in text.
std::optional<std::string> EncodeText(std::u16string_view text, Encoding encoding,
                                      std::size_t* bad_index = nullptr);

// UTF-8 <-> UTF-16 for messages, arguments and tests. Invalid input bytes become U+FFFD;
// lone surrogates become U+FFFD.
std::u16string FromUtf8(std::string_view utf8);
std::string ToUtf8(std::u16string_view text);

}  // namespace kestrum
