// A list box that holds items but is never shown: the workbench keeps its two item lists in such
// boxes. A plain widget with a string list, so that it costs nothing at the program's start (a
// full item view would build a model, headers and scroll bars for a list nobody sees).
#pragma once

#include <QStringList>
#include <QWidget>

class ListBox : public QWidget {
  Q_OBJECT

 public:
  explicit ListBox(QWidget* parent = nullptr) : QWidget(parent) { hide(); }

  void SetItems(const QStringList& items) { items_ = items; }
  const QStringList& Items() const { return items_; }
  int Count() const { return static_cast<int>(items_.size()); }

 private:
  QStringList items_;
};
