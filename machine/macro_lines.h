// Rewrites of whole lines that the translation makes on their text, before or instead of the
// word scan: macro statements, variables, subprogram words and messages. Pure text in, text
// out; comments are never touched.
#pragma once

#include <string>
#include <string_view>

namespace kestrum {

// The line with every comment character, parentheses included, replaced by kCommentMark, so
// that searches for words find only code at the same positions. Returns whether a comment is
// still open at the end of the line (the comment rule of the line walk).
inline constexpr char16_t kCommentMark = u'\x01';
bool CodeView(std::u16string_view line, bool in_comment, std::u16string& code);

// FANUC to OSP. True when the line is a macro line, written without the word scan: a macro
// statement (IF, GOTO, WHILE, END outside comments) or a line that holds a variable. A line
// that starts with the assignment "#n=expr" becomes "VC" + (n - 100) + "=expr" when n is 101
// or more (OSP's common variable VCn is FANUC's #(100 + n)); other variable numbers stay.
bool RewriteFanucMacroLine(std::u16string& line, bool in_comment);

// OSP to FANUC: CALL -> M98, RTS -> M99, messages and screen commands removed, VCn -> #(100+n),
// X=#101 -> " X[#101] ", IF [..] N100 -> IF [..] GOTO 100, GOTO N100 -> GOTO 100. True when
// the line is finished with these rewrites and is written without the word scan.
bool RewriteOspLine(std::u16string& line, bool in_comment);

}  // namespace kestrum
