// The conversions with a relation, run on the real programs of the corpus.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "convert/abs_inc.h"
#include "convert/points.h"
#include "convert/rotary.h"
#include "convert/spaces.h"
#include "convert/unit.h"
#include "convert/xy_cx.h"
#include "machine/conversion_table.h"
#include "machine/translate.h"
#include "motion/relations.h"
#include "search/search.h"
#include "tests/cli_util.h"
#include "tests/test_util.h"

namespace kestrum::test {

inline const char* const kPathCorpus[] = {
    "LinuxCNC-linuxcnc/cds.ngc",
    "LinuxCNC-linuxcnc/mmount.ngc",
    "LinuxCNC-linuxcnc/comp.ngc",
    "LinuxCNC-linuxcnc/comp311.ngc",
    "LinuxCNC-linuxcnc/tort.ngc",
    "LinuxCNC-linuxcnc/3D_Chips.ngc",
    "LinuxCNC-linuxcnc/boat-xyzbc.ngc",
    "LinuxCNC-linuxcnc/impeller-7bl-xyzac.ngc",
    "LinuxCNC-linuxcnc/stellabee1.ngc",
    "LinuxCNC-linuxcnc/Cereal.ngc",
    "LinuxCNC-linuxcnc/m98m99-05-M98-loops/test.ngc",
    "LinuxCNC-linuxcnc/m98m99-07-nested-subs/test.ngc",
    "CauldronDevelopmentLLC-CAMotics/cameo.nc",
    "CauldronDevelopmentLLC-CAMotics/tiger.nc",
    "CauldronDevelopmentLLC-CAMotics/botomata_bottom.nc",
    "CauldronDevelopmentLLC-CAMotics/flower_mold.nc",
    "winder-Universal-G-Code-Sender/Gates_combined_R12.nc",
    "winder-Universal-G-Code-Sender/no_spaces.gcode",
    "winder-Universal-G-Code-Sender/arc_rword_test.gcode",
    "winder-Universal-G-Code-Sender/rotation.ngc",
    "winder-Universal-G-Code-Sender/g17-g18-g19.gcode",
};

// The corpus programs are written for calculator-style input (LinuxCNC, CAM posts for
// hobby controls): X12 means 12 mm there.
inline ProgramReading CorpusReading() { return {Dialect::kFanuc, NoPoint::kMm}; }

inline std::u16string WithCrLf(std::u16string_view text) {
  Module1 m;
  return RepairLineEndsText(text, m).text;
}

inline ConversionTable ShippedTable(const char* name) {
  ConversionTable table;
  const std::string bytes = ReadBytes(std::filesystem::path(KESTRUM_SOURCE_DIR) / "tables" / name);
  EXPECT_TRUE(ReadConversionTable(bytes, table)) << name;
  return table;
}

using TextFunction = std::function<std::u16string(const std::u16string&)>;

// One conversion run on a source, and the check of its relation. A conversion that undoes
// another (to absolute, C/X to X/Y, OSP to FANUC) runs on that one's result.
struct PathConversion {
  std::string name;
  TextFunction convert;
  CheckSpec setup;
  TextFunction prepare = {};
};

inline std::vector<PathConversion> PathConversions() {
  const ProgramReading reading = CorpusReading();
  std::vector<PathConversion> list;
  const auto add = [&](std::string name, TextFunction f, CheckSpec setup,
                       TextFunction prepare = {}) {
    list.push_back({std::move(name), std::move(f), setup, std::move(prepare)});
  };
  const char* const space_names[] = {"spaces add", "spaces renumber", "spaces remove"};
  for (int i = 0; i < 3; ++i) {
    const auto mode = static_cast<SpaceMode>(i);
    add(
        space_names[i],
        [mode](const std::u16string& s) {
          Module1 m;
          return ConvertSpaces(s, mode, m);
        },
        IdenticalCheck(reading));
  }
  const char* const point_names[] = {"points add", "points add-zero", "points remove"};
  for (int i = 0; i < 3; ++i) {
    const auto mode = static_cast<PointMode>(i);
    add(
        point_names[i],
        [mode](const std::u16string& s) {
          Module1 m;
          return ConvertPoints(s, mode, m);
        },
        PointsCheck(mode, reading));
  }
  const char* const unit_names[] = {"unit um-to-mm",   "unit cmm-to-mm", "unit inch-to-mm",
                                    "unit mm-to-inch", "unit mm-to-um",  "unit mm-to-cmm"};
  for (int i = 0; i < 6; ++i) {
    const auto mode = static_cast<UnitMode>(i);
    add(
        unit_names[i],
        [mode](const std::u16string& s) {
          Module1 m;
          return ConvertUnit(s, mode, m);
        },
        UnitCheck(mode, reading));
  }
  for (const bool point : {false, true}) {
    AbsIncOptions o;
    o.to_incremental = true;
    o.point = point;
    add(
        point ? "abs-inc to inc --point" : "abs-inc to inc",
        [o](const std::u16string& s) {
          Module1 m;
          return ConvertAbsInc(s, o, m).value();
        },
        AbsIncCheck(o, reading));
  }
  {
    AbsIncOptions to_inc;
    AbsIncOptions o;
    o.to_incremental = false;
    add(
        "abs-inc to abs",
        [o](const std::u16string& s) {
          Module1 m;
          return ConvertAbsInc(s, o, m).value();
        },
        AbsIncCheck(o, reading),
        [to_inc](const std::u16string& s) {
          Module1 m;
          return ConvertAbsInc(s, to_inc, m).value();
        });
  }
  const auto xy_cx = [](XyCxDirection direction) {
    return [direction](const std::u16string& s) {
      Module1 m;
      return ConvertXyCx(s, direction, m);
    };
  };
  add("xy-cx to cx", xy_cx(XyCxDirection::kToCx), XyCxCheck(XyCxDirection::kToCx, reading));
  add("xy-cx to xy", xy_cx(XyCxDirection::kToXy), XyCxCheck(XyCxDirection::kToXy, reading),
      xy_cx(XyCxDirection::kToCx));
  for (const char16_t* axis : {u"A", u"B", u"C"}) {
    RotaryOptions o;
    o.axis = axis;
    add(
        "rotary " + Utf8(axis),
        [o](const std::u16string& s) {
          Module1 m;
          return ConvertRotary(s, o, m);
        },
        RotaryCheck(o, reading));
  }
  const auto translation = [](const char* table_name) {
    return [table = ShippedTable(table_name)](const std::u16string& s) {
      Module1 m;
      return TranslateProgram(s, table, false, m).text;
    };
  };
  add("translate to OSP", translation("FANUC→OSP.csv"), TranslateCheck(false, reading));
  add("translate to FANUC", translation("オークマ OSP→山崎技研 YZ機 FANUC.csv"),
      TranslateCheck(true, reading), translation("FANUC→OSP.csv"));
  return list;
}

}  // namespace kestrum::test
