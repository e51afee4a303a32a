#include "motion/relations.h"

#include "ncword/numeric.h"

namespace kestrum {
namespace {

// Half a unit of the last digit of a value written with FormatCoord (three decimals) and
// with four decimals (FormatCoord4, the point masks "#####0.####").
constexpr double kThreeDecimals = 0.0005;
constexpr double kFourDecimals = 0.00005;

CheckSpec Both(const ProgramReading& reading, Relation relation) {
  CheckSpec setup;
  setup.source.dialect = setup.result.dialect = reading.dialect;
  setup.source.no_point = setup.result.no_point = reading.NoPointOf(reading.dialect);
  setup.relation = relation;
  return setup;
}

}  // namespace

CheckSpec IdenticalCheck(const ProgramReading& reading) { return Both(reading, {}); }

CheckSpec PointsCheck(PointMode mode, const ProgramReading& reading) {
  Relation r;
  r.resolution = r.angle_resolution = kFourDecimals;
  CheckSpec setup = Both(reading, r);
  if (mode == PointMode::kRemove) {
    setup.result.no_point = NoPoint::kMm;
  } else {
    setup.source.no_point = NoPoint::kMm;
    setup.result.no_point = NoPoint::kIncrements;
  }
  return setup;
}

double UnitScale(UnitMode mode) {
  switch (mode) {
    case UnitMode::kMicrometresToMm:
      return 0.001;
    case UnitMode::kHundredthsToMm:
      return 0.01;
    case UnitMode::kInchToMm:
      return 25.4;
    case UnitMode::kMmToInch:
      return 1 / 25.4;
    case UnitMode::kMmToMicrometres:
      return 1000;
    case UnitMode::kMmToHundredths:
      return 100;
  }
  return 1;
}

double UnitRotaryScale(UnitMode mode) {
  // Degrees are no length: an inch change leaves them; the others count them in the same
  // steps as lengths (A90000 in 0.001 degrees is A90.).
  return mode == UnitMode::kInchToMm || mode == UnitMode::kMmToInch ? 1 : UnitScale(mode);
}

CheckSpec UnitCheck(UnitMode mode, const ProgramReading& reading) {
  Relation r;
  r.kind = RelationKind::kScale;
  r.scale = UnitScale(mode);
  r.rotary_scale = UnitRotaryScale(mode);
  r.resolution = mode == UnitMode::kMmToInch ? kFourDecimals : kThreeDecimals;
  r.angle_resolution = r.rotary_scale == 1 ? 0 : kThreeDecimals;
  r.single_precision = true;
  // The change works on the numbers as written: X12 becomes X0.012 (micrometres to mm)
  // whatever a control would make of X12, so both programs are read as numbers.
  CheckSpec setup = Both(reading, r);
  setup.source.no_point = setup.result.no_point = NoPoint::kMm;
  return setup;
}

CheckSpec AbsIncCheck(const AbsIncOptions& options, const ProgramReading& reading) {
  Relation r;
  r.resolution = options.point ? kFourDecimals : kThreeDecimals;
  r.single_precision = true;  // Z is followed in single precision
  CheckSpec setup = Both(reading, r);
  Position start;
  start.Set(kX, ReadNumber(options.start_x));
  start.Set(kY, ReadNumber(options.start_y));
  start.Set(kZ, ToSingle(ReadNumber(options.start_z)));
  setup.source.start = setup.result.start = start;
  // The conversion reads its source in the mode it converts from until a G90 or G91 says
  // otherwise.
  setup.source.incremental = !options.to_incremental;
  setup.result.incremental = options.to_incremental;
  return setup;
}

CheckSpec XyCxCheck(XyCxDirection direction, const ProgramReading& reading) {
  Relation r;
  r.kind = direction == XyCxDirection::kToCx ? RelationKind::kXyToCx : RelationKind::kCxToXy;
  r.resolution = kThreeDecimals;
  r.angle_resolution = kThreeDecimals;
  r.single_precision = direction == XyCxDirection::kToCx;  // the diameter
  return Both(reading, r);
}

CheckSpec RotaryCheck(const RotaryOptions& options, const ProgramReading& reading) {
  Relation r;
  int axis = -1;
  if (options.axis.size() == 1) {
    for (int a = kA; a <= kC; ++a) {
      if (options.axis[0] == kAxisLetters[a]) axis = a;
    }
  }
  // Another letter is no axis the interpreter follows: the codes added change nothing it
  // sees.
  if (axis < 0) return Both(reading, r);
  r.kind = RelationKind::kRotary;
  r.rotary_axis = axis;
  CheckSpec setup = Both(reading, r);
  setup.result.directed_axis = axis;
  setup.result.forward_code = ReadNumber(options.forward);
  setup.result.reverse_code = ReadNumber(options.reverse);
  return setup;
}

CheckSpec TranslateCheck(bool to_fanuc, const ProgramReading& reading) {
  Relation r;
  r.resolution = r.angle_resolution = kThreeDecimals;
  r.single_precision = true;
  CheckSpec setup;
  setup.relation = r;
  setup.source.dialect = to_fanuc ? Dialect::kOsp : Dialect::kFanuc;
  setup.result.dialect = to_fanuc ? Dialect::kFanuc : Dialect::kOsp;
  setup.source.no_point = reading.NoPointOf(setup.source.dialect);
  setup.result.no_point = reading.NoPointOf(setup.result.dialect);
  return setup;
}

CheckSpec NoCheck(const ProgramReading& reading) {
  Relation r;
  r.kind = RelationKind::kNone;
  return Both(reading, r);
}

}  // namespace kestrum
