// The font of the page-preparation dialogs: a Song face, 16 pixels, as the
// forms ask ("宋体").
#pragma once

#include <QFont>

namespace imaging_ui {

inline QFont DialogFont() {
  QFont font;
  font.setFamilies({"Noto Serif CJK SC", "AR PL UMing CN", "AR PL SungtiL GB", "Noto Sans CJK SC"});
  font.setPixelSize(16);
  return font;
}

}  // namespace imaging_ui
