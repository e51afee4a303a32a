#include "convert/xy_cx_dialog.h"

#include <QApplication>
#include <QPushButton>

#include "convert/xy_cx.h"

namespace kestrum {

XY_CX::XY_CX(Editor& editor, QWidget* parent)
    : ConversionDialog(editor, QStringLiteral("XY_CX"), QStringLiteral("XY-CX座標変換"), parent) {
  AddOption(0, QStringLiteral("XY→CX座標に変換"), 0);
  AddOption(1, QStringLiteral("CX→XY座標に変換"), 1);
  connect(OKButton, &QPushButton::clicked, this, &XY_CX::OKButton_Click);
}

void XY_CX::OKButton_Click() {
  const auto direction = static_cast<XyCxDirection>(SelectedOption());
  const auto convert = [direction](std::u16string_view src, Module1& m, std::u16string* report) {
    return ConvertXyCx(src, direction, m, report);
  };
  editor_.SetPreviewCheck(
      [direction](const ProgramReading& r) { return XyCxCheck(direction, r); });
  if (direction == XyCxDirection::kToCx) {
    RunIntoPreview(convert);
    return;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const std::u16string& source = editor_.BeginConversion();
  std::u16string report;
  editor_.SetPreviewText(convert(source, editor_.module(), &report));
  editor_.ArmPreview();
  QApplication::restoreOverrideCursor();
  ShowReport(report);
}

}  // namespace kestrum
