#include "shell/icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace kestrum {
namespace {

constexpr int kSize = 24;
const QColor kInk(40, 40, 40);
const QColor kPaper(255, 255, 255);
const QColor kBlue(30, 90, 170);
const QColor kYellow(240, 200, 80);

void Page(QPainter& p, QRectF r) {
  QPainterPath path;
  path.moveTo(r.left(), r.top());
  path.lineTo(r.right() - 5, r.top());
  path.lineTo(r.right(), r.top() + 5);
  path.lineTo(r.right(), r.bottom());
  path.lineTo(r.left(), r.bottom());
  path.closeSubpath();
  p.setBrush(kPaper);
  p.drawPath(path);
  p.drawLine(QPointF(r.right() - 5, r.top()), QPointF(r.right() - 5, r.top() + 5));
  p.drawLine(QPointF(r.right() - 5, r.top() + 5), QPointF(r.right(), r.top() + 5));
}

void Lens(QPainter& p, QPointF centre) {
  p.setBrush(QColor(200, 230, 255));
  p.drawEllipse(centre, 5, 5);
  p.setPen(QPen(kInk, 2.5));
  p.drawLine(centre + QPointF(3.5, 3.5), centre + QPointF(8, 8));
  p.setPen(QPen(kInk, 1));
}

// One to three characters on a coloured plate, for the conversions.
void Plate(QPainter& p, const QString& text, QColor colour) {
  p.setBrush(colour);
  p.setPen(QPen(colour.darker(150), 1));
  p.drawRoundedRect(QRectF(1.5, 3.5, 21, 17), 3, 3);
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setBold(true);
  font.setPixelSize(text.size() > 2 ? 8 : 10);
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(QRectF(1.5, 3.5, 21, 17), Qt::AlignCenter, text);
  p.setPen(QPen(kInk, 1));
}

void Arrow(QPainter& p, QPointF from, QPointF to) {
  p.drawLine(from, to);
  const QPointF d = (to - from) / std::max(1.0, std::hypot((to - from).x(), (to - from).y()));
  const QPointF n(-d.y(), d.x());
  p.drawLine(to, to - 3 * d + 3 * n);
  p.drawLine(to, to - 3 * d - 3 * n);
}

void Draw(QPainter& p, IconKind kind) {
  p.setPen(QPen(kInk, 1));
  switch (kind) {
    case IconKind::kNew:
      Page(p, QRectF(5.5, 2.5, 13, 19));
      break;
    case IconKind::kOpen:
      p.setBrush(kYellow.darker(115));
      p.drawRect(QRectF(2.5, 6.5, 17, 13));
      p.setBrush(kYellow);
      p.drawPolygon(QPolygonF(
          {QPointF(5.5, 10.5), QPointF(22.5, 10.5), QPointF(19.5, 19.5), QPointF(2.5, 19.5)}));
      break;
    case IconKind::kSaveAs:
      p.setBrush(kBlue);
      p.drawRect(QRectF(3.5, 3.5, 17, 17));
      p.setBrush(kPaper);
      p.drawRect(QRectF(6.5, 3.5, 11, 7));
      p.drawRect(QRectF(7.5, 14.5, 9, 6));
      break;
    case IconKind::kUndo:
      p.setPen(QPen(kBlue, 2.5));
      p.drawArc(QRectF(5, 6, 14, 12), 90 * 16, -220 * 16);
      Arrow(p, QPointF(12, 6), QPointF(7, 6));
      break;
    case IconKind::kCut:
      p.drawEllipse(QPointF(7.5, 17.5), 3, 3);
      p.drawEllipse(QPointF(16.5, 17.5), 3, 3);
      p.setPen(QPen(kInk, 1.5));
      p.drawLine(QPointF(9, 15), QPointF(17, 3));
      p.drawLine(QPointF(15, 15), QPointF(7, 3));
      break;
    case IconKind::kCopy:
      Page(p, QRectF(3.5, 2.5, 11, 14));
      Page(p, QRectF(9.5, 7.5, 11, 14));
      break;
    case IconKind::kPaste:
      p.setBrush(kYellow);
      p.drawRect(QRectF(3.5, 4.5, 14, 17));
      p.setBrush(QColor(150, 150, 150));
      p.drawRect(QRectF(7.5, 2.5, 6, 4));
      Page(p, QRectF(10.5, 9.5, 10, 12));
      break;
    case IconKind::kFind:
      Lens(p, QPointF(10, 10));
      break;
    case IconKind::kReplace:
      Lens(p, QPointF(8, 8));
      p.setPen(QPen(kBlue, 1.5));
      Arrow(p, QPointF(12, 20), QPointF(22, 20));
      break;
    case IconKind::kCalcReplace:
      Plate(p, QStringLiteral("±×"), QColor(120, 80, 160));
      break;
    case IconKind::kRotation:
      p.setPen(QPen(QColor(0, 130, 90), 2.5));
      p.drawArc(QRectF(4, 4, 16, 16), 60 * 16, 280 * 16);
      Arrow(p, QPointF(15, 5), QPointF(19.5, 8.5));
      break;
    case IconKind::kSpaces:
      Plate(p, QStringLiteral("A B"), QColor(60, 130, 60));
      break;
    case IconKind::kPoints:
      Plate(p, QStringLiteral("1."), QColor(60, 130, 60));
      break;
    case IconKind::kXyCx:
      Plate(p, QStringLiteral("XY"), QColor(180, 90, 30));
      break;
    case IconKind::kAbsInc:
      Plate(p, QStringLiteral("G91"), QColor(180, 90, 30));
      break;
    case IconKind::kUnit:
      Plate(p, QStringLiteral("mm"), QColor(60, 130, 60));
      break;
    case IconKind::kMachine:
      p.setBrush(kBlue);
      p.drawRect(QRectF(1.5, 5.5, 8, 13));
      p.setBrush(QColor(200, 60, 50));
      p.drawRect(QRectF(14.5, 5.5, 8, 13));
      p.setPen(QPen(kInk, 1.5));
      Arrow(p, QPointF(9, 9), QPointF(15, 9));
      Arrow(p, QPointF(15, 15), QPointF(9, 15));
      break;
    case IconKind::kScrollTogether:
      // Two pages side by side with one arrow running down both.
      Page(p, QRectF(1.5, 2.5, 9, 19));
      Page(p, QRectF(13.5, 2.5, 9, 19));
      p.setPen(QPen(kBlue, 2));
      p.drawLine(QPointF(6, 12), QPointF(18, 12));
      Arrow(p, QPointF(12, 5), QPointF(12, 20));
      break;
    case IconKind::kNextChange:
    case IconKind::kPreviousChange: {
      // A page with a changed line marked, and an arrow to the next or the previous one.
      Page(p, QRectF(2.5, 2.5, 13, 19));
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(235, 140, 0));
      p.drawRect(QRectF(3, 10, 3, 4));
      p.setBrush(QColor(255, 230, 150));
      p.drawRect(QRectF(6, 10, 9, 4));
      p.setPen(QPen(kBlue, 2));
      const bool down = kind == IconKind::kNextChange;
      Arrow(p, QPointF(19.5, down ? 4 : 20), QPointF(19.5, down ? 20 : 4));
      break;
    }
  }
}

QIcon Render(const std::function<void(QPainter&)>& draw, int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / double(kSize), size / double(kSize));
  draw(p);
  return QIcon(pixmap);
}

}  // namespace

QIcon ToolbarIcon(IconKind kind) {
  return Render([kind](QPainter& p) { Draw(p, kind); }, kSize);
}

QIcon ProgramIcon() {
  return Render(
      [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kBlue);
        p.drawRoundedRect(QRectF(0, 0, 24, 24), 4, 4);
        p.setBrush(QColor(210, 210, 220));
        p.drawRect(QRectF(9, 2, 6, 9));  // shank
        p.setBrush(QColor(240, 240, 245));
        p.drawRect(QRectF(8, 11, 8, 9));  // flutes
        p.setPen(QPen(kBlue.darker(130), 1.2));
        p.drawLine(QPointF(8, 13), QPointF(16, 16));
        p.drawLine(QPointF(8, 17), QPointF(16, 20));
        p.setPen(QPen(kYellow, 1.5));
        p.drawLine(QPointF(3, 21.5), QPointF(21, 21.5));  // the part's surface
      },
      48);
}

}  // namespace kestrum
