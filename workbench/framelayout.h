// Where the workbench's frame places its parts, in design pixels: shared by its construction
// (formadjust_build.cpp) and its log and navigation (formadjust.cpp).
#pragma once

#include <QColor>
#include <QPalette>
#include <QStringList>
#include <QWidget>

namespace framelayout {
inline constexpr int kItemLeft = 235;
// The bottom row of buttons of the item panels.
inline constexpr int kOkLeft = 212;
inline constexpr int kRightButtonLeft = 292;
inline constexpr int kButtonTop = 236;
inline constexpr int kItemTop = 5;
inline constexpr int kItemWidth = 383;
inline constexpr int kStableListHeight = 220;
inline constexpr int kErrorListHeight = 155;
// The item lists of the two printer modes.
inline const QStringList kStableItems{
    "EEPROM initial setting",       "Head ID", "Bi-D", "USB-ID", "Top margin adjustment",
    "First dot position adjustment"};
inline const QStringList kErrorItems{"EEPROM initial setting", "Protection counter",
                                     "EEPROM data handling", "EEPROM back up data"};

// A widget's text in one colour in every state.
inline void SetTextColor(QWidget* widget, const QColor& color) {
  QPalette p = widget->palette();
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    p.setColor(group, QPalette::WindowText, color);
    p.setColor(group, QPalette::Text, color);
  }
  widget->setPalette(p);
}
}  // namespace framelayout
