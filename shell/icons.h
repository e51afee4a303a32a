// The toolbar's and the program's icons, drawn here: no image files to ship or lose.
#pragma once

#include <QIcon>

namespace kestrum {

enum class IconKind {
  kNew,
  kOpen,
  kSaveAs,
  kUndo,
  kCut,
  kCopy,
  kPaste,
  kFind,
  kReplace,
  kCalcReplace,
  kRotation,
  kSpaces,
  kPoints,
  kXyCx,
  kAbsInc,
  kUnit,
  kMachine,
  kScrollTogether,
  kNextChange,
  kPreviousChange,
};

QIcon ToolbarIcon(IconKind kind);
// An end mill over a blue plate.
QIcon ProgramIcon();

}  // namespace kestrum
