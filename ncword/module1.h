// Program-wide state shared by the conversions, the search commands and the dialogs.
#pragma once

#include <cstddef>
#include <string>

namespace kestrum {

// One instance lives as long as the program: the editor's main window owns it, the
// command-line converter makes one per input file. Conversions read and write the members
// they use; a scanning run keeps its per-line state in a Scanner and only InComment here.
struct Module1 {
  // NC word scanning.
  bool InComment = false;  // a "(" left open carries into the next line and the next run
  int OutDialect = 0;      // FormatCoord style: 1 OSP, 2 FANUC; 0 before any translation
  int DistanceMode = 90;   // 90 absolute, 91 incremental
  double GNumber = 0;      // last G number read on the current line
  double FeedMode = 95;    // 94 per minute, 95 per revolution
  int SpindleMode = 97;    // 96 constant surface speed, 97 revolutions per minute

  // Search and replace.
  std::u16string SearchText;
  std::u16string ReplaceText;
  std::size_t SearchPos = 0;  // characters before the point where the next search starts
  float MatchCount = 0;
  std::u16string WorkText;
  bool FirstStep = true;

  // The one undo snapshot.
  std::u16string UndoText;

  // Values the G90/G91 dialog keeps between openings.
  std::u16string SavedStartX;
  std::u16string SavedStartY;
  std::u16string SavedStartZ;
  int SavedStartComment = 0;
  int SavedEndComment = 0;
  bool SavedToIncremental = true;

  // Folders and the conversion table file name, read and written with the settings.
  std::u16string OpenPathName;
  std::u16string MachinePath;
  std::u16string MachineFileName;
};

}  // namespace kestrum
