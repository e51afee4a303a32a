#include "io/textcodec.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "io/ascii_run.h"

namespace kestrum {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;  // U+DC00 + b stands for the undecodable byte b

bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool IsTrailByte(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }
bool IsHalfWidthKatakana(unsigned char b) { return b >= 0xA1 && b <= 0xDF; }

// The double-byte part of code page 932, taken once from the system's iconv and kept only
// where decoding and encoding agree, so that every decoded character writes back the bytes
// it came from.
class Cp932Table {
 public:
  static const Cp932Table& Get() {
    static const Cp932Table table;
    return table;
  }
  // 0 when the pair does not decode (or does not survive the round trip).
  char16_t Decode(unsigned char lead, unsigned char trail) const {
    return decode_[Index(lead, trail)];
  }
  // The two bytes (lead << 8 | trail), or 0 when the character has none.
  unsigned Encode(char16_t c) const {
    const auto it = encode_.find(c);
    return it == encode_.end() ? 0 : it->second;
  }

 private:
  static std::size_t Index(unsigned char lead, unsigned char trail) {
    return static_cast<std::size_t>(lead) << 8 | trail;
  }

  // A conversion descriptor, closed however the constructor leaves.
  struct Iconv {
    Iconv(const char* to, const char* from) : cd(iconv_open(to, from)) {}
    ~Iconv() {
      if (ok()) iconv_close(cd);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool ok() const { return cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t cd;
  };

  Cp932Table() : decode_(0x10000, 0) {
    const Iconv to_utf16("UTF-16LE", "CP932");
    const Iconv from_utf16("CP932", "UTF-16LE");
    // Without code page 932 here every non-ASCII byte stays an escape.
    if (!to_utf16.ok() || !from_utf16.ok()) return;
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
      if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
      for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
        if (!IsTrailByte(static_cast<unsigned char>(trail))) continue;
        char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        char out[8];
        if (Convert(to_utf16.cd, in, 2, out, sizeof out) != 2) continue;
        const char16_t c = static_cast<char16_t>(static_cast<unsigned char>(out[0]) |
                                                 static_cast<unsigned char>(out[1]) << 8);
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        char back[8];
        if (Convert(from_utf16.cd, out, 2, back, sizeof back) != 2) continue;
        if (static_cast<unsigned char>(back[0]) != lead ||
            static_cast<unsigned char>(back[1]) != trail) {
          continue;  // a duplicate (NEC and IBM extensions): keep the bytes as escapes
        }
        decode_[Index(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail))] = c;
        encode_.emplace(c, lead << 8 | trail);
      }
    }
  }

  // Bytes written, or -1.
  static long Convert(iconv_t cd, char* in, std::size_t in_size, char* out, std::size_t out_size) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* out_start = out;
    std::size_t in_left = in_size;
    std::size_t out_left = out_size;
    if (iconv(cd, &in, &in_left, &out, &out_left) == static_cast<std::size_t>(-1)) return -1;
    if (in_left != 0) return -1;
    return out - out_start;
  }

  std::vector<char16_t> decode_;
  std::unordered_map<char16_t, unsigned> encode_;
};

// Decodes strictly valid UTF-8 (no overlong forms, no surrogates, at most U+10FFFF) and
// appends it to out; false at the first invalid byte, with out as it was.
bool AppendUtf8Strict(std::string_view bytes, std::u16string& out);

constexpr std::size_t kInvalid = static_cast<std::size_t>(-1);

// Strictly valid UTF-8 decoded into o, which holds at least bytes.size() characters: how many
// were written, or kInvalid at the first invalid byte.
std::size_t DecodeUtf8To(std::string_view bytes, char16_t* const begin) {
  char16_t* o = begin;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = p + bytes.size();
  while (p < end) {
    const std::size_t ascii = WidenAscii(p, static_cast<std::size_t>(end - p), o);
    p += ascii;
    o += ascii;
    if (p == end) break;
    const unsigned b0 = *p;
    if (b0 < 0x80) {
      *o++ = static_cast<char16_t>(b0);
      ++p;
      continue;
    }
    int extra;
    char32_t cp;
    char32_t min;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
      extra = 1, cp = b0 & 0x1F, min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      extra = 2, cp = b0 & 0x0F, min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      extra = 3, cp = b0 & 0x07, min = 0x10000;
    } else {
      return kInvalid;
    }
    bool valid = end - p > extra;
    for (int i = 1; valid && i <= extra; ++i) {
      valid = (p[i] & 0xC0) == 0x80;
      cp = cp << 6 | (p[i] & 0x3F);
    }
    if (!valid || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return kInvalid;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      *o++ = static_cast<char16_t>(0xD800 + (cp >> 10));
      *o++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      *o++ = static_cast<char16_t>(cp);
    }
    p += extra + 1;
  }
  return static_cast<std::size_t>(o - begin);
}

bool AppendUtf8Strict(std::string_view bytes, std::u16string& out) {
  // Never more characters than bytes: written through a pointer into room of that size.
  const std::size_t start = out.size();
  out.resize(start + bytes.size());
  const std::size_t n = DecodeUtf8To(bytes, out.data() + start);
  out.resize(n == kInvalid ? start : start + n);
  return n != kInvalid;
}

// Code page 932 decoded into o, which holds at least bytes.size() characters: how many were
// written.
std::size_t DecodeCp932To(std::string_view bytes, char16_t* const begin) {
  char16_t* o = begin;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  const Cp932Table* table = nullptr;
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t ascii = WidenAscii(p + i, n - i, o);
    i += ascii;
    o += ascii;
    if (i == n) break;
    const unsigned char b = p[i];
    if (b < 0x80) {
      *o++ = b;
    } else if (IsHalfWidthKatakana(b)) {
      *o++ = static_cast<char16_t>(0xFF61 + (b - 0xA1));
    } else {
      char16_t c = 0;
      if (IsLeadByte(b) && i + 1 < n) {
        if (!table) table = &Cp932Table::Get();
        c = table->Decode(b, p[i + 1]);
      }
      if (c != 0) {
        *o++ = c;
        ++i;
      } else {
        *o++ = static_cast<char16_t>(kEscapeBase + b);
      }
    }
  }
  return static_cast<std::size_t>(o - begin);
}

void AppendCp932(std::string_view bytes, std::u16string& out) {
  // Written through a pointer: a push_back per byte costs more than the decoding itself.
  const std::size_t start = out.size();
  out.resize(start + bytes.size());
  out.resize(start + DecodeCp932To(bytes, out.data() + start));
}

bool IsEscape(char16_t c) { return c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF; }

bool IsSingleByteCp932(char16_t c) {
  return c < 0x80 || (c >= 0xFF61 && c <= 0xFF9F) || IsEscape(c);
}

// Code page 932 of text written into o, which holds at least 2 * text.size() bytes: how many
// were written, or kInvalid with the index of the character that has no bytes.
std::size_t EncodeCp932To(std::u16string_view text, char* const begin, std::size_t* bad_index) {
  char* o = begin;
  const Cp932Table* table = nullptr;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::size_t ascii = NarrowAscii(text.data() + i, text.size() - i, o);
    i += ascii;
    o += ascii;
    if (i == text.size()) break;
    const char16_t c = text[i];
    if (c < 0x80) {
      *o++ = static_cast<char>(c);
    } else if (c >= 0xFF61 && c <= 0xFF9F) {
      *o++ = static_cast<char>(0xA1 + (c - 0xFF61));
    } else if (IsEscape(c)) {
      // A lone lead byte followed by a byte that completes it would read back as one
      // character: such a text has no bytes of its own (an edit took away what stood between
      // the two).
      const auto b = static_cast<unsigned char>(c - kEscapeBase);
      if (IsLeadByte(b) && i + 1 < text.size()) {
        if (!table) table = &Cp932Table::Get();
        const char16_t next = text[i + 1];
        unsigned first = next;  // the first byte of the next character
        if (next >= 0xFF61 && next <= 0xFF9F) {
          first = 0xA1 + (next - 0xFF61);
        } else if (IsEscape(next)) {
          first = next - kEscapeBase;
        } else if (next >= 0x80) {
          first = table->Encode(next) >> 8;
        }
        if (first <= 0xFF && table->Decode(b, static_cast<unsigned char>(first)) != 0) {
          if (bad_index) *bad_index = i;
          return kInvalid;
        }
      }
      *o++ = static_cast<char>(b);
    } else {
      if (!table) table = &Cp932Table::Get();
      const unsigned code = table->Encode(c);
      if (code == 0) {
        if (bad_index) *bad_index = i;
        return kInvalid;
      }
      *o++ = static_cast<char>(code >> 8);
      *o++ = static_cast<char>(code & 0xFF);
    }
  }
  return static_cast<std::size_t>(o - begin);
}

bool AppendEncodedCp932(std::u16string_view text, std::string& out, std::size_t* bad_index) {
  // Sized first (one byte per character, two for the double-byte ones): a file of any size
  // takes no more room than its bytes.
  std::size_t size = text.size();
  for (std::size_t i = NarrowAscii(text.data(), text.size(), nullptr); i < text.size();) {
    size += !IsSingleByteCp932(text[i++]);
    i += NarrowAscii(text.data() + i, text.size() - i, nullptr);
  }
  const std::size_t start = out.size();
  out.resize(start + size);
  const std::size_t n = EncodeCp932To(text, out.data() + start, bad_index);
  out.resize(n == kInvalid ? start : start + n);
  return n != kInvalid;
}

// The UTF-8 bytes of one code point at o; returns the byte after them.
char* PutUtf8(char* o, char32_t cp) {
  if (cp < 0x80) {
    *o++ = static_cast<char>(cp);
  } else if (cp < 0x800) {
    *o++ = static_cast<char>(0xC0 | cp >> 6);
    *o++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    *o++ = static_cast<char>(0xE0 | cp >> 12);
    *o++ = static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    *o++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    *o++ = static_cast<char>(0xF0 | cp >> 18);
    *o++ = static_cast<char>(0x80 | (cp >> 12 & 0x3F));
    *o++ = static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    *o++ = static_cast<char>(0x80 | (cp & 0x3F));
  }
  return o;
}

// UTF-8 of text written into o, which holds at least 3 * text.size() bytes. Escapes become
// their bytes when keep_escapes is set; other lone surrogates fail (kInvalid, the index in
// *bad_index), or become U+FFFD when lenient.
std::size_t EncodeUtf8To(std::u16string_view text, bool keep_escapes, bool lenient,
                         char* const begin, std::size_t* bad_index) {
  char* o = begin;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::size_t ascii = NarrowAscii(text.data() + i, text.size() - i, o);
    i += ascii;
    o += ascii;
    if (i == text.size()) break;
    const char16_t c = text[i];
    if (c < 0x80) {
      *o++ = static_cast<char>(c);
    } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
               text[i + 1] <= 0xDFFF) {
      o = PutUtf8(o, 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      if (keep_escapes && IsEscape(c)) {
        *o++ = static_cast<char>(c - kEscapeBase);
      } else if (!lenient) {
        if (bad_index) *bad_index = i;
        return kInvalid;
      } else {
        o = PutUtf8(o, 0xFFFD);
      }
    } else {
      o = PutUtf8(o, c);
    }
  }
  return static_cast<std::size_t>(o - begin);
}

// UTF-8 of text appended to out.
bool AppendEncodedUtf8(std::u16string_view text, bool keep_escapes, bool lenient, std::string& out,
                       std::size_t* bad_index) {
  const std::size_t start = out.size();
  out.resize(start + 3 * text.size());
  const std::size_t n = EncodeUtf8To(text, keep_escapes, lenient, out.data() + start, bad_index);
  out.resize(n == kInvalid ? start : start + n);
  return n != kInvalid;
}

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// Strictly valid UTF-8, checked a megabyte at a time so that a large file never needs a
// decoded copy for the check.
bool IsValidUtf8(std::string_view bytes) {
  constexpr std::size_t kPiece = std::size_t{1} << 20;
  std::u16string probe;
  while (!bytes.empty()) {
    std::size_t cut = std::min(bytes.size(), kPiece);
    while (cut < bytes.size() && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80) ++cut;
    probe.clear();
    if (!AppendUtf8Strict(bytes.substr(0, cut), probe)) return false;
    bytes.remove_prefix(cut);
  }
  return true;
}

}  // namespace

Encoding DetectEncoding(std::string_view bytes) {
  if (bytes.starts_with(kBom) && IsValidUtf8(bytes.substr(kBom.size()))) return Encoding::kUtf8Bom;
  // Eight bytes at a time: on an ASCII program this scan runs over every byte.
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t i = 0;
  while (i + 8 <= bytes.size() && IsAsciiBlock(data + i)) i += 8;
  while (i < bytes.size() && data[i] < 0x80) ++i;
  // ASCII alone is code page 932; valid UTF-8 after the first non-ASCII byte is UTF-8.
  if (i == bytes.size() || !IsValidUtf8(bytes.substr(i))) return Encoding::kShiftJis;
  return Encoding::kUtf8;
}

std::string_view EncodingMark(Encoding encoding) {
  return encoding == Encoding::kUtf8Bom ? kBom : std::string_view();
}

std::size_t DecodeTo(std::string_view bytes, Encoding encoding, char16_t* out) {
  if (encoding != Encoding::kShiftJis) {
    const std::size_t n = DecodeUtf8To(bytes, out);
    if (n != kInvalid) return n;
  }
  return DecodeCp932To(bytes, out);
}

std::size_t EncodeTo(std::u16string_view text, Encoding encoding, char* out,
                     std::size_t* bad_index) {
  const std::size_t n = encoding == Encoding::kShiftJis
                            ? EncodeCp932To(text, out, bad_index)
                            : EncodeUtf8To(text, true, false, out, bad_index);
  return n == kInvalid ? std::string::npos : n;
}

void AppendDecoded(std::string_view bytes, Encoding encoding, std::u16string& out) {
  if (encoding == Encoding::kShiftJis || !AppendUtf8Strict(bytes, out)) AppendCp932(bytes, out);
}

bool AppendEncoded(std::u16string_view text, Encoding encoding, std::string& out,
                   std::size_t* bad_index) {
  if (encoding == Encoding::kShiftJis) return AppendEncodedCp932(text, out, bad_index);
  return AppendEncodedUtf8(text, true, false, out, bad_index);
}

DecodedText DecodeText(std::string_view bytes) {
  DecodedText result;
  result.encoding = DetectEncoding(bytes);
  AppendDecoded(bytes.substr(EncodingMark(result.encoding).size()), result.encoding, result.text);
  return result;
}

std::optional<std::string> EncodeText(std::u16string_view text, Encoding encoding,
                                      std::size_t* bad_index) {
  std::string out(EncodingMark(encoding));
  if (!AppendEncoded(text, encoding, out, bad_index)) return std::nullopt;
  return out;
}

std::u16string FromUtf8(std::string_view utf8) {
  std::u16string out;
  if (AppendUtf8Strict(utf8, out)) return out;
  // Decode what is valid and put U+FFFD for each invalid byte.
  out.clear();
  std::size_t i = 0;
  while (i < utf8.size()) {
    std::size_t len = 1;
    const unsigned char b = utf8[i];
    if (b >= 0xC2 && b <= 0xDF)
      len = 2;
    else if (b >= 0xE0 && b <= 0xEF)
      len = 3;
    else if (b >= 0xF0 && b <= 0xF4)
      len = 4;
    std::u16string piece;
    if (i + len <= utf8.size() && AppendUtf8Strict(utf8.substr(i, len), piece)) {
      out += piece;
      i += len;
    } else {
      out.push_back(0xFFFD);
      ++i;
    }
  }
  return out;
}

std::string ToUtf8(std::u16string_view text) {
  std::string out;
  AppendEncodedUtf8(text, false, true, out, nullptr);
  return out;
}

}  // namespace kestrum
