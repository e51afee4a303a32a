#include "app/cli_check.h"

#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <optional>
#include <sstream>

#include "app/cli_run.h"
#include "io/file_io.h"
#include "io/textcodec.h"
#include "motion/stored_path.h"
#include "motion/svg_plot.h"

namespace kestrum::cli {
namespace {

// Input is decoded about this many bytes at a time, cut after a line feed.
constexpr std::size_t kPieceBytes = std::size_t{1} << 20;

std::string Fixed(double v, int decimals = 4) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, std::fabs(v) < 5e-9 ? 0.0 : v);
  return buffer;
}

// "X10.0000 Y5.0000 Z?" and the rotary axes that stand anywhere but 0.
std::string Where(const Position& p) {
  std::string s;
  for (int a = 0; a < kAxisCount; ++a) {
    if (IsRotary(a) && (!p.Known(a) || p.v[a] == 0)) continue;
    if (!s.empty()) s += ' ';
    s += static_cast<char>(kAxisLetters[a]);
    s += p.Known(a) ? Fixed(p.v[a]) : "?";
  }
  return s;
}

double ParseNumber(const std::string& text, const std::string& option) {
  double v = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(v)) {
    throw UsageError{"bad " + option + " '" + text + "'"};
  }
  return v;
}

Dialect DialectOption(const Arguments& args, const std::string& name, Dialect fallback) {
  if (!Has(args.options, name)) return fallback;
  return Choice(args, name) == 1 ? Dialect::kOsp : Dialect::kFanuc;
}

// The check that verify and plot --against run, from their options.
CheckSpec SpecOf(const Arguments& args) {
  CheckSpec setup;
  setup.source.dialect = DialectOption(args, "--dialect", Dialect::kFanuc);
  setup.result.dialect = DialectOption(args, "--result-dialect", setup.source.dialect);
  if (Has(args.options, "--no-point")) {
    setup.source.no_point = setup.result.no_point =
        Choice(args, "--no-point") == 0 ? NoPoint::kMm : NoPoint::kIncrements;
  } else {
    setup.source.no_point = DefaultNoPoint(setup.source.dialect);
    setup.result.no_point = DefaultNoPoint(setup.result.dialect);
  }
  Relation& r = setup.relation;
  // Without --tolerance: what a conversion of this program writes, three decimals in single
  // precision.
  r.resolution = r.angle_resolution = 0.0005;
  r.single_precision = true;
  const std::string relation = Get(args.options, "--relation", "identical");
  if (relation == "identical") {
    r.kind = RelationKind::kIdentical;
  } else if (relation.starts_with("scale:")) {
    r.kind = RelationKind::kScale;
    r.scale = ParseNumber(relation.substr(6), "--relation scale");
    if (r.scale == 0) throw UsageError{"--relation scale:K needs K other than 0"};
    // A unit change between mm and inch leaves degrees alone; the others count them in the
    // same steps as lengths.
    r.rotary_scale =
        std::fabs(r.scale - 25.4) < 1e-9 || std::fabs(r.scale * 25.4 - 1) < 1e-9 ? 1 : r.scale;
  } else if (relation == "cx-to-xy") {
    r.kind = RelationKind::kCxToXy;
  } else if (relation == "xy-to-cx") {
    r.kind = RelationKind::kXyToCx;
  } else if (relation == "rotary" || relation.starts_with("rotary:")) {
    // rotary[:AXIS[,FWD,REV]], by default C with M15 and M16.
    RotaryOptions rotary;
    if (relation.size() > 7) {
      const std::string rest = relation.substr(7);
      rotary.axis = FromUtf8(rest.substr(0, rest.find(',')));
      if (const auto comma = rest.find(','); comma != std::string::npos) {
        const std::string codes = rest.substr(comma + 1);
        const auto second = codes.find(',');
        if (second == std::string::npos) throw UsageError{"--relation rotary:AXIS,FWD,REV"};
        rotary.forward = FromUtf8(codes.substr(0, second));
        rotary.reverse = FromUtf8(codes.substr(second + 1));
      }
    }
    if (rotary.axis != u"A" && rotary.axis != u"B" && rotary.axis != u"C") {
      throw UsageError{"--relation rotary takes the axis A, B or C"};
    }
    const CheckSpec rotary_spec = RotaryCheck(rotary, {});
    r.kind = RelationKind::kRotary;
    r.rotary_axis = rotary_spec.relation.rotary_axis;
    setup.result.directed_axis = rotary_spec.result.directed_axis;
    setup.result.forward_code = rotary_spec.result.forward_code;
    setup.result.reverse_code = rotary_spec.result.reverse_code;
  } else {
    throw UsageError{"bad --relation '" + relation +
                     "' (one of: identical, scale:K, cx-to-xy, xy-to-cx, rotary)"};
  }
  if (Has(args.options, "--tolerance")) {
    const double mm = ParseNumber(Get(args.options, "--tolerance"), "--tolerance");
    if (mm < 0) throw UsageError{"--tolerance takes a distance of 0 or more"};
    r.resolution = r.angle_resolution = mm;
    r.single_precision = false;
    r.resolution_in_mm = true;
  }
  return setup;
}

struct Text {
  std::string bytes;
  Encoding encoding;
  std::string_view Body() const {
    return std::string_view(bytes).substr(EncodingMark(encoding).size());
  }
};

std::optional<Text> ReadText(const std::string& command, const std::string& path) {
  std::string reason;
  std::optional<std::string> bytes = path == "-" ? ReadAllBytes(STDIN_FILENO, &reason, SIZE_MAX)
                                                 : ReadFileBytes(path, &reason, SIZE_MAX);
  if (!bytes) {
    Error(command, "cannot read '" + path + "': " + reason);
    return std::nullopt;
  }
  const Encoding encoding = DetectEncoding(*bytes);
  return Text{std::move(*bytes), encoding};
}

// The next piece of bytes to decode, cut after a line feed; rest loses it.
std::string_view NextPiece(std::string_view& rest) {
  std::size_t cut = rest.size();
  if (cut > kPieceBytes) {
    const std::size_t lf = rest.rfind('\n', kPieceBytes - 1);
    cut = lf != std::string_view::npos ? lf + 1 : std::min(rest.find('\n'), rest.size() - 1) + 1;
  }
  const std::string_view piece = rest.substr(0, cut);
  rest.remove_prefix(cut);
  return piece;
}

std::u16string Decoded(const Text& text) {
  std::u16string out;
  AppendDecoded(text.Body(), text.encoding, out);
  return out;
}

}  // namespace

ProgramReading ReadingOf(const Arguments& args, int out_dialect) {
  ProgramReading reading;
  reading.dialect = DialectOfStyle(out_dialect);
  if (Has(args.options, "--no-point")) {
    reading.no_point = Choice(args, "--no-point") == 0 ? NoPoint::kMm : NoPoint::kIncrements;
  }
  return reading;
}

struct StreamCheck::State {
  explicit State(const CheckSpec& setup)
      : comparer(setup.relation),
        from(setup.source, comparer.source()),
        to(setup.result, comparer.result()),
        unused(0),
        source(from, unused),
        result(to, unused) {}
  PathComparer comparer;
  Interpreter from;
  Interpreter to;
  OutBuffer unused;
  LineFeeder source;
  LineFeeder result;
};

StreamCheck::StreamCheck(const CheckSpec& setup) : state_(std::make_unique<State>(setup)) {}
StreamCheck::~StreamCheck() = default;
void StreamCheck::Source(std::u16string_view piece) { state_->source.Piece(piece); }
void StreamCheck::Result(std::u16string_view piece) { state_->result.Piece(piece); }

bool StreamCheck::End(std::ostream& out) {
  state_->source.End();
  state_->result.End();
  state_->comparer.Finish();
  const CheckResult& r = state_->comparer.outcome();
  out << Summary(r) << "\n";
  PrintUnchecked(out, r);
  return r.same();
}

std::string Summary(const CheckResult& r) {
  if (r.relation == RelationKind::kNone) {
    return "path not judged: the command changes the program on purpose";
  }
  if (r.same()) {
    return "same path: " + std::to_string(r.compared) + " moves compared, " +
           std::to_string(r.unchecked()) + " unchecked, largest deviation " +
           Fixed(r.largest_deviation) + " mm";
  }
  const PathDifference& d = *r.difference;
  const std::string source = "source line " + std::to_string(d.source.number());
  const std::string result = "result line " + std::to_string(d.result.number());
  std::string s = "different path: ";
  const auto kind = [](MoveKind k) {
    return k == MoveKind::kRapid ? "a rapid move" : k == MoveKind::kFeed ? "a feed move" : "an arc";
  };
  switch (d.what) {
    case PathDifference::What::kPosition:
      s += source + " (" + Where(d.source_own) + ") and " + result + " (" + Where(d.result_own) +
           ") are " + Fixed(d.distance) + " mm";
      if (d.angle > 0) s += " and " + Fixed(d.angle) + " degrees";
      s += " apart";
      break;
    case PathDifference::What::kKind:
      s += source + " (" + Where(d.source_own) + ") is " + kind(d.source.kind) + ", " + result +
           " " + kind(d.result.kind);
      break;
    case PathDifference::What::kArc:
      s += source + " and " + result + " end at " + Where(d.result_own) +
           " on arcs of another centre or radius";
      break;
    case PathDifference::What::kDirection:
      s += source + " and " + result + " (" + Where(d.result_own) +
           ") turn the rotary axis differently: " + Fixed(d.distance) +
           " degrees more than the shorter way";
      break;
    case PathDifference::What::kMissing:
      if (d.result_missing) {
        s += source + " (" + Where(d.source_own) + ") has no move in the result, which ends at " +
             result;
      } else {
        s += result + " (" + Where(d.result_own) + ") has no move in the source, which ends at " +
             source;
      }
      break;
  }
  s += "; " + std::to_string(r.compared) + " moves compared before";
  return s;
}

void PrintUnchecked(std::ostream& out, const CheckResult& r) {
  const auto list = [&](const char* side, const LineList& lines, Unchecked why) {
    if (lines.empty()) return;
    out << "  not followed in the " << side << ", " << UncheckedName(why) << ": line";
    out << (lines.lines().size() > 1 ? "s " : " ");
    for (std::size_t i = 0; i < lines.lines().size(); ++i) {
      out << (i > 0 ? ", " : "") << lines.lines()[i];
    }
    out << (lines.more() ? ", ..." : "") << "\n";
  };
  for (int i = 0; i < static_cast<int>(Unchecked::kCount); ++i) {
    list("source", r.source_reasons[i], static_cast<Unchecked>(i));
    list("result", r.result_reasons[i], static_cast<Unchecked>(i));
  }
}

int VerifyCommand(const Arguments& args) {
  const std::string command = args.command->name;
  if (args.inputs.size() != 2 || args.inputs[0] == "-" || args.inputs[1] == "-") {
    throw UsageError{"verify takes two files: SOURCE RESULT"};
  }
  if (Has(args.options, "-o") || Has(args.options, "--output-dir") ||
      Has(args.options, "--style")) {
    throw UsageError{"verify writes no program: -o, --output-dir and --style do not apply"};
  }
  const CheckSpec setup = SpecOf(args);
  const std::optional<Text> source = ReadText(command, args.inputs[0]);
  if (!source) return kExitFile;
  const std::optional<Text> result = ReadText(command, args.inputs[1]);
  if (!result) return kExitFile;
  StreamCheck check(setup);
  std::string_view source_rest = source->Body(), result_rest = result->Body();
  std::u16string piece;
  while (!source_rest.empty() || !result_rest.empty()) {
    for (auto [rest, side] : {std::pair{&source_rest, 0}, std::pair{&result_rest, 1}}) {
      if (rest->empty()) continue;
      piece.clear();
      AppendDecoded(NextPiece(*rest), side == 0 ? source->encoding : result->encoding, piece);
      if (side == 0) {
        check.Source(piece);
      } else {
        check.Result(piece);
      }
    }
  }
  // The one-line summary to standard output, the lines not followed to standard error.
  std::ostringstream details;
  const bool same = check.End(details);
  const std::string text = details.str();
  const std::size_t first_end = text.find('\n');
  std::cout << text.substr(0, first_end + 1);
  std::cerr << text.substr(first_end + 1);
  return same ? kExitOk : kExitFailed;
}

int PlotCommand(const Arguments& args) {
  const std::string command = args.command->name;
  if (args.inputs.size() != 1 || args.inputs[0] == "-") {
    throw UsageError{"plot takes one file: PROGRAM"};
  }
  const std::string target = Get(args.options, "-o");
  if (target.empty()) throw UsageError{"plot needs -o FILE.svg (- for standard output)"};
  if (Has(args.options, "--output-dir")) throw UsageError{"plot writes one file: use -o"};
  PlotOptions options;
  options.view = static_cast<View>(Choice(args, "--view", 0));
  if (Has(args.options, "--width")) {
    const double width = ParseNumber(Get(args.options, "--width"), "--width");
    if (width < 100 || width > 20000) throw UsageError{"--width takes 100 to 20000 pixels"};
    options.width = static_cast<int>(width);
  }
  const CheckSpec setup = SpecOf(args);
  const std::optional<Text> program = ReadText(command, args.inputs[0]);
  if (!program) return kExitFile;
  options.title = args.inputs[0];
  std::string svg;
  int status = kExitOk;
  if (Has(args.options, "--against")) {
    const std::string other = Get(args.options, "--against");
    const std::optional<Text> against = ReadText(command, other);
    if (!against) return kExitFile;
    options.against_title = other;
    const std::optional<StoredCheck> check =
        StoreCheck(Decoded(*program), Decoded(*against), setup);
    svg = PlotSvg(*check, options);
    std::cerr << Summary(check->outcome) << "\n";
    if (!check->outcome.same()) status = kExitFailed;
  } else {
    svg = PlotSvg(StorePath(Decoded(*program), setup.source), options);
  }
  std::string reason;
  if (target == "-") {
    if (!WriteAllBytes(STDOUT_FILENO, svg, &reason)) {
      Error(command, "cannot write '-': " + reason);
      return kExitFile;
    }
  } else if (!WriteFileAtomically(target, svg, &reason)) {
    Error(command, "cannot write '" + target + "': " + reason);
    return kExitFile;
  }
  return status;
}

}  // namespace kestrum::cli
