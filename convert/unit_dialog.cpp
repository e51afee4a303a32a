#include "convert/unit_dialog.h"

#include <QPushButton>

#include "convert/unit.h"

namespace kestrum {

Unit::Unit(Editor& editor, QWidget* parent)
    : ConversionDialog(editor, QStringLiteral("Unit"), QStringLiteral("単位の変更"), parent) {
  // Two columns of three, each conversion facing its reverse.
  AddOption(0, QStringLiteral("0.001 mm → 1 mm"), 0, 0);
  AddOption(1, QStringLiteral("0.01  mm → 1 mm"), 1, 0);
  AddOption(2, QStringLiteral("  1 inch → 1 mm"), 2, 0);
  AddOption(4, QStringLiteral("1 mm → 0.001 mm"), 0, 1);
  AddOption(5, QStringLiteral("1 mm → 0.01  mm"), 1, 1);
  AddOption(3, QStringLiteral("1 mm → 1 inch"), 2, 1);
  connect(OKButton, &QPushButton::clicked, this, &Unit::OKButton_Click);
}

void Unit::OKButton_Click() {
  const auto mode = static_cast<UnitMode>(SelectedOption());
  editor_.SetPreviewCheck([mode](const ProgramReading& r) { return UnitCheck(mode, r); });
  RunIntoPreview([mode](std::u16string_view src, Module1& m, std::u16string* report) {
    return ConvertUnit(src, mode, m, report);
  });
}

}  // namespace kestrum
