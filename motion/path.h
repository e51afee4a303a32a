// The tool path of a program as the interpreter hands it on: moves, and the lines it could
// not follow. Lengths are in mm and angles in degrees, whatever unit the program is written
// in.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace kestrum {

// The axes a path follows, in this order.
enum Axis : int { kX = 0, kY, kZ, kA, kB, kC };
inline constexpr int kAxisCount = 6;
inline constexpr char16_t kAxisLetters[kAxisCount] = {u'X', u'Y', u'Z', u'A', u'B', u'C'};
constexpr bool IsRotary(int axis) { return axis >= kA; }

// A position of the machine's axes in the program's coordinates. An axis whose position the
// program does not tell (after a reference return, a machine coordinate move, a variable) is
// unknown; its value then means nothing.
struct Position {
  std::array<double, kAxisCount> v{};
  std::uint8_t known = 0x3F;  // bit per axis

  bool Known(int axis) const { return (known >> axis) & 1; }
  void Set(int axis, double value) {
    v[axis] = value;
    known = static_cast<std::uint8_t>(known | (1 << axis));
  }
  void Forget(int axis) { known = static_cast<std::uint8_t>(known & ~(1 << axis)); }
  bool AllKnown(std::uint8_t axes) const { return (known & axes) == axes; }
};

enum class MoveKind : std::uint8_t { kRapid, kFeed, kArcCw, kArcCcw };
constexpr bool IsArc(MoveKind k) { return k == MoveKind::kArcCw || k == MoveKind::kArcCcw; }

// The plane of arcs: G17 XY, G18 ZX, G19 YZ. PlaneAxes gives its first and second axis (a
// counter-clockwise arc turns from the first towards the second) and the axis normal to it.
enum class Plane : std::uint8_t { kXY, kZX, kYZ };
struct PlaneAxes {
  int u, v, normal;
};
constexpr PlaneAxes AxesOf(Plane p) {
  return p == Plane::kXY   ? PlaneAxes{kX, kY, kZ}
         : p == Plane::kZX ? PlaneAxes{kZ, kX, kY}
                           : PlaneAxes{kY, kZ, kX};
}

struct Move {
  std::uint64_t line = 0;  // 0-based index of the line, lines cut at CR LF
  std::uint64_t number() const { return line + 1; }
  MoveKind kind = MoveKind::kRapid;
  Plane plane = Plane::kXY;
  bool inch = false;      // written in inches (G20): its words' resolution is in inches
  bool directed = false;  // the directed rotary axis went the way its M code says
  // False for a block the interpreter could not follow (a canned cycle, a call, an arc
  // without a centre): it is handed on all the same, with its end as far as known, so that
  // two paths compared stay in step past it.
  bool followed = true;
  Position start;
  Position end;
  // How far each axis's position may lie from the control's own: a word with more than 7
  // significant digits, or an expression, is read at 7 significant digits, and incremental
  // moves add up what their words lose.
  std::array<double, kAxisCount> uncertainty{};
  // Per axis, the size of the last step (G91) that brought it where it stands, 0 after a
  // position: written at seven digits of its own size, a step may be far coarser than the
  // position it leads to, and what it lost stays until the next position.
  std::array<double, kAxisCount> step_size{};
  // Arcs: the centre (in the plane's two axes; the normal axis holds the start's value) and,
  // for an arc given by R, the radius as written in mm (negative: the larger arc); 0 for an
  // arc given by I, J and K. centre_known is false when the start is unknown.
  std::array<double, 3> centre{};
  bool centre_known = false;
  double radius_word = 0;
};

// Why the interpreter could not follow a line.
enum class Unchecked : std::uint8_t {
  kVariable,      // a macro variable or an expression it cannot evaluate: X#1, X[#1+2], VC1
  kAssignment,    // a variable set: #1=5, VC1=5
  kSubprogram,    // a call or a return: M98, M99, CALL, RTS, G65, G66
  kJump,          // IF, GOTO, WHILE, END
  kCycle,         // a canned cycle G73 to G89
  kLowerCase,     // code in lower-case letters, which this program does not read as NC words
  kUnknownG,      // a G code whose effect on the position the interpreter does not know
  kUnknownName,   // a name that is no NC word and no known statement
  kOtherAxis,     // a U, V or W axis, which the interpreter does not follow
  kRepeatedWord,  // one axis written twice on a line
  kSpacedWord,    // X 10: a control reads the word, the conversions see a bare letter
  kArcNoCentre,   // an arc without I, J, K or R, or with R shorter than half its chord
  kNoMotionMode,  // axis words before any G00, G01, G02 or G03
  kBlockSkip,     // a line behind "/", which the operator's switch may skip
  kPolar,         // a polar coordinate command the interpreter cannot follow (G16 in G91)
  kOneSide,       // a position known on one side of a comparison only
  kPolarArc,      // an arc of a C/X program: its end is compared, its shape is not
  kPrecision,     // values of more than 7 significant digits, read at 7, off by more
                  // than the tolerance
  kCount,
};

// The reason as the editor shows it, and as the command line prints it.
std::u16string_view UncheckedText(Unchecked why);
std::string_view UncheckedName(Unchecked why);

// Where the interpreter hands the path on.
class PathSink {
 public:
  virtual ~PathSink() = default;
  virtual void OnMove(const Move& move) = 0;
  virtual void OnUnchecked(std::uint64_t line, Unchecked why) = 0;
};

}  // namespace kestrum
