// Small pieces the front panel's pages share: named controls and the printer errors an operator
// can raise, with their labels.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QString>
#include <cstdint>

#include "vprinter/status.h"

namespace vprinter::panel::parts {

struct ErrorLabel {
  uint16_t code;
  const char* label;
};
inline constexpr ErrorLabel kErrorLabels[] = {
    {status::kPaperOut, "Paper out"},
    {status::kCoverOpen, "Cover open"},
    {status::kInkOut, "Ink out"},
    {status::kPaperJam, "Paper jam"},
    {status::kPaperSize, "Paper size error"},
    {status::kHeadHot, "Head hot"},
    {status::kMaintenance, "Maintenance error"},
    {status::kInterfaceNotSelected, "Interface not selected"},
    {status::kFatal, "Fatal error"}};

inline QPushButton* Button(const QString& name, const QString& text) {
  auto* button = new QPushButton(text);
  button->setObjectName(name);
  return button;
}

inline QSpinBox* Spin(const QString& name, int min, int max, int value) {
  auto* spin = new QSpinBox;
  spin->setObjectName(name);
  spin->setRange(min, max);
  spin->setValue(value);
  return spin;
}

inline QLabel* Value(const QString& name) {
  auto* label = new QLabel;
  label->setObjectName(name);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

}  // namespace vprinter::panel::parts
