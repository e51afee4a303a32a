// A synthetic FANUC-style milling program: the same seed and size give the same bytes.
//
// It holds what every conversion has work on: sequence numbers, rapid and cutting moves with
// X Y Z F, arcs with I J, comments, M codes, tool changes, lines without blanks, G04 dwells,
// G91 incremental sections and C axis moves.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>

namespace kestrum::bench {

class ProgramWriter {
 public:
  ProgramWriter(std::uint64_t seed, bool lf_only) : random_(seed), eol_(lf_only ? "\n" : "\r\n") {}

  // About `size` bytes (it stops after the first block that reaches it, then ends the program).
  std::string Write(std::size_t size) {
    out_.clear();
    out_.reserve(size + 4096);
    Line("%");
    Line("O1234 (KESTRUM SYNTHETIC MILLING PROGRAM)");
    Block("G21 G17 G40 G49 G80 G90");
    while (out_.size() < size) Operation();
    Block("G91 G28 Z0 M05");
    Block("M30");
    Line("%");
    return std::move(out_);
  }

 private:
  // Plain modulo rather than a distribution, whose results differ between standard libraries.
  int Int(int low, int high) {
    return low + static_cast<int>(random_() % static_cast<std::uint64_t>(high - low + 1));
  }
  bool Chance(int percent) { return Int(1, 100) <= percent; }

  void Line(std::string_view text) {
    out_ += text;
    out_ += eol_;
  }

  // "N120 " in front of most blocks.
  void Number() {
    if (Chance(85)) {
      sequence_ += 10;
      Word('N', sequence_);
      out_ += ' ';
    }
  }

  void Block(std::string_view text) {
    Number();
    Line(text);
  }

  void Word(char letter, long value) {
    out_ += letter;
    char buf[24];
    out_.append(buf, std::to_chars(buf, buf + sizeof buf, value).ptr);
  }

  // A coordinate in thousandths written the ways programs write them: "12.5", "12.", "-0.035",
  // "12" (an integer, in increments), ".5".
  void Coord(char letter, long thousandths) {
    out_ += letter;
    if (thousandths != 0 && thousandths % 1000 == 0 && Chance(10)) {
      char buf[24];
      out_.append(buf, std::to_chars(buf, buf + sizeof buf, thousandths).ptr);
      return;
    }
    if (thousandths < 0) out_ += '-';
    const unsigned long a = thousandths < 0 ? -thousandths : thousandths;
    char buf[24];
    // ".5" but never a bare ".", which no control reads as a number.
    if (a >= 1000 || a == 0 || Chance(70))
      out_.append(buf, std::to_chars(buf, buf + sizeof buf, a / 1000).ptr);
    out_ += '.';
    unsigned long fraction = a % 1000;
    if (fraction != 0) {
      int digits = 3;
      while (fraction % 10 == 0) {
        fraction /= 10;
        --digits;
      }
      char f[4];
      const auto end = std::to_chars(f, f + sizeof f, fraction).ptr;
      out_.append(digits - (end - f), '0');
      out_.append(f, end);
    }
  }

  // Words of a block, with or without blanks between them.
  void Sep(bool blanks) {
    if (blanks) out_ += ' ';
  }

  void EndBlock() { out_ += eol_; }

  long Position() { return Int(-200000, 200000); }

  void ToolChange() {
    tool_ = tool_ % 20 + 1;
    out_ += "(TOOL ";
    char buf[8];
    out_.append(buf, std::to_chars(buf, buf + sizeof buf, tool_).ptr);
    out_ += " D";
    out_.append(buf, std::to_chars(buf, buf + sizeof buf, 2 + tool_ % 10 * 2).ptr);
    out_ += " END MILL)";
    out_ += eol_;
    Number();
    Word('T', tool_);
    out_ += " M06";
    out_ += eol_;
    Number();
    out_ += "G00 G90 G54 ";
    Coord('X', Position());
    out_ += ' ';
    Coord('Y', Position());
    out_ += " S";
    out_.append(std::to_string(Int(8, 60) * 100));
    out_ += " M03";
    out_ += eol_;
    Number();
    out_ += "G43 ";
    Coord('Z', 50000);
    out_ += " H";
    out_.append(std::to_string(tool_));
    out_ += " M08";
    out_ += eol_;
  }

  void Move(bool blanks) {
    Number();
    const int kind = Int(0, 9);
    if (kind < 2) {
      out_ += "G00";
      Sep(blanks);
      Coord('X', Position());
      Sep(blanks);
      Coord('Y', Position());
      if (Chance(40)) {
        Sep(blanks);
        Coord('Z', Int(-30000, 50000));
      }
    } else if (kind < 7) {
      out_ += kind < 4 ? "G01" : "";
      if (kind < 4) Sep(blanks);
      Coord('X', Position());
      Sep(blanks);
      Coord('Y', Position());
      if (Chance(30)) {
        Sep(blanks);
        Coord('Z', Int(-30000, 0));
      }
      if (Chance(30)) {
        Sep(blanks);
        Word('F', Int(5, 60) * 50);
      }
    } else {
      out_ += kind == 7 ? "G02" : "G03";
      Sep(blanks);
      Coord('X', Position());
      Sep(blanks);
      Coord('Y', Position());
      Sep(blanks);
      Coord('I', Int(-50000, 50000));
      Sep(blanks);
      Coord('J', Int(-50000, 50000));
      if (Chance(50)) {
        Sep(blanks);
        Word('F', Int(5, 40) * 50);
        out_ += '.';
      }
    }
    EndBlock();
  }

  // One machining operation: a tool change now and then, moves, and the odd special block.
  void Operation() {
    if (Chance(3)) ToolChange();
    const bool blanks = !Chance(25);
    if (Chance(5)) out_ += "(ROUGHING PASS)" + std::string(eol_);
    for (int i = Int(5, 20); i > 0; --i) Move(blanks);
    const int special = Int(0, 19);
    if (special == 0) {
      Block("G04 X1.5");
    } else if (special == 1) {
      Block("G91 G01 X1.5 Y-2. F300");
      Block("X-0.5 Y0.25");
      Block("G90");
    } else if (special == 2) {
      Number();
      Coord('C', Int(-360, 360) * 500);
      out_ += " F1000";
      EndBlock();
      Number();
      out_ += "G00 ";
      Coord('C', Int(-360, 360) * 500);
      EndBlock();
    } else if (special == 3) {
      Block("M09");
      Block("M01");
    }
  }

  std::mt19937_64 random_;
  std::string_view eol_;
  std::string out_;
  long sequence_ = 0;
  int tool_ = 0;
};

inline std::string SyntheticProgram(std::size_t size, std::uint64_t seed = 1,
                                    bool lf_only = false) {
  return ProgramWriter(seed, lf_only).Write(size);
}

}  // namespace kestrum::bench
