// The check of each conversion: how its result's path must relate to its source's, and with
// what tolerance.
//
//   conversion                          relation                tolerance (result's unit)
//   blanks, renumbering, line ends      identical               none: no value is rewritten
//   decimal points                      identical, see below    0.00005 (four decimals)
//   G90/G91                             identical               0.0005, or 0.00005 with the
//                                                               point option; single precision
//   XY to C/X, C/X to XY                polar <-> Cartesian     0.0005 and 0.0005 degrees
//   rotary shortest way                 same angles modulo a    none
//                                       turn, the shorter way
//   unit                                scaled                  0.0005 (0.00005 in inches);
//                                                               single precision
//   OSP <-> FANUC translation           identical               0.0005
//   find, replace, calculated replace   none: shown, not judged
#pragma once

#include <functional>
#include <optional>

#include "convert/abs_inc.h"
#include "convert/points.h"
#include "convert/rotary.h"
#include "convert/unit.h"
#include "convert/xy_cx.h"
#include "motion/compare.h"

namespace kestrum {

// What the programs are: their dialect, and how a value without a point reads (nothing: the
// dialect's own way).
struct ProgramReading {
  Dialect dialect = Dialect::kFanuc;
  std::optional<NoPoint> no_point;

  NoPoint NoPointOf(Dialect d) const { return no_point.value_or(DefaultNoPoint(d)); }
};

// The dialect whose number style FormatCoord writes: OSP for OutDialect 1, FANUC otherwise.
constexpr Dialect DialectOfStyle(int out_dialect) {
  return out_dialect == 1 ? Dialect::kOsp : Dialect::kFanuc;
}

CheckSpec IdenticalCheck(const ProgramReading& reading);  // blanks, renumbering, line ends
// Adding points serves programs written for calculator-style input: the source is read so
// (X12 is 12 mm) and the result with FANUC's meaning (X12. is 12 mm, X12 would be 0.012).
// Removing them serves calculator-style controls: the result is read so.
CheckSpec PointsCheck(PointMode mode, const ProgramReading& reading);
CheckSpec UnitCheck(UnitMode mode, const ProgramReading& reading);
CheckSpec AbsIncCheck(const AbsIncOptions& options, const ProgramReading& reading);
CheckSpec XyCxCheck(XyCxDirection direction, const ProgramReading& reading);
CheckSpec RotaryCheck(const RotaryOptions& options, const ProgramReading& reading);
// to_fanuc: OSP source, FANUC result; else the reverse. reading.dialect is not used.
CheckSpec TranslateCheck(bool to_fanuc, const ProgramReading& reading);
CheckSpec NoCheck(const ProgramReading& reading);  // find, replace, calculated replace

// A conversion's check, made when it is known how the programs read.
using CheckMaker = std::function<CheckSpec(const ProgramReading&)>;

// The factor of a unit change's lengths, and of its angles.
double UnitScale(UnitMode mode);
double UnitRotaryScale(UnitMode mode);

}  // namespace kestrum
