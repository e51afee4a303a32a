#include "motion/interpreter.h"

#include <cmath>
#include <cstddef>
#include <numbers>

#include "ncword/numeric.h"
#include "ncword/read_word.h"

namespace kestrum {
namespace {

constexpr double kMmPerInch = 25.4;
constexpr double kDegree = std::numbers::pi / 180;

// G and M numbers in tenths, so that G54.1 and G5.1 have numbers of their own: G01 is 10.
constexpr int G(double n) { return static_cast<int>(n * 10 + (n < 0 ? -0.5 : 0.5)); }

// The arc words I, J, K in the order of the axes they belong to.
constexpr int kArcWords = 3;

// How much a word's value may lie from the number written: nothing for a plain number of at
// most 7 significant digits (trailing zeros of the fraction do not count), which
// ReadWordExpr reads exactly; otherwise the value is kept at 7 significant digits, which is
// off by at most half a unit of the 7th digit and the float's rounding before it.
double ReadLoss(std::u16string_view text, const WordExpr& e) {
  if (e.value == 0) return 0;
  if (e.plain) {
    std::size_t end = e.end;
    if (text.substr(e.keep + 1, e.end - e.keep - 1).find(u'.') != std::u16string_view::npos) {
      while (end > e.keep + 1 && text[end - 1] == u'0') --end;
    }
    int digits = 0;
    bool leading = true;
    for (std::size_t i = e.keep + 1; i < end; ++i) {
      const char16_t c = text[i];
      if (!IsDigit(c)) continue;
      if (leading && c == u'0') continue;
      leading = false;
      ++digits;
    }
    if (digits <= 7) return 0;
  }
  return 0.6 * std::pow(10.0, std::floor(std::log10(std::fabs(e.value))) - 6);
}

// True when the word's value is one number written without a point, the one case where
// FANUC's least increments apply. An expression's value is always in mm: X[12] is 12 mm.
bool WithoutPoint(std::u16string_view text, const WordExpr& e) {
  if (!e.plain) return false;
  for (std::size_t i = e.keep + 1; i < e.end; ++i) {
    if (text[i] == u'.') return false;
  }
  return true;
}

// True when blanks and then a value follow s[at]: "X  16.339" as an address and its value.
bool SpacedValue(std::u16string_view s, std::size_t at) {
  if (at >= s.size() || !IsBlank(s[at])) return false;
  while (at < s.size() && IsBlank(s[at])) ++at;
  return at < s.size() && (IsValueChar(s[at]) || s[at] == u'#' || s[at] == u'[');
}

// The angle a in [0, 360).
double Turn(double a) {
  a = std::fmod(a, 360.0);
  if (a < 0) a += 360;
  return a >= 360 ? 0 : a;
}

}  // namespace

// What one block says, as read; values as written, before units and increments.
struct Interpreter::Block {
  struct Word {
    double value;
    double loss;
    bool no_point;
  };
  // X Y Z A B C, then I J K, then R.
  static constexpr int kR = kAxisCount + kArcWords;
  Word words[kR + 1];
  std::uint16_t present = 0;  // bit per word: written with a value, known or not
  std::uint16_t unknown = 0;  // bit per word: its value cannot be known
  int g[16];
  int g_count = 0;
  int m[16];
  int m_count = 0;
  double l = 0, p = 0, h = 0;
  bool has_l = false, has_p = false, has_h = false;
  bool g_unknown = false;   // G#1: any function at all
  bool repeated = false;    // an axis written twice
  bool other_axis = false;  // U, V or W
  bool lower = false, jump = false, call = false, name = false, assignment = false;
  bool system_variable = false, skip = false, variable = false, spaced = false;
  bool may_move = false;      // a line not read may move an axis
  bool rest_ignored = false;  // a statement took the line: no more words are read

  void Clear() {
    present = unknown = 0;
    g_count = m_count = 0;
    has_l = has_p = has_h = false;
    g_unknown = repeated = other_axis = false;
    lower = jump = call = name = assignment = system_variable = skip = variable = spaced = false;
    may_move = false;
    rest_ignored = false;
  }
  bool Has(int w) const { return (present >> w) & 1; }
  bool Known(int w) const { return Has(w) && !((unknown >> w) & 1); }
  std::uint8_t Axes() const { return static_cast<std::uint8_t>(present & 0x3F); }
};

Interpreter::Interpreter(const InterpreterOptions& options, PathSink& sink)
    : options_(options),
      sink_(sink),
      block_(std::make_unique<Block>()),
      pos_(options.start),
      absolute_(!options.incremental) {}

Interpreter::~Interpreter() = default;

void Interpreter::Feed(std::u16string_view line) {
  // A line feed ends a block on the control; only CR LF ends a line of the program.
  std::size_t from = 0;
  for (;;) {
    const std::size_t lf = line.find(u'\n', from);
    const std::u16string_view block =
        line.substr(from, lf == std::u16string_view::npos ? std::u16string_view::npos : lf - from);
    block_->Clear();
    Read(block, *block_);
    Run(*block_);
    if (lf == std::u16string_view::npos) break;
    from = lf + 1;
  }
  ++line_;
}

// Reads the words of a block outside its comments.
void Interpreter::Read(std::u16string_view s, Block& b) {
  const std::size_t first = s.find_first_not_of(u" \t");
  if (first != std::u16string_view::npos && s[first] == u'/') b.skip = true;
  WalkCode(s, in_comment_, [&](std::size_t i) -> std::size_t {
    const char16_t c = s[i];
    if (b.rest_ignored) return i + 1;
    if (c >= u'a' && c <= u'z') {
      // g1x10 or o100 while: code this program does not read.
      const bool starts_word =
          i == 0 || !((s[i - 1] >= u'a' && s[i - 1] <= u'z') || IsAddressLetter(s[i - 1]));
      if (starts_word && i + 1 < s.size() &&
          (IsValueChar(s[i + 1]) || s[i + 1] == u'#' || s[i + 1] == u'[')) {
        b.lower = true;
        b.rest_ignored = true;
        // Whether the line may move an axis: an axis letter of either case with a value.
        for (std::size_t k = 0; k + 1 < s.size() && !b.may_move; ++k) {
          const char16_t u = s[k] >= u'a' && s[k] <= u'z' ? s[k] - u'a' + u'A' : s[k];
          b.may_move = (u >= u'X' && u <= u'Z') || (u >= u'A' && u <= u'C') ||
                               ((u >= u'I' && u <= u'K') || u == u'R')
                           ? IsValueChar(s[k + 1]) || s[k + 1] == u'#' || s[k + 1] == u'['
                           : false;
        }
      }
      return i + 1;
    }
    if (c == u'#') {
      // #1=5, #<depth>=2: a variable is set. #1000 and up are the control's own.
      std::size_t j = i + 1;
      double number = -1;
      if (j < s.size() && IsDigit(s[j])) {
        const std::size_t digits = j;
        while (j < s.size() && IsDigit(s[j])) ++j;
        number = ReadNumber(s.substr(digits, j - digits));
      } else if (j < s.size() && (s[j] == u'<' || s[j] == u'[')) {
        const char16_t close = s[j] == u'<' ? u'>' : u']';
        j = s.find(close, j);
        j = j == std::u16string_view::npos ? s.size() : j + 1;
      }
      while (j < s.size() && IsBlank(s[j])) ++j;
      if (j < s.size() && s[j] == u'=') {
        b.assignment = true;
        b.system_variable = number >= 1000;
        b.rest_ignored = true;
      } else {
        b.variable = true;
      }
      return i + 1;
    }
    if (!IsAddressLetter(c)) return i + 1;
    if (i + 1 < s.size() && IsAddressLetter(s[i + 1])) return ReadName(s, i, b);
    int word = -1;
    switch (c) {
      case u'G':
      case u'M': {
        const std::size_t end = ReadWordValue(s, i);
        if (end == i + 1) {
          // G#1, M[...]: a code nobody can tell; a bare G is no word.
          if (end < s.size() && (s[end] == u'#' || s[end] == u'[')) {
            b.g_unknown = true;
            return ReadWordExpr(s, i).end;
          }
          if (SpacedValue(s, end)) b.spaced = b.g_unknown = true;
          return end;
        }
        const int code = G(ReadNumber(s.substr(i + 1, end - i - 1)));
        if (c == u'G') {
          if (b.g_count < 16) b.g[b.g_count++] = code;
        } else if (b.m_count < 16) {
          b.m[b.m_count++] = code;
        }
        return end;
      }
      case u'X':
        word = kX;
        break;
      case u'Y':
        word = kY;
        break;
      case u'Z':
        word = kZ;
        break;
      case u'A':
        word = kA;
        break;
      case u'B':
        word = kB;
        break;
      case u'C':
        word = kC;
        break;
      case u'I':
        word = kAxisCount + 0;
        break;
      case u'J':
        word = kAxisCount + 1;
        break;
      case u'K':
        word = kAxisCount + 2;
        break;
      case u'R':
        word = Block::kR;
        break;
      default:
        break;
    }
    if (word < 0 && c != u'L' && c != u'P' && c != u'H' && c != u'U' && c != u'V' && c != u'W') {
      // A word whose value moves nothing (N, F, S, T, D, ...): passed over. Its plain digits
      // need no reading, and a sequence number of eight digits would cost the expression
      // reader's slow path on every line; what is more than digits goes through the reader,
      // so that a bracket or a variable is passed over whole.
      const std::size_t end = ReadWordValue(s, i);
      const bool more = end < s.size() && (s[end] == u'[' || s[end] == u'#' || s[end] == u'=' ||
                                           s[end] == u'*' || s[end] == u']');
      return more ? ReadWordExpr(s, i).end : end;
    }
    const WordExpr e = ReadWordExpr(s, i);
    if (e.kind == ValueKind::kNone) return e.end;  // a bare letter
    if (e.kind == ValueKind::kUnknown && IsBlank(s[e.keep + 1])) {
      // "X 10" is X10 to a control; the conversions leave it as written.
      if (word >= 0) {
        b.spaced = true;
        b.present |= static_cast<std::uint16_t>(1 << word);
        b.unknown |= static_cast<std::uint16_t>(1 << word);
      }
      return e.end;
    }
    if (word < 0) {
      if (c == u'L' || c == u'P' || c == u'H') {
        double& v = c == u'L' ? b.l : c == u'P' ? b.p : b.h;
        (c == u'L' ? b.has_l : c == u'P' ? b.has_p : b.has_h) = true;
        v = e.has_value() ? e.value : -1;
      } else if (c == u'U' || c == u'V' || c == u'W') {
        b.other_axis = true;
      }
      return e.end;
    }
    const auto bit = static_cast<std::uint16_t>(1 << word);
    if (b.present & bit) b.repeated = true;
    b.present |= bit;
    if (!e.has_value()) {
      b.unknown |= bit;
      b.variable = true;
      return e.end;
    }
    b.unknown &= static_cast<std::uint16_t>(~bit);
    b.words[word] = {e.value, ReadLoss(s, e), WithoutPoint(s, e)};
    return e.end;
  });
}

// A name at s[i]: a statement (IF, GOTO, WHILE, CALL, ...) or a variable being set (VC1=5).
std::size_t Interpreter::ReadName(std::u16string_view s, std::size_t i, Block& b) {
  std::size_t j = i;
  while (j < s.size() && IsAddressLetter(s[j])) ++j;
  const std::u16string_view name = s.substr(i, j - i);
  // What follows the name's letters up to an "=": digits and a bracket (VC1=, VZOFX[1]=).
  std::size_t k = j;
  while (k < s.size() && IsDigit(s[k])) ++k;
  if (k < s.size() && s[k] == u'[') {
    const std::size_t close = s.find(u']', k);
    k = close == std::u16string_view::npos ? s.size() : close + 1;
  }
  while (k < s.size() && IsBlank(s[k])) ++k;
  if (k < s.size() && s[k] == u'=') {
    b.assignment = true;
    // VC1 to VC200 are common variables; other names are the control's own (VZOFX[1] is a
    // work offset).
    b.system_variable = name != u"VC";
  } else if (name == u"IF" || name == u"GOTO" || name == u"WHILE" || name == u"END" ||
             name == u"DO") {
    b.jump = true;
  } else if (name == u"CALL" || name == u"RTS" || name == u"MODIN" || name == u"MODOUT") {
    b.call = true;
  } else if (name == u"MSG" || name == u"NMSG") {
    return j;  // a message on the operator's screen; the words after it still count
  } else {
    b.name = true;
  }
  b.rest_ignored = true;
  return j;
}

void Interpreter::ForgetAll() { pos_.known = 0; }

// A block that may move but cannot be followed: reported, the axes it may move forgotten,
// and handed on as a move not followed whose end is as far as known.
void Interpreter::Blind(Unchecked why, std::uint8_t forget) {
  NotFollowed(why);
  Move move;
  move.line = line_;
  move.plane = plane_;
  move.inch = inch_;
  move.followed = false;
  move.kind = mode_ == Mode::kRapid ? MoveKind::kRapid : MoveKind::kFeed;
  move.start = pos_;
  Forget(forget);
  move.end = pos_;
  move.uncertainty = uncertainty_;
  move.step_size = step_size_;
  sink_.OnMove(move);
}

void Interpreter::Forget(std::uint8_t axes) {
  pos_.known = static_cast<std::uint8_t>(pos_.known & ~axes);
}

// A length or angle word in mm or degrees.
double Interpreter::Length(double raw, bool no_point, bool rotary) const {
  double v = raw;
  if (no_point && options_.no_point == NoPoint::kIncrements) {
    v *= rotary ? 0.001 : inch_ ? 0.0001 : 0.001;
  }
  if (!rotary && inch_) v *= kMmPerInch;
  return v;
}

void Interpreter::Run(Block& b) {
  if ((b.lower && b.may_move) || b.call || b.g_unknown) {
    // Code that may move anything: lower-case words, OSP's CALL and RTS, G#1.
    Blind(b.lower    ? Unchecked::kLowerCase
          : b.call   ? Unchecked::kSubprogram
          : b.spaced ? Unchecked::kSpacedWord
                     : Unchecked::kVariable,
          0x3F);
    return;
  }
  if (b.lower || b.jump || b.name) {
    NotFollowed(b.lower  ? Unchecked::kLowerCase
                : b.jump ? Unchecked::kJump
                         : Unchecked::kUnknownName);
    ForgetAll();
    return;
  }
  if (b.assignment) {
    NotFollowed(Unchecked::kAssignment);
    if (b.system_variable) ForgetAll();
    return;
  }
  // X#1, X[#1+2]: the axis's position is unknown from here; a "#" that belongs to no word
  // is reported too.
  if (b.spaced) NotFollowed(Unchecked::kSpacedWord);
  if ((b.unknown != 0 && !b.spaced) || b.variable) NotFollowed(Unchecked::kVariable);
  if (b.skip && (b.present != 0 || b.g_count > 0 || b.m_count > 0)) {
    // The block may or may not run: what it moves, and what follows, is unknown.
    Blind(Unchecked::kBlockSkip, 0x3F);
    return;
  }
  Codes(b);
}

// The G and M codes of the block, and its move unless its axis words are none (dwell times,
// offset data, a position set, a reference return).
void Interpreter::Codes(Block& b) {
  const bool fanuc = options_.dialect == Dialect::kFanuc;
  bool no_move = false;
  bool tool_length = false, call = false, ret = false, end = false, tool_change = false;
  std::uint8_t forget = 0;
  bool forget_all = false;
  bool unknown_g = false;
  const std::uint8_t named = b.Axes();
  for (int i = 0; i < b.g_count; ++i) {
    const int g = b.g[i];
    switch (g) {
      case G(0):
      case G(1):
      case G(2):
      case G(3):
        mode_ = g == G(0)   ? Mode::kRapid
                : g == G(1) ? Mode::kFeed
                : g == G(2) ? Mode::kCw
                            : Mode::kCcw;
        cycle_ = false;
        break;
      case G(4):
        // After G04, X (and U, P, F) is a dwell time.
        no_move = true;
        if (b.Has(kX)) b.present &= static_cast<std::uint16_t>(~(1 << kX));
        if (b.Axes() != 0) unknown_g = true;
        break;
      case G(10):
        if (fanuc) {
          // Offset data, not a move. Writing the offset of the work system in force (L2 P1
          // is G54; P0 shifts them all) moves its origin under the tool.
          no_move = true;
          if (b.has_l && b.l == 2 && b.has_p && (b.p == 0 || b.p == work_)) forget |= named;
        } else {
          forget_all = true;  // OSP: the coordinate shift ends
        }
        break;
      case G(11):
        if (!fanuc) forget_all = true;  // OSP: a coordinate shift
        break;
      case G(15):
        if (fanuc) {
          polar_ = false;
        } else if (b.has_h) {
          // OSP's work coordinate systems: G15 H1 is the first, as G54 is on FANUC. H0 is
          // the machine's own, where moves go as FANUC's G53 sends them, until a system is
          // chosen again; choosing the one it came from moves no origin.
          const int h = b.h < 0 ? -1 : static_cast<int>(b.h);
          machine_ = h == 0;
          if (h != 0 && h != work_) forget_all = true;
          if (h != 0) work_ = h;
        }
        break;
      case G(16):
        if (fanuc) {
          polar_ = true;
        } else {
          unknown_g = true;
        }
        break;
      case G(17):
        plane_ = Plane::kXY;
        break;
      case G(18):
        plane_ = Plane::kZX;
        break;
      case G(19):
        plane_ = Plane::kYZ;
        break;
      case G(20):
        inch_ = true;
        break;
      case G(21):
        inch_ = false;
        break;
      case G(27):
      case G(28):
      case G(29):
      case G(30):
        // To the reference position and on from it: where the named axes end up is no
        // position of the program. OSP's G30 without axes returns them all.
        no_move = true;
        if (!fanuc && named == 0) forget_all = true;
        forget |= named;
        break;
      case G(31):
      case G(45):
      case G(46):
      case G(47):
      case G(48):
        forget |= named;  // a skip move stops where a signal comes; offset moves add offsets
        no_move = true;
        break;
      case G(43):
      case G(44):
      case G(49):
        if (fanuc) {
          // Cancelling an offset that is not in force changes nothing.
          tool_length = g != G(49) || tool_offset_;
          tool_offset_ = g != G(49);
        } else {
          unknown_g = true;
        }
        break;
      case G(52):
        if (fanuc) {
          forget |= named;  // a local coordinate system
          no_move = true;
        } else {
          unknown_g = true;
        }
        break;
      case G(53):
        if (fanuc) {
          // Machine coordinates are no position of the program.
          forget |= named;
          no_move = true;
        } else {
          tool_length = tool_offset_;  // OSP: tool length offset off
          tool_offset_ = false;
        }
        break;
      case G(54):
      case G(55):
      case G(56):
      case G(57):
      case G(58):
      case G(59):
      case G(54.1):
        if (fanuc) {
          const int system =
              g == G(54.1) ? 100 + (b.has_p ? static_cast<int>(b.p) : 0) : (g - G(54)) / 10 + 1;
          if (system != work_) forget_all = true;
          work_ = system;
        } else if (g <= G(56)) {
          tool_length = tool_offset_ = true;  // OSP: tool length offset
        } else {
          unknown_g = true;
        }
        break;
      case G(60):
        mode_ = Mode::kRapid;  // one-way positioning: a rapid move
        break;
      case G(65):
        call = true;
        break;
      case G(66):
        modal_call_ = true;
        call = true;
        break;
      case G(67):
        modal_call_ = false;
        break;
      case G(71):
        if (!fanuc) {
          no_move = true;  // OSP: the return level of canned cycles, no move
        } else {
          unknown_g = true;
        }
        break;
      case G(80):
        cycle_ = false;
        break;
      case G(73):
      case G(74):
      case G(76):
      case G(81):
      case G(82):
      case G(83):
      case G(84):
      case G(85):
      case G(86):
      case G(87):
      case G(88):
      case G(89):
        cycle_ = true;
        break;
      case G(90):
        absolute_ = true;
        break;
      case G(91):
        absolute_ = false;
        break;
      case G(92):
        // The position is set to the words; nothing moves.
        no_move = true;
        for (int a = 0; a < kAxisCount; ++a) {
          if (!b.Has(a)) continue;
          if (b.Known(a)) {
            pos_.Set(a, Length(b.words[a].value, b.words[a].no_point, IsRotary(a)));
            uncertainty_[a] = Length(b.words[a].loss, false, IsRotary(a));
            step_size_[a] = 0;
          } else {
            pos_.Forget(a);
          }
        }
        break;
      // Codes that change nothing of the path in program coordinates: high-speed and
      // look-ahead modes, exact stop, stroke checks, cutter compensation (the path of the
      // program, not of the tool's centre), scaling, mirror and rotation (which apply alike
      // to both programs compared), feed and spindle modes, cycle return levels.
      case G(5):
      case G(5.1):
      case G(8):
      case G(9):
      case G(13.1):
      case G(22):
      case G(23):
      case G(25):
      case G(26):
      case G(39):
      case G(40):
      case G(41):
      case G(42):
      case G(50):
      case G(50.1):
      case G(51):
      case G(51.1):
      case G(61):
      case G(62):
      case G(63):
      case G(64):
      case G(68):
      case G(69):
      case G(93):
      case G(94):
      case G(95):
      case G(96):
      case G(97):
      case G(98):
      case G(99):
        break;
      default:
        unknown_g = true;
        break;
    }
  }
  for (int i = 0; i < b.m_count; ++i) {
    const int m = b.m[i];
    if (options_.directed_axis >= 0 && m == G(options_.forward_code)) {
      forward_ = true;
    } else if (options_.directed_axis >= 0 && m == G(options_.reverse_code)) {
      forward_ = false;
    } else if (m == G(98) || m == G(198)) {
      call = true;
    } else if (m == G(99)) {
      ret = true;
    } else if (m == G(2) || m == G(30)) {
      end = true;  // what follows runs from wherever it is called
    } else if (m == G(6)) {
      tool_change = true;  // the change moves the axes to where the machine changes tools
    }
  }
  if (unknown_g) {
    if (b.Axes() != 0) {
      Blind(Unchecked::kUnknownG, b.Axes());
    } else {
      NotFollowed(Unchecked::kUnknownG);
    }
    no_move = true;
  }
  if (b.other_axis) {
    NotFollowed(Unchecked::kOtherAxis);
    no_move = true;
  }
  if (forget_all) ForgetAll();
  if (!no_move) Motion(b);
  if (tool_length) {
    // The tool's length is added or taken off: where the line gives no Z, the control may
    // move Z by the offset or leave the program's Z off by it.
    if (!b.Known(kZ) || no_move) pos_.Forget(kZ);
  }
  Forget(forget);
  if (call || ret) Blind(Unchecked::kSubprogram, 0x3F);
  if (end || tool_change) ForgetAll();
}

// The block's axis words as a move in the mode in force.
void Interpreter::Motion(Block& b) {
  const std::uint8_t named = b.Axes();
  const bool arc_words = (b.present >> kAxisCount) != 0;
  if (named == 0 && !(arc_words && (mode_ == Mode::kCw || mode_ == Mode::kCcw))) return;
  if (b.repeated) return Blind(Unchecked::kRepeatedWord, named);
  if (cycle_) {
    // A canned cycle drills at the named position and returns to a level the interpreter
    // does not follow.
    return Blind(Unchecked::kCycle,
                 static_cast<std::uint8_t>(named | (1 << AxesOf(plane_).normal)));
  }
  if (modal_call_) return Blind(Unchecked::kSubprogram, 0x3F);
  if (machine_) {
    // Moves in machine coordinates go to no position of the program.
    Forget(named);
    return;
  }
  Move move;
  move.line = line_;
  move.plane = plane_;
  move.inch = inch_;
  move.start = pos_;
  Position end = pos_;
  std::array<double, kAxisCount> unc = uncertainty_;
  std::array<double, kAxisCount> steps = step_size_;
  for (int a = 0; a < kAxisCount; ++a) {
    if (!b.Has(a)) continue;
    if (!b.Known(a)) {
      end.Forget(a);
      continue;
    }
    const double v = Length(b.words[a].value, b.words[a].no_point, IsRotary(a));
    const double loss = Length(b.words[a].loss, false, IsRotary(a));
    if (a == options_.directed_axis && absolute_) {
      // The shortest-way conversion's axis: to the angle modulo a turn, the way the M code
      // in force says.
      const double target = Turn(v);
      if (pos_.Known(a)) {
        double turn = forward_ ? Turn(target - pos_.v[a]) : -Turn(pos_.v[a] - target);
        if (std::fabs(std::fabs(turn) - 360) < 1e-7) turn = 0;
        end.Set(a, pos_.v[a] + turn);
      } else {
        end.Set(a, target);
      }
      move.directed = true;
      unc[a] = loss;
      steps[a] = 0;
    } else if (absolute_) {
      end.Set(a, v);
      unc[a] = loss;
      steps[a] = 0;
    } else if (pos_.Known(a)) {
      end.Set(a, pos_.v[a] + v);
      unc[a] += loss;
      steps[a] = std::fabs(v);
    } else {
      end.Forget(a);
    }
  }
  const PlaneAxes axes = AxesOf(plane_);
  if (polar_) {
    // FANUC's polar command: the plane's first word is the radius, the second the angle in
    // degrees, from the work origin.
    if (!absolute_ || mode_ == Mode::kCw || mode_ == Mode::kCcw) {
      return Blind(Unchecked::kPolar,
                   static_cast<std::uint8_t>(named | (1 << axes.u) | (1 << axes.v)));
    }
    if (b.Known(axes.u)) polar_radius_ = end.v[axes.u];
    if (b.Known(axes.v)) polar_angle_ = end.v[axes.v];
    end.Set(axes.u, polar_radius_ * std::cos(polar_angle_ * kDegree));
    end.Set(axes.v, polar_radius_ * std::sin(polar_angle_ * kDegree));
  }
  move.end = end;
  move.uncertainty = unc;
  move.step_size = steps;
  move.followed = !b.spaced;
  pos_ = end;
  uncertainty_ = unc;
  step_size_ = steps;
  switch (mode_) {
    case Mode::kNone:
      // The end is known whatever the mode; the way there is not.
      NotFollowed(Unchecked::kNoMotionMode);
      move.followed = false;
      break;
    case Mode::kRapid:
      move.kind = MoveKind::kRapid;
      break;
    case Mode::kFeed:
      move.kind = MoveKind::kFeed;
      break;
    case Mode::kCw:
    case Mode::kCcw: {
      move.kind = mode_ == Mode::kCw ? MoveKind::kArcCw : MoveKind::kArcCcw;
      const std::uint8_t in_plane = static_cast<std::uint8_t>((1 << axes.u) | (1 << axes.v));
      const bool ends_known = move.start.AllKnown(in_plane) && end.AllKnown(in_plane);
      const double su = move.start.v[axes.u], sv = move.start.v[axes.v];
      const double eu = end.v[axes.u], ev = end.v[axes.v];
      move.centre[axes.normal] = move.start.v[axes.normal];
      if (b.Has(Block::kR)) {
        if (!b.Known(Block::kR) || !ends_known) break;
        const double r = Length(b.words[Block::kR].value, b.words[Block::kR].no_point, false);
        const double du = eu - su, dv = ev - sv;
        const double chord = std::hypot(du, dv);
        if (chord == 0) break;  // R cannot make a full circle: the arc goes nowhere
        const double half = chord / 2;
        double h2 = r * r - half * half;
        if (h2 < 0) {
          // A half circle whose R was rounded a little short is still a half circle.
          if (half - std::fabs(r) > 0.001 + 1e-7 * half) {
            NotFollowed(Unchecked::kArcNoCentre);
            move.followed = false;
            break;
          }
          h2 = 0;
        }
        // The centre lies left of the chord for a counter-clockwise arc of less than half a
        // turn, right of it for a clockwise one; a negative R takes the larger arc.
        const double side = ((move.kind == MoveKind::kArcCcw) == (r > 0)) ? 1 : -1;
        const double h = std::sqrt(h2) * side / chord;
        move.centre[axes.u] = su + du / 2 - dv * h;
        move.centre[axes.v] = sv + dv / 2 + du * h;
        move.centre_known = true;
        move.radius_word = r;
        break;
      }
      const int iu = kAxisCount + axes.u, iv = kAxisCount + axes.v;
      if (!b.Has(iu) && !b.Has(iv)) {
        NotFollowed(Unchecked::kArcNoCentre);
        move.followed = false;
        break;
      }
      if ((b.Has(iu) && !b.Known(iu)) || (b.Has(iv) && !b.Known(iv)) || !ends_known) break;
      // I, J and K go from the start to the centre.
      const auto offset = [&](int w) {
        return b.Has(w) ? Length(b.words[w].value, b.words[w].no_point, false) : 0.0;
      };
      move.centre[axes.u] = su + offset(iu);
      move.centre[axes.v] = sv + offset(iv);
      move.centre_known = true;
      break;
    }
  }
  sink_.OnMove(move);
}

void Interpret(std::u16string_view text, const InterpreterOptions& options, PathSink& sink) {
  Interpreter interpreter(options, sink);
  ForEachLine(text, [&](std::u16string_view line) {
    interpreter.Feed(line);
    return true;
  });
}

}  // namespace kestrum
