#include "shell/pane_codec.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "io/ascii_run.h"

namespace kestrum {
namespace {

constexpr char16_t kEscapeFirst = 0xDC80;  // U+DC00 + b stands for the byte b (0x80..0xFF)
constexpr char16_t kEscapeLast = 0xDCFF;

bool IsTrail(unsigned char b) { return b >= 0x80 && b <= 0xBF; }
bool IsEscape(char16_t c) { return c >= kEscapeFirst && c <= kEscapeLast; }

// Writes the UTF-8 of cp (U+0080 and up) to o; returns its length.
std::size_t AppendUtf8(char* o, char32_t cp) {
  if (cp < 0x800) {
    o[0] = static_cast<char>(0xC0 | cp >> 6);
    o[1] = static_cast<char>(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    o[0] = static_cast<char>(0xE0 | cp >> 12);
    o[1] = static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    o[2] = static_cast<char>(0x80 | (cp & 0x3F));
    return 3;
  }
  o[0] = static_cast<char>(0xF0 | cp >> 18);
  o[1] = static_cast<char>(0x80 | (cp >> 12 & 0x3F));
  o[2] = static_cast<char>(0x80 | (cp >> 6 & 0x3F));
  o[3] = static_cast<char>(0x80 | (cp & 0x3F));
  return 4;
}

// Whether the raw byte of the escape at text[i] would read as the start of a character
// together with the raw bytes of the escapes after it.
bool PairsUp(std::u16string_view text, std::size_t i, std::u16string_view after) {
  const auto lead = static_cast<unsigned char>(text[i] - 0xDC00);
  if (lead < 0xC2 || lead > 0xF4) return false;
  unsigned char bytes[4] = {lead, 0, 0, 0};
  std::size_t n = 1;
  for (std::size_t k = i + 1; n < 4; ++k, ++n) {
    const std::size_t j = k - text.size();
    const char16_t c = k < text.size() ? text[k] : j < after.size() ? after[j] : u'\0';
    if (!IsEscape(c) || !IsTrail(static_cast<unsigned char>(c - 0xDC00))) break;
    bytes[n] = static_cast<unsigned char>(c - 0xDC00);
  }
  return PaneCharWidth(bytes, n) > 1;
}

}  // namespace

int PaneCharWidth(const unsigned char* p, std::size_t available) {
  const unsigned char b = p[0];
  if (b < 0x80) return 1;
  const std::size_t need = b >= 0xC2 && b <= 0xDF   ? 2
                           : b >= 0xE0 && b <= 0xEF ? 3
                           : b >= 0xF0 && b <= 0xF4 ? 4
                                                    : 1;
  if (need == 1 || need > available || !IsTrail(p[1])) return 1;
  if (need == 2) return 2;
  if (need == 3) {
    if (!IsTrail(p[2])) return 1;
    if (b == 0xE0 && p[1] < 0xA0) return 1;   // overlong
    if (b == 0xED && p[1] >= 0xA0) return 1;  // a surrogate
    return 3;
  }
  if (!IsTrail(p[2]) || !IsTrail(p[3])) return 1;
  // Scintilla takes the non-characters U+xFFFE and U+xFFFF as one character before it
  // checks the range, so F0 8F BF BF counts as one too.
  if ((p[1] & 0x0F) == 0x0F && p[2] == 0xBF && (p[3] == 0xBE || p[3] == 0xBF)) return 4;
  if (b == 0xF4 && p[1] > 0x8F) return 1;  // beyond U+10FFFF
  if (b == 0xF0 && p[1] < 0x90) return 1;  // overlong
  return 4;
}

bool EncodeForPane(std::u16string_view text, std::u16string_view after, std::size_t base,
                   std::string& out, std::vector<Placeholder>& placeholders) {
  // Written through an index into out, which holds at least a byte for every unit still to
  // come and grows when a character takes more.
  const std::size_t n = text.size();
  std::size_t w = out.size();
  out.resize(w + n);
  bool ascii = true;
  const auto room = [&](std::size_t bytes, std::size_t i) {
    const std::size_t need = w + bytes + (n - i - 1);
    if (need > out.size()) out.resize(std::max(need, out.size() + out.size() / 2));
  };
  for (std::size_t i = 0; i < n;) {
    const std::size_t plain = NarrowAscii(text.data() + i, n - i, out.data() + w);
    i += plain;
    w += plain;
    if (i == n) break;
    const char16_t c = text[i];
    ascii = false;
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      room(4, i + 1);
      w += AppendUtf8(out.data() + w,
                      0x10000 + ((char32_t{c} - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else if (IsEscape(c)) {
      const auto byte = static_cast<unsigned char>(c - 0xDC00);
      if (PairsUp(text, i, after)) {
        placeholders.push_back({base + w, byte});
        out[w++] = static_cast<char>(kPlaceholder);
      } else {
        out[w++] = static_cast<char>(byte);
      }
    } else {
      room(3, i);
      // A lone surrogate that stands for no byte becomes U+FFFD.
      w += AppendUtf8(out.data() + w, c >= 0xD800 && c <= 0xDFFF ? 0xFFFD : c);
    }
    ++i;
  }
  out.resize(w);
  return ascii;
}

void DecodeFromPane(std::string_view bytes, std::size_t base,
                    const std::vector<Placeholder>& placeholders, std::u16string& out) {
  auto next = std::lower_bound(placeholders.begin(), placeholders.end(), base,
                               [](const Placeholder& p, std::size_t pos) { return p.pos < pos; });
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  // Never more code units than bytes: written through a pointer, sized down at the end.
  const std::size_t start = out.size();
  out.resize(start + n);
  char16_t* o = out.data() + start;
  for (std::size_t i = 0; i < n;) {
    const std::size_t plain = WidenAscii(p + i, n - i, o);
    i += plain;
    o += plain;
    if (i == n) break;
    const unsigned char b = p[i];
    if (b < 0x80) {
      *o++ = b;
      ++i;
      continue;
    }
    const int width = PaneCharWidth(p + i, n - i);
    if (width == 1) {
      while (next != placeholders.end() && next->pos < base + i) ++next;
      const bool stands_for = next != placeholders.end() && next->pos == base + i;
      *o++ = static_cast<char16_t>(0xDC00 + (stands_for ? next->byte : b));
    } else if (width == 2) {
      *o++ = static_cast<char16_t>((b & 0x1F) << 6 | (p[i + 1] & 0x3F));
    } else if (width == 3) {
      *o++ = static_cast<char16_t>((b & 0x0F) << 12 | (p[i + 1] & 0x3F) << 6 | (p[i + 2] & 0x3F));
    } else {
      const char32_t cp = (char32_t{b} & 0x07) << 18 | (char32_t{p[i + 1]} & 0x3F) << 12 |
                          (char32_t{p[i + 2]} & 0x3F) << 6 | (p[i + 3] & 0x3F);
      if (cp >= 0x10000 && cp <= 0x10FFFF) {
        *o++ = static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
        *o++ = static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
      } else {
        // Out of range, yet counted as two units like the non-characters it resembles. The
        // pane never holds it: raw bytes that would spell it start with a placeholder.
        *o++ = 0xFFFD;
        *o++ = 0xFFFD;
      }
    }
    i += static_cast<std::size_t>(width);
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
}

std::size_t PaneUnits(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t units = 0;
  for (std::size_t i = 0; i < bytes.size();) {
    if (p[i] < 0x80) {
      ++units;
      ++i;
      continue;
    }
    const int width = PaneCharWidth(p + i, bytes.size() - i);
    units += static_cast<std::size_t>(PaneCharUnits(width));
    i += static_cast<std::size_t>(width);
  }
  return units;
}

}  // namespace kestrum
