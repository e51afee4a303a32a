#include "convert/points_dialog.h"

#include <QPushButton>

#include "convert/points.h"

namespace kestrum {

PointAdd::PointAdd(Editor& editor, QWidget* parent)
    : ConversionDialog(editor, QStringLiteral("PointAdd"), QStringLiteral("小数点の追加/削除"),
                       parent) {
  AddOption(0, QStringLiteral("小数点の追加 ( 1． )"), 0);
  AddOption(1, QStringLiteral("小数点の追加 ( 1．0 )"), 1);
  AddOption(2, QStringLiteral("小数点の削除"), 2);
  connect(OKButton, &QPushButton::clicked, this, &PointAdd::OKButton_Click);
}

void PointAdd::OKButton_Click() {
  const auto mode = static_cast<PointMode>(SelectedOption());
  editor_.SetPreviewCheck([mode](const ProgramReading& r) { return PointsCheck(mode, r); });
  RunIntoPreview([mode](std::u16string_view src, Module1& m, std::u16string*) {
    return ConvertPoints(src, mode, m);
  });
}

}  // namespace kestrum
