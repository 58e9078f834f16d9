// A printed sheet at any zoom from the whole sheet to 1:1 pixels (and beyond, to count single
// dots), with a loupe that magnifies the pixels under the pointer: enough to read which test group
// of a Bi-D row lines up and to judge the top margin and first dot on screen.
#pragma once

#include <QImage>
#include <QWidget>

class QLabel;
class QScrollArea;
class QSlider;
class QCheckBox;

namespace vprinter::panel {

// The sheet drawn at a zoom, with the loupe at the pointer (or where it is put).
class SheetCanvas : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kLoupeRadius = 90;
  static constexpr int kLoupeMagnification = 3;
  explicit SheetCanvas(QWidget* parent = nullptr);
  void SetImage(const QImage& image);
  const QImage& Image() const { return image_; }
  void SetZoom(double zoom);
  double Zoom() const { return zoom_; }
  void SetLoupeEnabled(bool on);
  // Puts the loupe over this point of the widget (the pointer does the same); a null point hides it.
  void SetLoupeAt(QPoint at);
  // The sheet pixel under a point of the widget.
  QPoint SheetPixel(QPoint at) const;

 signals:
  // The sheet pixel under the loupe; (-1, -1) when it is hidden.
  void PointedAt(QPoint sheetPixel);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  QRect LoupeRect(QPoint at) const;
  QImage image_;
  double zoom_ = 1.0;
  bool loupe_ = true;
  QPoint loupeAt_;
  bool loupeShown_ = false;
};

class SheetViewer : public QWidget {
  Q_OBJECT
 public:
  explicit SheetViewer(QWidget* parent = nullptr);
  // False when the file cannot be read.
  bool Open(const QString& file);
  // Zoom in percent of 1:1; 0 fits the whole sheet into the view.
  void SetZoomPercent(int percent);
  // Scrolls so that this sheet pixel sits in the middle of the view.
  void CenterOn(QPoint sheetPixel);
  SheetCanvas* Canvas() const { return canvas_; }
  const QString& File() const { return file_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ApplyZoom();
  double FitZoom() const;
  QString file_;
  SheetCanvas* canvas_;
  QScrollArea* scroll_;
  QSlider* zoomSlider_;
  QLabel* zoomLabel_;
  QLabel* pixelLabel_;
  QCheckBox* loupeBox_;
};

}  // namespace vprinter::panel
