#include "shell/text_pane.h"

#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>
#include <Qsci/qscidocument.h>

#include <QAccessible>
#include <QAccessibleWidget>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <cstring>

#include "shell/nc_lexer.h"
#include "shell/qt_util.h"

namespace kestrum {
namespace {

using Sci = QsciScintillaBase;
constexpr long kUtf16 = Sci::SC_LINECHARACTERINDEX_UTF16;

// Markers of a changed line: a bar in the marker margin, and the line's background.
constexpr int kChangeBar = 0;
constexpr int kChangeLine = 1;
constexpr int kMarkerMargin = 1;

// A large text goes in in pieces of this many code units, and the window repaints between
// them when this much time has passed.
constexpr std::size_t kPieceUnits = std::size_t{4} << 20;
constexpr qint64 kRepaintMs = 100;
// A pane that held this much more than its new text gets a new document, so that the memory
// of the old one is given back.
constexpr std::size_t kLargeDocument = std::size_t{1} << 20;

// This program's own clipboard text, kept exactly: UTF-16 code units in machine order.
const QString kExactTextMime = QStringLiteral("application/x-kestrum-text");

std::u16string FromMime(const QMimeData& data) {
  if (data.hasFormat(kExactTextMime)) {
    const QByteArray bytes = data.data(kExactTextMime);
    return std::u16string(reinterpret_cast<const char16_t*>(bytes.constData()),
                          static_cast<std::size_t>(bytes.size()) / sizeof(char16_t));
  }
  // Other programs end lines in LF here; an NC program's lines end in CR LF.
  const std::u16string text = data.text().toStdU16String();
  std::u16string out;
  out.reserve(text.size() + text.size() / 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r')) out += u'\r';
    out += text[i];
  }
  return out;
}

QMimeData* ToMime(std::u16string_view text) {
  auto* data = new QMimeData;
  data->setText(QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())));
  data->setData(kExactTextMime, QByteArray(reinterpret_cast<const char*>(text.data()),
                                           static_cast<qsizetype>(text.size() * sizeof(char16_t))));
  return data;
}

bool IsEditMenuKey(const QKeyEvent& e) {
  return e.matches(QKeySequence::Cut) || e.matches(QKeySequence::Copy) ||
         e.matches(QKeySequence::Paste) || e.matches(QKeySequence::SelectAll);
}

// Adds placeholders (sorted, all at or after the ones of table that they follow) to table.
void Merge(std::vector<Placeholder>& table, const std::vector<Placeholder>& added) {
  if (added.empty()) return;
  const auto at =
      std::lower_bound(table.begin(), table.end(), added.front().pos,
                       [](const Placeholder& p, std::size_t pos) { return p.pos < pos; });
  table.insert(at, added.begin(), added.end());
}

// Whether pos is the start of a character of bytes (or its end).
bool IsCharStart(std::string_view bytes, std::size_t pos) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  for (std::size_t k = 1; k <= 3 && k <= pos; ++k) {
    if (p[pos - k] >= 0xC2 && p[pos - k] <= 0xF4 &&
        PaneCharWidth(p + pos - k, bytes.size() - (pos - k)) > static_cast<int>(k)) {
      return false;
    }
  }
  return true;
}

// The bytes that two texts share at their start, and then at their end, in bytes and in
// placeholders alike, cut at character starts in both.
std::pair<std::size_t, std::size_t> SharedEnds(std::string_view a,
                                               const std::vector<Placeholder>& pa,
                                               std::string_view b,
                                               const std::vector<Placeholder>& pb) {
  const std::size_t most = std::min(a.size(), b.size());
  std::size_t prefix = 0;
  constexpr std::size_t kBlock = 4096;
  while (prefix + kBlock <= most &&
         std::memcmp(a.data() + prefix, b.data() + prefix, kBlock) == 0) {
    prefix += kBlock;
  }
  while (prefix < most && a[prefix] == b[prefix]) ++prefix;
  for (std::size_t i = 0; i < pa.size() || i < pb.size(); ++i) {
    const bool same = i < pa.size() && i < pb.size() && pa[i] == pb[i];
    if (same && pa[i].pos < prefix) continue;
    const std::size_t first =
        std::min(i < pa.size() ? pa[i].pos : SIZE_MAX, i < pb.size() ? pb[i].pos : SIZE_MAX);
    prefix = std::min(prefix, first);
    break;
  }
  while (prefix > 0 && !(IsCharStart(a, prefix) && IsCharStart(b, prefix))) --prefix;

  std::size_t suffix = 0;
  const std::size_t room = most - prefix;
  while (suffix + kBlock <= room &&
         std::memcmp(a.data() + a.size() - suffix - kBlock, b.data() + b.size() - suffix - kBlock,
                     kBlock) == 0) {
    suffix += kBlock;
  }
  while (suffix < room && a[a.size() - 1 - suffix] == b[b.size() - 1 - suffix]) ++suffix;
  for (std::size_t i = 0; i < pa.size() || i < pb.size(); ++i) {
    const Placeholder* x = i < pa.size() ? &pa[pa.size() - 1 - i] : nullptr;
    const Placeholder* y = i < pb.size() ? &pb[pb.size() - 1 - i] : nullptr;
    const std::size_t dx = x ? a.size() - x->pos : SIZE_MAX;  // distance from the end
    const std::size_t dy = y ? b.size() - y->pos : SIZE_MAX;
    if (x && y && dx == dy && x->byte == y->byte && dx <= suffix) continue;
    suffix = std::min(suffix, std::min(dx, dy) - 1);
    break;
  }
  while (suffix > 0 && !(IsCharStart(a, a.size() - suffix) && IsCharStart(b, b.size() - suffix))) {
    --suffix;
  }
  return {prefix, suffix};
}

// The panes' accessibility: a plain editable text widget. QScintilla's own interface, once
// created, counts the characters from the start of the document to the caret at every
// update of the screen, which makes each keystroke near the end of a large program cost
// as much as reading it. Factories installed later are asked first.
QAccessibleInterface* PaneAccessible(const QString& class_name, QObject* object) {
  if (class_name == QLatin1String("kestrum::NcTextEdit") && object && object->isWidgetType()) {
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::EditableText);
  }
  return nullptr;
}

}  // namespace

NcTextEdit::NcTextEdit(QWidget* parent) : QsciScintilla(parent) {
  static const bool accessible_installed = [] {
    QAccessible::installFactory(PaneAccessible);
    return true;
  }();
  (void)accessible_installed;
  ConfigureDocument();
  setEolMode(EolWindows);  // a typed line end is CR LF; nothing converts the others
  Send(SCI_SETPASTECONVERTENDINGS, 0);
  // Only the notices before a change: QScintilla answers the ones after it by counting the
  // characters from the start of the document to the change for its accessibility support,
  // which makes every keystroke in a large program cost as much as reading it.
  Send(SCI_SETMODEVENTMASK, SC_MOD_BEFOREINSERT | SC_MOD_BEFOREDELETE);
  // Colours come for the lines on the screen at once and for the lines above them in idle
  // time: a jump to the end of a large program does not wait for its middle.
  Send(SCI_SETIDLESTYLING, SC_IDLESTYLING_TOVISIBLE);
  setWrapMode(WrapNone);
  Send(SCI_SETSCROLLWIDTH, 1);
  Send(SCI_SETSCROLLWIDTHTRACKING, 1);

  // Ctrl+U and Ctrl+Shift+U would change the case of the selected words without a trace; a
  // controller reads capitals only.
  for (const auto command : {QsciCommand::SelectionLowerCase, QsciCommand::SelectionUpperCase}) {
    if (QsciCommand* bound = standardCommands()->find(command)) {
      bound->setKey(0);
      bound->setAlternateKey(0);
    }
  }

  lexer_ = new NcLexer(font(), this);
  setLexer(lexer_);

  setMarginType(0, NumberMargin);
  setMarginLineNumbers(0, true);
  Send(SCI_SETMARGINTYPEN, kMarkerMargin, SC_MARGIN_SYMBOL);
  Send(SCI_SETMARGINMASKN, kMarkerMargin, 1 << kChangeBar);
  Send(SCI_SETMARGINWIDTHN, kMarkerMargin, 6);
  Send(SCI_SETMARGINWIDTHN, 2, 0);
  Send(SCI_MARKERDEFINE, kChangeBar, SC_MARK_LEFTRECT);
  SendScintilla(SCI_MARKERSETBACK, kChangeBar, QColor(235, 140, 0));
  Send(SCI_MARKERDEFINE, kChangeLine, SC_MARK_BACKGROUND);
  SendScintilla(SCI_MARKERSETBACK, kChangeLine, QColor(255, 244, 196));

  connect(this, &QsciScintillaBase::SCN_MODIFIED, this,
          [this](int position, int type, const char*, int length, int, int, int, int, int, int) {
            BeforeChange(position, type, length);
          });
  connect(this, &QsciScintillaBase::SCN_UPDATEUI, this, [this](int updated) {
    if (updated & (SC_UPDATE_V_SCROLL | SC_UPDATE_H_SCROLL)) emit Scrolled();
    ShowChangeMarkers();
  });
  connect(this, &QsciScintillaBase::SCN_PAINTED, this, &NcTextEdit::ShowChangeMarkers);
  connect(this, &QsciScintillaBase::SCN_ZOOM, this, [this] {
    FitLineNumbers();
    emit ZoomChanged(static_cast<int>(Send(SCI_GETZOOM)));
  });
  FitLineNumbers();
}

NcTextEdit::~NcTextEdit() { setLexer(nullptr); }

void NcTextEdit::SetPaneFont(const QFont& font) {
  lexer_->setDefaultFont(font);
  lexer_->setFont(font);
  setMarginsFont(font);
  number_digits_ = 0;
  FitLineNumbers();
}

// Per-document settings: a new document needs them again.
void NcTextEdit::ConfigureDocument() {
  Send(SCI_SETCODEPAGE, SC_CP_UTF8);
  Send(SCI_SETEOLMODE, SC_EOL_CRLF);
  // Undo is the program's single snapshot; Scintilla's history would also keep every large
  // text that is set.
  Send(SCI_SETUNDOCOLLECTION, 0);
  Send(SCI_EMPTYUNDOBUFFER);
  ascii_ = true;
  indexed_ = false;
}

// A document of ASCII alone has one byte for every code unit, and needs no index to say
// where a position is. Scintilla's UTF-16 line index costs a third of the time that putting
// a large program in takes, so it is kept only while the document holds something else.
void NcTextEdit::EnsureIndex() const {
  if (ascii_ || indexed_) return;
  Send(SCI_ALLOCATELINECHARACTERINDEX, kUtf16);
  indexed_ = true;
}

// The index is built as soon as the event loop is free, rather than at the first position
// asked for (a search, a cut), which would wait for it.
void NcTextEdit::BuildIndexSoon() {
  if (!index_eagerly_ || ascii_ || indexed_ || index_soon_) return;
  index_soon_ = true;
  QTimer::singleShot(0, this, [this] {
    index_soon_ = false;
    EnsureIndex();
  });
}

void NcTextEdit::DropIndex() {
  if (!indexed_) return;
  Send(SCI_RELEASELINECHARACTERINDEX, kUtf16);
  indexed_ = false;
}

void NcTextEdit::FreshDocument() {
  FinishChange();
  marked_.clear();
  changed_.clear();
  placeholders_.clear();
  edges_.clear();
  joins_.clear();
  setDocument(QsciDocument());
  ConfigureDocument();
  lexer_->Reset();
  lines_changed_ = true;
}

std::size_t NcTextEdit::Length() const { return static_cast<std::size_t>(Send(SCI_GETLENGTH)); }

std::string_view NcTextEdit::Bytes(std::size_t from, std::size_t length) const {
  if (length == 0) return {};
  const auto* p =
      reinterpret_cast<const char*>(Send(SCI_GETRANGEPOINTER, from, static_cast<long>(length)));
  return p ? std::string_view(p, length) : std::string_view();
}

// Lines of ASCII (most of a program) have one byte per code unit; only other lines are
// walked, and only up to the position.
std::size_t NcTextEdit::ToByte(std::size_t pos) const {
  if (ascii_) {
    const std::size_t byte = std::min(pos, Length());
    return byte > 0 && Bytes(byte - 1, std::min<std::size_t>(2, Length() - byte + 1)) == "\r\n"
               ? byte - 1
               : byte;
  }
  EnsureIndex();
  const auto lines = static_cast<unsigned long>(Send(SCI_GETLINECOUNT));
  const auto index = [this](unsigned long line) {
    return static_cast<std::size_t>(Send(SCI_INDEXPOSITIONFROMLINE, line, kUtf16));
  };
  const auto line_start = [this](unsigned long line) {
    return static_cast<std::size_t>(Send(SCI_POSITIONFROMLINE, line));
  };
  if (pos >= index(lines)) return Length();
  const auto line = static_cast<unsigned long>(Send(SCI_LINEFROMINDEXPOSITION, pos, kUtf16));
  const std::size_t units = index(line);
  const std::size_t start = line_start(line);
  const std::size_t end = line_start(line + 1);
  const std::size_t offset = pos - units;
  std::size_t byte;
  if (index(line + 1) - units == end - start) {
    byte = start + offset;
  } else {
    // A position inside a surrogate pair stands before the pair.
    const std::string_view bytes = Bytes(start, end - start);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t i = 0;
    for (std::size_t counted = 0; i < bytes.size();) {
      const int width = PaneCharWidth(p + i, bytes.size() - i);
      counted += static_cast<std::size_t>(PaneCharUnits(width));
      if (counted > offset) break;
      i += static_cast<std::size_t>(width);
    }
    byte = start + i;
  }
  // Between CR and LF: before the CR.
  if (byte > start && byte < end && Bytes(byte - 1, 2) == "\r\n") --byte;
  return byte;
}

std::size_t NcTextEdit::FromByte(std::size_t byte) const {
  if (ascii_) return byte;
  EnsureIndex();
  const long line = Send(SCI_LINEFROMPOSITION, byte);
  const auto units = static_cast<std::size_t>(
      Send(SCI_INDEXPOSITIONFROMLINE, static_cast<unsigned long>(line), kUtf16));
  const auto start =
      static_cast<std::size_t>(Send(SCI_POSITIONFROMLINE, static_cast<unsigned long>(line)));
  if (byte <= start) return units;
  return units + static_cast<std::size_t>(Send(SCI_COUNTCODEUNITS, start, static_cast<long>(byte)));
}

std::u16string NcTextEdit::Text() const {
  std::u16string out;
  TextInto(out);
  if (out.capacity() - out.size() > out.size() / 4) out.shrink_to_fit();
  return out;
}

void NcTextEdit::TextInto(std::u16string& out) const {
  out.clear();
  const std::size_t length = Length();
  if (length == 0) return;
  const auto* p = static_cast<const char*>(SendScintillaPtrResult(SCI_GETCHARACTERPOINTER));
  DecodeFromPane(std::string_view(p, length), 0, placeholders_, out);
}

std::size_t NcTextEdit::SelStart() const {
  return FromByte(static_cast<std::size_t>(Send(SCI_GETSELECTIONSTART)));
}

std::size_t NcTextEdit::SelLength() const {
  return FromByte(static_cast<std::size_t>(Send(SCI_GETSELECTIONEND))) - SelStart();
}

void NcTextEdit::Select(std::size_t start, std::size_t length) {
  const std::size_t end = start > SIZE_MAX - length ? SIZE_MAX : start + length;
  Send(SCI_SETSEL, ToByte(start), static_cast<long>(ToByte(end)));
}

std::u16string NcTextEdit::SelectedText() const {
  const auto from = static_cast<std::size_t>(Send(SCI_GETSELECTIONSTART));
  const auto to = static_cast<std::size_t>(Send(SCI_GETSELECTIONEND));
  std::u16string out;
  DecodeFromPane(Bytes(from, to - from), from, placeholders_, out);
  return out;
}

void NcTextEdit::ReplaceBytes(std::size_t from, std::size_t to, std::string_view bytes,
                              const std::vector<Placeholder>& placeholders) {
  Send(SCI_SETTARGETRANGE, from, static_cast<long>(to));
  // Scintilla wants a pointer also for nothing.
  const char* data = bytes.empty() ? "" : bytes.data();
  Send(SCI_REPLACETARGET, bytes.size(), reinterpret_cast<long>(data));
  Merge(placeholders_, placeholders);
}

// A new text that shares most of the old one (Undo after a cut, a replacement, a search that
// replaced one word) only has its changed middle put in. A large text that shares little
// goes in piece by piece, without a second copy of it in the pane's encoding, and the window
// repaints in between (input waits until the text is complete).
void NcTextEdit::Assign(std::u16string_view text) {
  ++quiet_;
  FinishChange();
  ClearMarkers();
  changed_.clear();
  if (text.size() > kPieceUnits && SharesLittle(text)) {
    Stream(text);
  } else {
    std::string bytes;
    std::vector<Placeholder> placeholders;
    const bool ascii = EncodeForPane(text, {}, 0, bytes, placeholders);
    if (ascii) DropIndex();
    if (Length() > kLargeDocument && bytes.size() < Length() / 4) FreshDocument();
    const std::size_t old_length = Length();
    const auto* old = static_cast<const char*>(SendScintillaPtrResult(SCI_GETCHARACTERPOINTER));
    const auto [prefix, suffix] =
        SharedEnds(std::string_view(old, old_length), placeholders_, bytes, placeholders);
    if (prefix + suffix < old_length || prefix + suffix < bytes.size()) {
      ReplaceBytes(prefix, old_length - suffix,
                   std::string_view(bytes).substr(prefix, bytes.size() - prefix - suffix), {});
    }
    placeholders_ = std::move(placeholders);
    ascii_ = ascii;
  }
  Send(SCI_GOTOPOS, 0);
  AfterEdit();
  --quiet_;
  emit Changed();
}

// Whether text and the pane's text have little in common at their start and their end: a
// conversion's result, a new file. Only a piece at each end is compared.
bool NcTextEdit::SharesLittle(std::u16string_view text) const {
  const std::size_t length = Length();
  if (length < text.size() / 4) return true;
  std::string head;
  std::string tail;
  std::vector<Placeholder> unused;
  EncodeForPane(text.substr(0, kPieceUnits), text.substr(kPieceUnits, 3), 0, head, unused);
  EncodeForPane(text.substr(text.size() - kPieceUnits), {}, 0, tail, unused);
  const std::string_view old_head = Bytes(0, std::min(length, head.size()));
  const std::string_view old_tail =
      Bytes(length - std::min(length, tail.size()), std::min(length, tail.size()));
  return old_head != head && old_tail != tail;
}

// The text goes in piece by piece after the old one is gone.
void NcTextEdit::Stream(std::u16string_view text) {
  QElapsedTimer since_repaint;
  since_repaint.start();
  const auto repaint_if_due = [&] {
    if (since_repaint.elapsed() <= kRepaintMs) return;
    FinishChange();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    since_repaint.restart();
  };
  if (Length() > 2 * text.size()) {
    FreshDocument();
  } else {
    ReplaceBytes(0, Length(), {}, {});
    placeholders_.clear();
  }
  DropIndex();
  // Room for a text of one byte a unit at once: grown piece by piece, the buffers would be
  // copied again and again. With room to spare, so that the first keystroke does not make
  // Scintilla copy the whole text into a larger buffer.
  Send(SCI_ALLOCATE, text.size() + text.size() / 64 + (std::size_t{1} << 20));
  repaint_if_due();
  ascii_ = true;
  std::string bytes;
  std::vector<Placeholder> placeholders;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = std::min(text.size(), at + kPieceUnits);
    // A surrogate pair stays in one piece.
    if (end < text.size() && text[end - 1] >= 0xD800 && text[end - 1] <= 0xDBFF) --end;
    bytes.clear();
    placeholders.clear();
    const std::size_t length = Length();
    ascii_ = EncodeForPane(text.substr(at, end - at), text.substr(end, 3), length, bytes,
                           placeholders) &&
             ascii_;
    ReplaceBytes(length, length, bytes, placeholders);
    at = end;
    if (at < text.size()) repaint_if_due();
  }
}

void NcTextEdit::ReplaceSelection(std::u16string_view text) {
  const auto from = static_cast<std::size_t>(Send(SCI_GETSELECTIONSTART));
  const auto to = static_cast<std::size_t>(Send(SCI_GETSELECTIONEND));
  // The first characters after the selection decide whether a raw byte at the end of the
  // text pairs up with them.
  std::u16string after;
  DecodeFromPane(Bytes(to, std::min<std::size_t>(12, Length() - to)), to, placeholders_, after);
  after.resize(std::min<std::size_t>(after.size(), 3));
  std::string bytes;
  std::vector<Placeholder> placeholders;
  const bool ascii = EncodeForPane(text, after, from, bytes, placeholders);
  ++quiet_;
  ReplaceBytes(from, to, bytes, placeholders);
  ascii_ = ascii_ && ascii;
  Send(SCI_GOTOPOS, from + bytes.size());
  AfterEdit();
  --quiet_;
  emit Changed();
}

void NcTextEdit::TakeTextOf(NcTextEdit& other) {
  other.ClearMarkers();
  other.FinishChange();
  ++quiet_;
  FinishChange();
  ClearMarkers();
  changed_.clear();
  setDocument(other.document());
  placeholders_ = std::move(other.placeholders_);
  ascii_ = other.ascii_;
  indexed_ = other.indexed_;
  edges_.clear();
  joins_.clear();
  lexer_->Reset();
  other.FreshDocument();
  Send(SCI_GOTOPOS, 0);
  lines_changed_ = true;
  AfterEdit();
  other.AfterEdit();
  --quiet_;
  emit other.Changed();
  emit Changed();
}

void NcTextEdit::BeforeChange(int position, int type, int length) {
  const bool inserted = (type & SC_MOD_BEFOREINSERT) != 0;
  if (!inserted && !(type & SC_MOD_BEFOREDELETE)) return;
  FinishChange();  // the one before is done by now
  const auto pos = static_cast<std::size_t>(position);
  const auto len = static_cast<std::size_t>(length);
  auto first = std::lower_bound(placeholders_.begin(), placeholders_.end(), pos,
                                [](const Placeholder& p, std::size_t at) { return p.pos < at; });
  if (inserted) {
    for (auto it = first; it != placeholders_.end(); ++it) it->pos += len;
    for (std::size_t& edge : edges_) edge += edge >= pos ? len : 0;
    for (std::size_t& cr : joins_) cr += cr >= pos ? len : 0;
    lexer_->TextInserted(pos, len);
    if (settling_ == 0) {
      edges_.push_back(pos);
      edges_.push_back(pos + len);
    }
  } else {
    auto last = std::lower_bound(first, placeholders_.end(), pos + len,
                                 [](const Placeholder& p, std::size_t at) { return p.pos < at; });
    for (auto it = last; it != placeholders_.end(); ++it) it->pos -= len;
    placeholders_.erase(first, last);
    for (std::size_t& edge : edges_) edge = edge > pos + len ? edge - len : std::min(edge, pos);
    for (std::size_t& cr : joins_) cr = cr >= pos + len ? cr - len : std::min(cr, pos);
    lexer_->TextDeleted(pos, len);
    if (settling_ == 0) edges_.push_back(pos);
  }
  change_ = {true, pos, inserted ? len : 0,
             static_cast<std::size_t>(Send(SCI_LINEFROMPOSITION, pos)), Send(SCI_GETLINECOUNT)};
}

void NcTextEdit::FinishChange() {
  if (!change_.pending) return;
  change_.pending = false;
  const std::size_t pos = change_.position;
  if (ascii_ && change_.inserted > 0) {
    const std::string_view added = Bytes(pos, change_.inserted);
    ascii_ = std::all_of(added.begin(), added.end(), [](char c) { return (c & 0x80) == 0; });
  }
  if (settling_ == 0 && pos > 0 && Send(SCI_GETCHARAT, pos - 1) == '\r' &&
      Send(SCI_GETCHARAT, pos) == '\n') {
    joins_.push_back(pos - 1);  // an LF came to stand after a CR
  }
  const long lines_added = Send(SCI_GETLINECOUNT) - change_.lines_before;
  if (lines_added != 0) {
    const std::size_t line = change_.line;
    ShiftRuns(changed_, line, lines_added);
    // Scintilla moves markers with their lines, and puts those of removed lines on the line
    // they were joined to.
    for (std::size_t& m : marked_) {
      if (m <= line) continue;
      if (lines_added > 0) {
        m += static_cast<std::size_t>(lines_added);
      } else {
        const auto removed = static_cast<std::size_t>(-lines_added);
        m = m <= line + removed ? line : m - removed;
      }
    }
    marked_.erase(std::unique(marked_.begin(), marked_.end()), marked_.end());
    lines_changed_ = true;
  }
  if (quiet_ == 0) emit Changed();
}

void NcTextEdit::AfterEdit() {
  FinishChange();
  BuildIndexSoon();
  if (!composing_) {
    RejoinLineEnds();
    SettleEdits();
  }
  if (lines_changed_) {
    lines_changed_ = false;
    FitLineNumbers();
  }
}

// Scintilla's UTF-16 line index miscounts the line of a CR that an LF comes to stand after
// (by an insertion after it, or a deletion between them). Putting the pair in anew makes
// Scintilla count that line again.
void NcTextEdit::RejoinLineEnds() {
  if (joins_.empty()) return;
  std::vector<std::size_t> joins;
  joins.swap(joins_);
  std::sort(joins.begin(), joins.end());
  joins.erase(std::unique(joins.begin(), joins.end()), joins.end());
  ++settling_;
  ++quiet_;
  for (const std::size_t cr : joins) {
    if (Bytes(cr, std::min<std::size_t>(2, Length() - std::min(cr, Length()))) == "\r\n") {
      ReplaceBytes(cr, cr + 2, "\r\n", {});
    }
  }
  FinishChange();
  --quiet_;
  --settling_;
}

void NcTextEdit::SettleEdits() {
  if (edges_.empty()) return;
  std::vector<std::size_t> edges;
  edges.swap(edges_);
  std::sort(edges.begin(), edges.end());
  edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
  ++settling_;
  ++quiet_;
  const std::size_t length = Length();
  for (const std::size_t edge : edges) {
    if (edge > length) continue;
    for (std::size_t k = 1; k <= 3 && k <= edge; ++k) {
      const std::size_t at = edge - k;
      const std::string_view bytes = Bytes(at, std::min<std::size_t>(4, length - at));
      const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
      if (bytes.empty() || p[0] < 0xC2 || p[0] > 0xF4) continue;
      if (PaneCharWidth(p, bytes.size()) <= static_cast<int>(k)) continue;
      // A raw byte before the edge and raw bytes after it spell a character: the first
      // byte keeps standing for itself as a placeholder. The length stays the same.
      const unsigned char raw = p[0];
      const char placeholder = static_cast<char>(kPlaceholder);
      ReplaceBytes(at, at + 1, std::string_view(&placeholder, 1), {{at, raw}});
      break;
    }
  }
  FinishChange();
  --quiet_;
  --settling_;
}

bool NcTextEdit::event(QEvent* e) {
  if (e->type() == QEvent::ShortcutOverride && IsEditMenuKey(*static_cast<QKeyEvent*>(e))) {
    // The source pane lets the Edit menu's shortcut run (it takes the undo snapshot); the
    // preview cuts, copies and pastes itself.
    if (edit_keys_to_menu_) {
      e->ignore();
    } else {
      e->accept();
    }
    return true;
  }
  const bool done = QsciScintilla::event(e);
  AfterEdit();
  return done;
}

bool NcTextEdit::viewportEvent(QEvent* e) {
  const bool done = QsciScintilla::viewportEvent(e);
  AfterEdit();  // a drop
  return done;
}

// Scintilla's own paste would make every line end of the clipboard text CR LF.
void NcTextEdit::paste() { ReplaceSelection(ClipboardText()); }

void NcTextEdit::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Insert && e->modifiers() == Qt::NoModifier) {
    emit InsertKeyPressed();
    e->accept();
    return;
  }
  if (edit_keys_to_menu_ && IsEditMenuKey(*e)) {
    e->ignore();
    return;
  }
  if (e->matches(QKeySequence::Paste)) {
    paste();
    e->accept();
    return;
  }
  if (e->key() == Qt::Key_0 && (e->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier) {
    zoomTo(0);
    e->accept();
    return;
  }
  QsciScintilla::keyPressEvent(e);
}

void NcTextEdit::mousePressEvent(QMouseEvent* e) {
  if (edit_keys_to_menu_ && e->button() == Qt::RightButton) {
    setFocus(Qt::MouseFocusReason);
    emit RightButtonPressed(e->globalPosition().toPoint());
    e->accept();
    return;
  }
  if (e->button() == Qt::MiddleButton) {
    // The X11 selection pasted where the button went down, as the clipboard is pasted.
    const QMimeData* data = QGuiApplication::clipboard()->mimeData(QClipboard::Selection);
    if (data && QGuiApplication::clipboard()->supportsSelection()) {
      const QPoint at = e->position().toPoint();
      Send(SCI_SETEMPTYSELECTION,
           static_cast<unsigned long>(Send(SCI_POSITIONFROMPOINT,
                                           static_cast<unsigned long>(std::max(at.x(), 0)),
                                           std::max(at.y(), 0))));
      ReplaceSelection(FromMime(*data));
    }
    e->accept();
    return;
  }
  QsciScintilla::mousePressEvent(e);
}

void NcTextEdit::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::MiddleButton) {
    e->accept();  // pasted when the button went down
    return;
  }
  QsciScintilla::mouseReleaseEvent(e);
}

void NcTextEdit::contextMenuEvent(QContextMenuEvent* e) {
  if (edit_keys_to_menu_) {
    e->accept();  // the right button press showed the Edit menu
    return;
  }
  QsciScintilla::contextMenuEvent(e);
}

// Scintilla shows the text being composed in place as an edit that it takes back with its
// undo history at each change of the composition, so the history is kept while one lasts.
void NcTextEdit::inputMethodEvent(QInputMethodEvent* e) {
  if (!composing_) Send(SCI_SETUNDOCOLLECTION, 1);
  QsciScintilla::inputMethodEvent(e);
  composing_ = !e->preeditString().isEmpty();
  if (!composing_) {
    Send(SCI_SETUNDOCOLLECTION, 0);
    Send(SCI_EMPTYUNDOBUFFER);
  }
}

// What an input method may ask about the text around the caret, from the caret's line (at
// most a few thousand bytes of it). QScintilla answers with the whole paragraph, which in a
// program without blank lines is the whole document, copied at every move of the caret.
QVariant NcTextEdit::inputMethodQuery(Qt::InputMethodQuery query) const {
  if (query != Qt::ImSurroundingText && query != Qt::ImCursorPosition &&
      query != Qt::ImAnchorPosition && query != Qt::ImCurrentSelection) {
    return QsciScintilla::inputMethodQuery(query);
  }
  if (query == Qt::ImCurrentSelection) {
    constexpr long kMostSelected = 4096;
    if (Send(SCI_GETSELECTIONEND) - Send(SCI_GETSELECTIONSTART) > kMostSelected) return QString();
    const std::u16string selected = SelectedText();
    return Q(selected);
  }
  constexpr long kAround = 2048;
  const long caret = Send(SCI_GETCURRENTPOS);
  const long anchor = Send(SCI_GETANCHOR);
  const auto line =
      static_cast<unsigned long>(Send(SCI_LINEFROMPOSITION, static_cast<unsigned long>(caret)));
  long from = Send(SCI_POSITIONFROMLINE, line);
  long to = Send(SCI_GETLINEENDPOSITION, line);
  // Cut at the start of a character: the one that holds the byte.
  const auto char_start = [this](long at) {
    return Send(SCI_POSITIONBEFORE, static_cast<unsigned long>(at + 1));
  };
  if (caret - from > kAround) from = char_start(caret - kAround);
  if (to - caret > kAround) to = char_start(caret + kAround);
  const auto units = [this, from](long at) {
    return static_cast<int>(
        PaneUnits(Bytes(static_cast<std::size_t>(from), static_cast<std::size_t>(at - from))));
  };
  switch (query) {
    case Qt::ImSurroundingText: {
      std::u16string text;
      DecodeFromPane(Bytes(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from)),
                     static_cast<std::size_t>(from), placeholders_, text);
      return Q(text);
    }
    case Qt::ImCursorPosition:
      return units(caret);
    default:
      return units(std::clamp(anchor, from, to));
  }
}

void NcTextEdit::resizeEvent(QResizeEvent* e) {
  QsciScintilla::resizeEvent(e);
  ShowChangeMarkers();
}

QMimeData* NcTextEdit::toMimeData(const QByteArray& text, bool /*rectangular*/) const {
  const auto from = static_cast<std::size_t>(Send(SCI_GETSELECTIONSTART));
  const auto to = static_cast<std::size_t>(Send(SCI_GETSELECTIONEND));
  std::u16string exact;
  if (static_cast<std::size_t>(text.size()) == to - from) {
    exact = SelectedText();
  } else {
    DecodeFromPane(std::string_view(text.constData(), static_cast<std::size_t>(text.size())), 0, {},
                   exact);
  }
  return ToMime(exact);
}

// Scintilla's own pastes and drops make every line end CR LF; the pane pastes and drops
// itself (paste(), dropEvent(), the middle button), so this only serves what is left.
QByteArray NcTextEdit::fromMimeData(const QMimeData* source, bool& rectangular) const {
  rectangular = false;
  std::string bytes;
  std::vector<Placeholder> unused;
  EncodeForPane(FromMime(*source), {}, 0, bytes, unused);
  return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// Text dropped on the pane goes in as the clipboard's does; dragged within the pane, it
// moves (or, with Ctrl, is copied) with its line ends as they are.
void NcTextEdit::dropEvent(QDropEvent* e) {
  const QMimeData* data = e->mimeData();
  if (!data || !canInsertFromMimeData(data)) {
    e->ignore();
    return;
  }
  const QPoint at = e->position().toPoint();
  auto pos = static_cast<std::size_t>(Send(
      SCI_POSITIONFROMPOINT, static_cast<unsigned long>(std::max(at.x(), 0)), std::max(at.y(), 0)));
  const std::u16string text = FromMime(*data);
  ++quiet_;
  if ((e->source() == this || e->source() == viewport()) && e->dropAction() == Qt::MoveAction) {
    const auto from = static_cast<std::size_t>(Send(SCI_GETSELECTIONSTART));
    const auto to = static_cast<std::size_t>(Send(SCI_GETSELECTIONEND));
    if (pos >= from && pos <= to) {  // onto itself
      --quiet_;
      e->acceptProposedAction();
      return;
    }
    ReplaceBytes(from, to, {}, {});
    if (pos > to) pos -= to - from;
  }
  Send(SCI_SETEMPTYSELECTION, pos);
  --quiet_;
  ReplaceSelection(text);
  e->acceptProposedAction();
}

bool NcTextEdit::canInsertFromMimeData(const QMimeData* source) const {
  return source->hasFormat(kExactTextMime) || source->hasText();
}

std::u16string NcTextEdit::ClipboardText() {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  return data ? FromMime(*data) : std::u16string();
}

void NcTextEdit::PutOnClipboard(std::u16string_view text) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->clear();
  if (!text.empty()) clipboard->setMimeData(ToMime(text));
}

// --- change markers -------------------------------------------------------------------------

void NcTextEdit::SetChangedLines(LineRuns lines) {
  changed_ = std::move(lines);
  ShowChangeMarkers();
}

// The markers are put on the lines on the screen only: a marker costs Scintilla an allocation
// per line, and a conversion may change every line of millions.
void NcTextEdit::ShowChangeMarkers() {
  if (changed_.empty() && marked_.empty()) return;
  const auto first = static_cast<std::size_t>(Send(SCI_GETFIRSTVISIBLELINE));
  const auto end = std::min(first + static_cast<std::size_t>(Send(SCI_LINESONSCREEN)) + 2,
                            static_cast<std::size_t>(Send(SCI_GETLINECOUNT)));
  std::vector<std::size_t> wanted;
  auto run = std::upper_bound(changed_.begin(), changed_.end(), first,
                              [](std::size_t l, const LineRun& r) { return l < r.first; });
  if (run != changed_.begin()) --run;
  for (; run != changed_.end() && run->first < end; ++run) {
    for (std::size_t line = std::max(run->first, first); line < std::min(run->end, end); ++line) {
      wanted.push_back(line);
    }
  }
  if (wanted == marked_) return;
  for (const std::size_t line : marked_) {
    if (!std::binary_search(wanted.begin(), wanted.end(), line)) {
      Send(SCI_MARKERDELETE, line, kChangeBar);
      Send(SCI_MARKERDELETE, line, kChangeLine);
    }
  }
  for (const std::size_t line : wanted) {
    if (!std::binary_search(marked_.begin(), marked_.end(), line)) {
      Send(SCI_MARKERADD, line, kChangeBar);
      Send(SCI_MARKERADD, line, kChangeLine);
    }
  }
  marked_ = std::move(wanted);
}

void NcTextEdit::ClearMarkers() {
  for (const std::size_t line : marked_) {
    Send(SCI_MARKERDELETE, line, kChangeBar);
    Send(SCI_MARKERDELETE, line, kChangeLine);
  }
  marked_.clear();
}

bool NcTextEdit::GoToChange(bool forward) {
  const long caret = Send(SCI_GETCURRENTPOS);
  const auto line =
      static_cast<std::size_t>(Send(SCI_LINEFROMPOSITION, static_cast<unsigned long>(caret)));
  const std::optional<std::size_t> next = NextRun(changed_, line, forward);
  if (!next) return false;
  // A third of a screen above it, so that the lines before the change show too.
  const long above = Send(SCI_LINESONSCREEN) / 3;
  Send(SCI_SETFIRSTVISIBLELINE,
       static_cast<unsigned long>(std::max<long>(0, static_cast<long>(*next) - above)));
  Send(SCI_GOTOLINE, *next);
  ShowChangeMarkers();
  return true;
}

int NcTextEdit::FirstVisibleLine() const { return static_cast<int>(Send(SCI_GETFIRSTVISIBLELINE)); }

void NcTextEdit::SetFirstVisibleLine(int line) {
  Send(SCI_SETFIRSTVISIBLELINE, static_cast<unsigned long>(std::max(line, 0)));
  ShowChangeMarkers();
}

int NcTextEdit::HorizontalOffset() const { return static_cast<int>(Send(SCI_GETXOFFSET)); }

void NcTextEdit::SetHorizontalOffset(int pixels) {
  Send(SCI_SETXOFFSET, static_cast<unsigned long>(std::max(pixels, 0)));
}

// The line number margin fits the largest number, at the current zoom.
void NcTextEdit::FitLineNumbers() {
  int digits = 3;
  for (long n = Send(SCI_GETLINECOUNT); n >= 1000; n /= 10) ++digits;
  const int zoom = static_cast<int>(Send(SCI_GETZOOM));
  if (digits == number_digits_ && zoom == number_zoom_) return;
  number_digits_ = digits;
  number_zoom_ = zoom;
  const std::string sample = "_" + std::string(static_cast<std::size_t>(digits), '9');
  const long width =
      SendScintilla(SCI_TEXTWIDTH, static_cast<uintptr_t>(STYLE_LINENUMBER), sample.c_str());
  Send(SCI_SETMARGINWIDTHN, 0, width);
}

}  // namespace kestrum
