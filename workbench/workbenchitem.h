// An item of the workbench: it builds its controls in the panels the frame made for it, keeps
// them to itself, and has its handlers under their names. The frame holds its items in the order
// of the item lists.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include "workbench/itemhost.h"

class WorkbenchItem : public QObject {
 public:
  WorkbenchItem(ItemHost& host, QObject* parent) : QObject(parent), host_(host) {}

 protected:
  // A bottom-row button of a panel whose clicks reach one of the item's handlers.
  template <class Item>
  QPushButton* PanelButton(QWidget* panel, const char* name, const QString& text, bool rightmost,
                           void (Item::*handler)()) {
    auto* item = static_cast<Item*>(this);
    return host_.PanelButton(panel, name, text, rightmost, [item, handler] { (item->*handler)(); });
  }

  // A click of any button of the item to one of its handlers.
  template <class Item>
  void Connect(QAbstractButton* button, void (Item::*handler)()) {
    auto* item = static_cast<Item*>(this);
    host_.OnClick(button, [item, handler] { (item->*handler)(); });
  }

  ItemHost& host_;
};
