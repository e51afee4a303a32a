// The text panes hold UTF-8 bytes; the program works on UTF-16 text. This is the conversion
// between the two, exact both ways.
//
// A byte that did not decode when a file was read is the lone surrogate U+DC00 + b in the
// text (U+DC80..U+DCFF); in the pane it is the byte b itself, which the editor shows as a
// marked blob. The editor reads UTF-8 as Scintilla does: a byte that is not part of a valid
// character is one character of its own, so positions count the same on both sides.
//
// Raw bytes next to each other can spell a valid character: the Shift-JIS bytes EB 80 80,
// none of which is a character there, would read back as U+B000. The first byte of such a
// run is stored as kPlaceholder instead, a byte that is never part of a character, and the
// byte it stands for is kept beside the text (its position in the pane and the byte).
// Everything else needs no table. A lone surrogate that stands for no byte cannot be held
// and becomes U+FFFD.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kestrum {

// Never a lead or trail byte of UTF-8, so it always stands alone.
inline constexpr unsigned char kPlaceholder = 0xC1;

struct Placeholder {
  std::size_t pos;     // byte position in the pane
  unsigned char byte;  // the byte it stands for
  bool operator==(const Placeholder&) const = default;
};

// Bytes of the character that starts at p, as Scintilla counts them: 2 to 4 for a valid
// multibyte character (and for the non-characters U+FFFE, U+FFFF ... it draws as one), else 1.
int PaneCharWidth(const unsigned char* p, std::size_t available);

// UTF-16 code units of that character: 2 for four bytes, else 1.
inline int PaneCharUnits(int width) { return width == 4 ? 2 : 1; }

// Appends the pane bytes of text to out. `after` is what will follow the text in the pane
// (the next few code units are enough): a raw byte at the end of text may pair up with it.
// Placeholders are appended to placeholders at their pane positions: out's first byte
// stands at pane position base. Returns whether all that was appended is ASCII.
bool EncodeForPane(std::u16string_view text, std::u16string_view after, std::size_t base,
                   std::string& out, std::vector<Placeholder>& placeholders);

// Appends the text of bytes, which stand at pane position base; placeholders is the sorted
// table of the pane (entries outside the bytes are skipped).
void DecodeFromPane(std::string_view bytes, std::size_t base,
                    const std::vector<Placeholder>& placeholders, std::u16string& out);

// UTF-16 code units of bytes, as DecodeFromPane would give them.
std::size_t PaneUnits(std::string_view bytes);

}  // namespace kestrum
