#include "shell/text_pane.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

namespace kestrum {
namespace {

// How a block's line ends, kept in QTextBlock::userState(). Qt gives a block that it splits
// off while the operator types a new line the state -1; KeepLineEnds then settles it. Besides
// CR LF, LF and a lone CR, the characters that QTextDocument also turns into block boundaries
// are recorded, so that no character of a file is lost on the way through the pane.
enum LineEnd : int {
  kNoEnd = 0,  // the last block
  kCrLf = 1,
  kLf = 2,
  kCr = 3,
  kParagraphSeparator = 4,  // U+2029
  kFrameStart = 5,          // U+FDD0
  kFrameEnd = 6,            // U+FDD1
};
constexpr int kSplitOff = -1;
// What QTextDocument::toRawText() puts between blocks.
constexpr char16_t kBlockSeparator = u'\u2029';

std::u16string_view EndText(int end) {
  switch (end) {
    case kLf:
      return u"\n";
    case kCr:
      return u"\r";
    case kParagraphSeparator:
      return u"\u2029";
    case kFrameStart:
      return u"\uFDD0";
    case kFrameEnd:
      return u"\uFDD1";
    default:
      return u"\r\n";  // also a typed line end that is not settled yet
  }
}

// The line end that starts at text[i], or kNoEnd; *length receives its length.
int EndAt(std::u16string_view text, std::size_t i, std::size_t* length) {
  *length = 1;
  switch (text[i]) {
    case u'\r':
      if (i + 1 < text.size() && text[i + 1] == u'\n') {
        *length = 2;
        return kCrLf;
      }
      return kCr;
    case u'\n':
      return kLf;
    case u'\u2029':
      return kParagraphSeparator;
    case u'\uFDD0':
      return kFrameStart;
    case u'\uFDD1':
      return kFrameEnd;
    default:
      return kNoEnd;
  }
}

// The text with every line end made a "\n" for QTextDocument, and the ends in order.
QString SplitLines(std::u16string_view text, std::vector<int>* ends) {
  QString joined;
  joined.reserve(static_cast<qsizetype>(text.size()));
  std::size_t from = 0;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t length = 0;
    const int end = EndAt(text, i, &length);
    if (end == kNoEnd) {
      ++i;
      continue;
    }
    joined.append(reinterpret_cast<const QChar*>(text.data() + from),
                  static_cast<qsizetype>(i - from));
    joined.append(QChar(u'\n'));
    ends->push_back(end);
    i += length;
    from = i;
  }
  joined.append(reinterpret_cast<const QChar*>(text.data() + from),
                static_cast<qsizetype>(text.size() - from));
  return joined;
}

void Append(std::u16string& out, const QString& text, int from, int to) {
  out.append(reinterpret_cast<const char16_t*>(text.utf16()) + from,
             static_cast<std::size_t>(to - from));
}

// Text between two cursor positions, with the line ends the blocks record. QTextDocument
// gives its whole raw text (blocks joined by U+2029) far faster than block by block, so a
// long range is cut from that.
std::u16string TextBetween(const QTextDocument& doc, int from, int to) {
  std::u16string out;
  if (to <= from) return out;
  out.reserve(static_cast<std::size_t>(to - from) + static_cast<std::size_t>(to - from) / 16);
  QTextBlock b = doc.findBlock(from);
  if (to - from < (1 << 16)) {
    for (; b.isValid() && b.position() <= to; b = b.next()) {
      const int start = b.position();
      const int length = b.length() - 1;  // without the block separator
      const int seg_from = std::max(from, start) - start;
      const int seg_to = std::min(to, start + length) - start;
      if (seg_to > seg_from) Append(out, b.text(), seg_from, seg_to);
      if (to > start + length && b.next().isValid()) out += EndText(b.userState());
    }
    return out;
  }
  const QString raw = doc.toRawText();
  to = std::min(to, static_cast<int>(raw.size()));
  int pos = from;
  for (; b.isValid() && pos < to; b = b.next()) {
    const int end = b.position() + b.length() - 1;  // where the block's separator stands
    Append(out, raw, pos, std::min(end, to));
    if (end < to) out += EndText(b.userState());
    pos = end + 1;
  }
  return out;
}

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

}  // namespace

NcTextEdit::NcTextEdit(QWidget* parent) : QPlainTextEdit(parent) {
  // Undo is the program's own single snapshot; Qt's stack would also hold a second copy of
  // every large text that is set.
  setUndoRedoEnabled(false);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  document()->lastBlock().setUserState(kNoEnd);
  connect(document(), &QTextDocument::contentsChange, this, &NcTextEdit::KeepLineEnds);
}

// Qt keeps the user state of the block that comes first when it splits a block, and the state
// of the block that comes last when it joins blocks. A block's state is the end after it, so
// a join is already right, and a split gives the first part the typed end (CR LF) and the
// part split off the end that the whole block had.
void NcTextEdit::KeepLineEnds(int position, int /*removed*/, int added) {
  starts_valid_ = false;
  if (setting_text_) return;
  const QTextDocument& doc = *document();
  QTextBlock last = doc.findBlock(position + added);
  if (!last.isValid()) last = doc.lastBlock();
  const QTextBlock first = doc.findBlock(position);
  QTextBlock prev = first.previous();
  for (QTextBlock b = first; b.isValid(); b = b.next()) {
    if (b.userState() == kSplitOff) {
      if (prev.isValid()) {
        b.setUserState(prev.userState() == kSplitOff ? kNoEnd : prev.userState());
        prev.setUserState(kCrLf);
      } else {
        b.setUserState(kCrLf);
      }
    }
    if (b == last) break;
    prev = b;
  }
  doc.lastBlock().setUserState(kNoEnd);
}

std::u16string NcTextEdit::Text() const {
  const QTextDocument& doc = *document();
  return TextBetween(doc, 0, doc.characterCount() - 1);
}

// A new text that shares most of the old one (Undo after a cut, a replacement, a conversion
// that touched a few lines) only has its changed middle put in: a whole text of half a million
// lines takes QTextDocument over a second, its changed lines next to nothing. Either way the
// caret goes to the start, as after any new text.
void NcTextEdit::SetText(std::u16string text) {
  {
    const QSignalBlocker blocker(this);
    if (!ReplaceChangedMiddle(text)) {
      std::vector<int> ends;
      const QString joined = SplitLines(text, &ends);
      setting_text_ = true;
      FillDocument(joined);
      setting_text_ = false;
      QTextBlock b = document()->begin();
      for (const int end : ends) {
        b.setUserState(end);
        b = b.next();
      }
      document()->lastBlock().setUserState(kNoEnd);
      starts_valid_ = false;
    }
    setTextCursor(QTextCursor(document()));
  }
  emit textChanged();
}

bool NcTextEdit::ReplaceChangedMiddle(std::u16string_view text) {
  if (text.empty()) return false;
  // The old text is compared as QTextDocument holds it, blocks joined by U+2029, so that
  // nothing of it is copied when a conversion has changed it all.
  const QTextDocument& doc = *document();
  const QString raw = doc.toRawText();
  const auto* old = reinterpret_cast<const char16_t*>(raw.utf16());
  const auto old_size = static_cast<std::size_t>(raw.size());
  const std::vector<std::size_t>& starts = BlockStarts();
  const std::size_t old_length =
      starts.back() + static_cast<std::size_t>(doc.lastBlock().length() - 1);

  // The shared start: i walks the old raw text, prefix the new text.
  std::size_t i = 0;
  std::size_t prefix = 0;
  for (QTextBlock b = doc.begin(); i < old_size;) {
    if (old[i] == kBlockSeparator) {
      const std::u16string_view end = EndText(b.userState());
      if (text.substr(prefix, end.size()) != end) break;
      prefix += end.size();
      ++i;
      b = b.next();
    } else if (prefix < text.size() && old[i] == text[prefix]) {
      ++i;
      ++prefix;
    } else {
      break;
    }
  }
  // The shared end, not reaching into the shared start.
  const std::size_t most = std::min(old_length, text.size()) - prefix;
  std::size_t j = old_size;
  std::size_t suffix = 0;
  for (QTextBlock b = doc.lastBlock(); j > 0 && suffix < most;) {
    if (old[j - 1] == kBlockSeparator) {
      const std::u16string_view end = EndText(b.previous().userState());
      if (suffix + end.size() > most ||
          text.substr(text.size() - suffix - end.size(), end.size()) != end) {
        break;
      }
      suffix += end.size();
      --j;
      b = b.previous();
    } else if (old[j - 1] == text[text.size() - 1 - suffix]) {
      --j;
      ++suffix;
    } else {
      break;
    }
  }
  // Never cut a CR LF in two: the shared parts end before a CR and start after an LF.
  while (prefix > 0 && text[prefix - 1] == u'\r') --prefix;
  while (suffix > 0 && text[text.size() - suffix] == u'\n') --suffix;
  const std::size_t changed = (old_length - prefix - suffix) + (text.size() - prefix - suffix);
  if (changed > (old_length + text.size()) / 2) return false;
  QTextCursor range(document());
  range.setPosition(ToCursor(prefix));
  range.setPosition(ToCursor(old_length - suffix), QTextCursor::KeepAnchor);
  ReplaceRange(range, text.substr(prefix, text.size() - prefix - suffix));
  return true;
}

// QTextDocument takes about 3 microseconds for each block it makes, over a second for the
// half million lines of a 20 MB program; nothing in its public interface is quicker. So a
// long text goes in piece by piece and the window repaints in between (input waits until the
// text is complete, so nothing can see or change half of it).
void NcTextEdit::FillDocument(const QString& joined) {
  constexpr int kLinesAtOnce = 20000;
  constexpr int kRepaintMs = 100;
  QElapsedTimer since_repaint;
  since_repaint.start();
  QTextCursor end;
  for (qsizetype from = 0; from < joined.size() || end.isNull();) {
    qsizetype to = from;
    for (int lines = 0; lines < kLinesAtOnce && to < joined.size(); ++lines) {
      to = joined.indexOf(QChar(u'\n'), to);
      to = to < 0 ? joined.size() : to + 1;
    }
    const QString piece = joined.mid(from, to - from);
    if (end.isNull()) {
      setPlainText(piece);
      end = QTextCursor(document());
      end.movePosition(QTextCursor::End);
    } else {
      end.insertText(piece);
    }
    from = to;
    if (from < joined.size() && since_repaint.elapsed() > kRepaintMs) {
      QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
      since_repaint.restart();
    }
  }
}

void NcTextEdit::ReplaceSelection(std::u16string_view text) {
  {
    const QSignalBlocker blocker(this);
    QTextCursor cursor = textCursor();
    ReplaceRange(cursor, text);
    setTextCursor(cursor);
  }
  emit textChanged();
  ensureCursorVisible();
}

void NcTextEdit::ReplaceRange(QTextCursor& range, std::u16string_view text) {
  std::vector<int> ends;
  const QString joined = SplitLines(text, &ends);
  const int first = document()->findBlock(range.selectionStart()).blockNumber();
  range.insertText(joined);
  // The inserted line ends were settled as typed ones (CR LF); put the real ones in.
  QTextBlock b = document()->findBlockByNumber(first);
  for (const int end : ends) {
    b.setUserState(end);
    b = b.next();
  }
  starts_valid_ = false;
}

const std::vector<std::size_t>& NcTextEdit::BlockStarts() const {
  if (starts_valid_) return block_starts_;
  const QTextDocument& doc = *document();
  block_starts_.clear();
  block_starts_.reserve(static_cast<std::size_t>(doc.blockCount()));
  std::size_t pos = 0;
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
    block_starts_.push_back(pos);
    pos += static_cast<std::size_t>(b.length() - 1) + EndText(b.userState()).size();
  }
  starts_valid_ = true;
  return block_starts_;
}

int NcTextEdit::ToCursor(std::size_t text_pos) const {
  const std::vector<std::size_t>& starts = BlockStarts();
  const auto it = std::upper_bound(starts.begin(), starts.end(), text_pos);
  const auto number = static_cast<int>(it - starts.begin()) - 1;
  const QTextBlock b = document()->findBlockByNumber(std::max(number, 0));
  // A position inside a line end (between CR and LF) or past the text stands at the block end.
  const std::size_t offset = text_pos - starts[static_cast<std::size_t>(std::max(number, 0))];
  return b.position() + static_cast<int>(std::min<std::size_t>(offset, b.length() - 1));
}

std::size_t NcTextEdit::FromCursor(int cursor_pos) const {
  const QTextBlock b = document()->findBlock(cursor_pos);
  if (!b.isValid()) return 0;
  return BlockStarts()[static_cast<std::size_t>(b.blockNumber())] +
         static_cast<std::size_t>(cursor_pos - b.position());
}

std::size_t NcTextEdit::SelStart() const { return FromCursor(textCursor().selectionStart()); }

std::size_t NcTextEdit::SelLength() const {
  const QTextCursor c = textCursor();
  return FromCursor(c.selectionEnd()) - FromCursor(c.selectionStart());
}

void NcTextEdit::Select(std::size_t start, std::size_t length) {
  const std::size_t end = start > SIZE_MAX - length ? SIZE_MAX : start + length;
  QTextCursor c = textCursor();
  c.setPosition(ToCursor(start));
  c.setPosition(ToCursor(end), QTextCursor::KeepAnchor);
  setTextCursor(c);
  ensureCursorVisible();
}

std::u16string NcTextEdit::SelectedText() const {
  const QTextCursor c = textCursor();
  return TextBetween(*document(), c.selectionStart(), c.selectionEnd());
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

bool NcTextEdit::event(QEvent* e) {
  if (edit_keys_to_menu_ && e->type() == QEvent::ShortcutOverride &&
      IsEditMenuKey(*static_cast<QKeyEvent*>(e))) {
    e->ignore();  // not taken here: the Edit menu's shortcut runs
    return true;
  }
  return QPlainTextEdit::event(e);
}

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
  QPlainTextEdit::keyPressEvent(e);
}

void NcTextEdit::mousePressEvent(QMouseEvent* e) {
  if (edit_keys_to_menu_ && e->button() == Qt::RightButton) {
    setFocus(Qt::MouseFocusReason);
    emit RightButtonPressed(e->globalPosition().toPoint());
    e->accept();
    return;
  }
  QPlainTextEdit::mousePressEvent(e);
}

QMimeData* NcTextEdit::createMimeDataFromSelection() const { return ToMime(SelectedText()); }

bool NcTextEdit::canInsertFromMimeData(const QMimeData* source) const {
  return source->hasFormat(kExactTextMime) || QPlainTextEdit::canInsertFromMimeData(source);
}

void NcTextEdit::insertFromMimeData(const QMimeData* source) {
  ReplaceSelection(FromMime(*source));
}

}  // namespace kestrum
