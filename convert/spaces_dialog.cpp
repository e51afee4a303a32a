#include "convert/spaces_dialog.h"

#include <QPushButton>

#include "convert/spaces.h"

namespace kestrum {

Space::Space(Editor& editor, QWidget* parent)
    : ConversionDialog(editor, QStringLiteral("Space"), QStringLiteral("スペースの追加/削除"),
                       parent) {
  AddOption(0, QStringLiteral("スペースを1個追加"), 0);
  AddOption(1, QStringLiteral("シーケンス番号とスペースを追加　　N000 G00 X Z"), 1);
  AddOption(2, QStringLiteral("スペースを削除"), 2);
  connect(OKButton, &QPushButton::clicked, this, &Space::OKButton_Click);
}

void Space::OKButton_Click() {
  const auto mode = static_cast<SpaceMode>(SelectedOption());
  editor_.SetPreviewCheck(IdenticalCheck);
  RunIntoPreview([mode](std::u16string_view src, Module1& m, std::u16string*) {
    return ConvertSpaces(src, mode, m);
  });
}

}  // namespace kestrum
