#include "shell/about_dialog.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "shell/icons.h"

namespace kestrum {

QString MainWindowTitle() {
  // The caption runs minor number and revision together: "Ver.1.13", where the box says
  // "Ver. 1.1.3".
  return QStringLiteral("%1 Ver.%2.%3%4")
      .arg(QString::fromUtf8(kProgramTitle))
      .arg(kVersionMajor)
      .arg(kVersionMinor)
      .arg(kVersionRevision);
}

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報 Kestrum_Milling"));
  setModal(true);

  picIcon = new QLabel(this);
  picIcon->setObjectName(QStringLiteral("picIcon"));
  picIcon->setPixmap(ProgramIcon().pixmap(48, 48));

  lblTitle = new QLabel(QString::fromUtf8(kProgramTitle), this);
  lblTitle->setObjectName(QStringLiteral("lblTitle"));
  QFont title_font = lblTitle->font();
  title_font.setPointSizeF(title_font.pointSizeF() * 1.5);
  title_font.setBold(true);
  lblTitle->setFont(title_font);

  lblVersion = new QLabel(
      QStringLiteral("Ver. %1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRevision),
      this);
  lblVersion->setObjectName(QStringLiteral("lblVersion"));

  // The etched separator: a grey line over a white one.
  auto* line = new QFrame(this);
  line->setObjectName(QStringLiteral("Line1"));
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);

  // Default and cancel button at once: Enter and Esc both close the box through it.
  cmdOK = new QPushButton(QStringLiteral("OK"), this);
  cmdOK->setObjectName(QStringLiteral("cmdOK"));
  cmdOK->setDefault(true);
  cmdOK->setMinimumWidth(90);
  connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(16, 16, 16, 12);
  grid->setHorizontalSpacing(16);
  grid->addWidget(picIcon, 0, 0, 2, 1, Qt::AlignTop);
  grid->addWidget(lblTitle, 0, 1);
  grid->addWidget(lblVersion, 1, 1);
  grid->addWidget(line, 2, 0, 1, 2);
  grid->addWidget(cmdOK, 3, 1, Qt::AlignRight);
  grid->setSizeConstraint(QLayout::SetFixedSize);
}

void frmAbout::cmdOK_Click() { accept(); }

}  // namespace kestrum
