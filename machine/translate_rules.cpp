// The rules of the translation that differ by direction: G codes, dwells, offset data, macro
// calls, the return level, tool length words and the M codes through the table.
#include <cmath>
#include <optional>

#include "machine/translator.h"
#include "ncword/numeric.h"

namespace kestrum {
namespace {

constexpr NumberMask kFourDigits("000#");         // O0012
constexpr NumberMask kInteger("#####");           // 0 is ""
constexpr NumberMask kThreeDecimals("###0.000");  // 5.000

// The canned cycles both dialects know by the same numbers (OSP has no G73, G88 or G89).
constexpr bool IsCannedCycle(int n) { return n == 73 || n == 76 || (n >= 80 && n <= 89); }
constexpr bool IsOspCycle(int n) { return IsCannedCycle(n) && n != 73 && n != 88 && n != 89; }

// A G number that is a whole number (G5.1 is not G05).
std::optional<int> WholeG(double g) {
  if (g != std::floor(g) || std::fabs(g) > 1000) return std::nullopt;
  return static_cast<int>(g);
}

}  // namespace

// True when GRule translates g in this direction. A G number without a counterpart, or one
// whose words the rule cannot carry over, keeps its line as written.
bool Translator::KnownG(double g) const {
  const LineWords& w = words_;
  const int n = WholeG(g).value_or(-1);
  if (IsCannedCycle(n)) return !to_osp_ || IsOspCycle(n);
  switch (n) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4:
    case 27:
    case 28:
    case 29:
    case 30:
    case 43:
    case 49:
    case 52:
    case 60:
    case 99:
      return true;
    case 10:
      // G10 L2: the work offsets; other L numbers set tool offsets, which have no word in OSP.
      return to_osp_ && w.Value(u'L') == 2;
    case 65:
    case 66:
    case 67:
      return to_osp_;
    case 15: {
      // G15 H0 to H6 are FANUC's G53 to G59.
      const std::optional<int> h = WholeG(w.Value(u'H'));
      return !to_osp_ && h && *h >= 0 && *h <= 6;
    }
    case 98:
      return !to_osp_;
    default:
      return false;
  }
}

// The G number outside the special groups, by direction.
void Translator::GRule(double g) {
  LineWords& w = words_;
  const int n = WholeG(g).value_or(-1);
  if (IsCannedCycle(n)) {
    // In FANUC an A word on a cycle line would be read as an axis move.
    Word(u'G', g, kInteger);
    if (!to_osp_) w.has[LetterIndex(u'A')] = false;
    return;
  }
  switch (n) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 60:
      GWord(g);
      break;
    case 4:
      if (to_osp_) {
        DwellToOsp();
      } else {
        DwellToFanuc();
      }
      break;
    case 10:
      if (to_osp_) OffsetSettingToOsp();
      break;
    case 15:
      if (!to_osp_) WorkSystemToFanuc();
      break;
    case 27:
    case 28:
    case 29:
    case 30:
      if (!w.Has(u'H')) {
        out_ += u' ';
        out_ += reference_return_;
      }
      if (!to_osp_) ForgetPosition();
      break;
    case 43:
      out_ += u"G56 ";
      break;
    case 49:
      out_ += u"G53 ";
      break;
    case 52:
      out_ += w.Value(u'X') == 0 && w.Value(u'Y') == 0 ? u"G10" : u"G11";
      if (!to_osp_) ForgetPosition();
      break;
    case 65:
    case 66:
    case 67:
      if (to_osp_) MacroCallToOsp(n);
      break;
    case 98:
      if (!to_osp_) ReturnLevelToFanuc();
      break;
    case 99:
      out_ += u" M54";
      break;
    default:
      break;
  }
}

// After G04, X and U are the dwell time (seconds), P is in milliseconds; OSP writes the time
// after F, and P in units of 10 ms. Neither X nor U is a position here.
void Translator::DwellToOsp() {
  LineWords& w = words_;
  const double p = ReadNumber(w.p);
  out_ += u"G04 ";
  if (w.Has(u'X') && w.Value(u'X') > 0) {
    CoordWord(u'F', w.Value(u'X'));
  } else if (w.Has(u'U') && w.Value(u'U') > 0) {
    CoordWord(u'F', w.Value(u'U'));
  } else if (p > 0) {
    CoordWord(u'P', p / 100);
  } else {
    CoordWord(u'F', 0.01);
  }
  w.has[LetterIndex(u'X')] = w.has[LetterIndex(u'U')] = false;
  w.p = u"0";
}

// OSP dwells with F (seconds) or P; FANUC with X (seconds).
void Translator::DwellToFanuc() {
  LineWords& w = words_;
  if (w.Value(u'F') > 0) {
    out_ += u"G04 ";
    CoordWord(u'X', w.Value(u'F'));
    w.Value(u'F') = 0;
  } else if (ReadNumber(w.p) > 0) {
    out_ += u"G04 X";
    out_ += FormatCoordText(w.p, m_.OutDialect);
    out_ += u' ';
    w.p = u"0";
  }
}

// G10 L2 P1 X-100. -> VZOFX[1]=-100.000: the words are offset data, never a move.
void Translator::OffsetSettingToOsp() {
  LineWords& w = words_;
  for (const char16_t axis : std::u16string_view(u"XYZB")) {
    if (!w.Has(axis)) continue;
    out_ += u"VZOF";
    out_ += axis;
    out_ += u'[';
    const std::u16string number = FormatMaskText(w.p, kInteger);
    out_ += number.empty() ? u"0" : number;
    out_ += u"]=";
    AppendMask(out_, w.Value(axis), kThreeDecimals);
    out_ += u' ';
  }
  w.p = u"0";  // the offset number, never a dwell or a cycle's P
  for (const char16_t letter : std::u16string_view(u"XYZBUW")) w.has[LetterIndex(letter)] = false;
}

// G15 H1 to H6 select the work coordinate systems G54 to G59 (H0: machine, G53).
void Translator::WorkSystemToFanuc() {
  static constexpr std::u16string_view kWork[] = {u"G53 ", u"G54 ", u"G55 ", u"G56 ",
                                                  u"G57 ", u"G58 ", u"G59 "};
  out_ += kWork[*WholeG(words_.Value(u'H'))];  // KnownG let only H0 to H6 through
  words_.Value(u'H') = 0;
}

// G65 P9010 -> CALL O9010, G66 P9010 L3 -> MODIN O9010 Q3, G67 -> MODOUT.
void Translator::MacroCallToOsp(int g) {
  if (g == 67) {
    out_ += u"MODOUT";
    return;
  }
  CallWord(g == 65 ? u"CALL O" : u"MODIN O");
  if (g == 66 && words_.Value(u'L') > 0) WholeWord(u'Q', words_.Value(u'L'), kInteger);
}

void Translator::ReturnLevelToFanuc() {
  LineWords& w = words_;
  out_ += u" G71";
  if (w.Value(u'Z') != kUnknownPosition) {
    out_ += u" Z";
    AppendMask(out_, w.Value(u'Z'), kThreeDecimals);
    w.has[LetterIndex(u'Z')] = false;  // written here; a second Z word would repeat it
  }
  ForgetPosition();
}

// "CALL O" / "MODIN O" + P with "000#" + blank; the P is used up.
void Translator::CallWord(std::u16string_view call) {
  out_ += call;
  out_ += FormatMaskText(words_.p, kFourDigits);
  out_ += u' ';
  words_.p = u"0";
}

// Tool length G and H, T, the M codes, and the subprogram words.
void Translator::TailWords() {
  LineWords& w = words_;
  if (!to_osp_) {
    // OSP G53 cancels the tool length offset, G54 to G56 apply it.
    if (w.work_g == 53) out_ += u"G49 ";
    if (w.work_g == 54 || w.work_g == 56) out_ += u"G43 ";
    if (w.work_g == 55) out_ += u"G44 ";
  }
  if (w.Value(u'H') > 0) WholeWord(u'H', w.Value(u'H'), kInteger);
  const double t = w.Value(u'T');
  if (to_osp_ && t > 0) WholeWord(u'T', t, kInteger);
  for (const LineWords::MWord& m : w.m_list) MCode(m);
  if (!to_osp_) {
    if (t > 0) WholeWord(u'T', t, kInteger);
    if (ReadNumber(w.o) > 0) {
      out_ += u'P';
      out_ += FormatMaskText(w.o, kFourDigits);
      out_ += u' ';
      if (w.Has(u'Q')) WholeWord(u'L', w.Value(u'Q'), kInteger);
    }
  }
}

// The M code through the table. One the table does not know stays as written (M10 clamps on
// one machine and does something else on the next; the operator decides).
void Translator::MCode(const LineWords::MWord& m) {
  const MCodeRow* row = nullptr;
  for (const MCodeRow& r : m_codes_) {
    if (r.number == m.number) {
      row = &r;
      break;
    }
  }
  if (!row) {
    kept_.Add(line_number_);
    out_ += u'M';
    out_.append(line_, m.from, m.to - m.from);
    out_ += u' ';
    return;
  }
  out_ += row->after;
  out_ += u' ';
  if (row->after == u"CALL") {
    // M98 P1234 L2 -> CALL O1234 Q2
    CallWord(u"O");
    if (words_.Value(u'L') > 0) {
      WholeWord(u'Q', words_.Value(u'L'), kInteger);
      out_.pop_back();  // no blank after it
    }
  } else if (break_after_return_ &&
             (row->after == u"M02" || row->after == u"RTS" || row->after == u"M00" ||
              row->after == u"M01" || row->after == u"M99")) {
    out_ += u"\r\n";
  }
}

}  // namespace kestrum
