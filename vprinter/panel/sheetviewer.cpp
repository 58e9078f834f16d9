#include "vprinter/panel/sheetviewer.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace vprinter::panel {

namespace {
// The slider runs from 0 (the whole sheet) to 400% of 1:1.
constexpr int kMaxZoomPercent = 400;
}  // namespace

SheetCanvas::SheetCanvas(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("SheetCanvas"));
  setMouseTracking(true);
}

void SheetCanvas::SetImage(const QImage& image) {
  image_ = image;
  SetZoom(zoom_);
}

void SheetCanvas::SetZoom(double zoom) {
  zoom_ = std::clamp(zoom, 0.01, kMaxZoomPercent / 100.0);
  resize(std::max(1, static_cast<int>(std::lround(image_.width() * zoom_))),
         std::max(1, static_cast<int>(std::lround(image_.height() * zoom_))));
  update();
}

void SheetCanvas::SetLoupeEnabled(bool on) {
  loupe_ = on;
  update();
}

QPoint SheetCanvas::SheetPixel(QPoint at) const {
  return {static_cast<int>(std::floor(at.x() / zoom_)),
          static_cast<int>(std::floor(at.y() / zoom_))};
}

QRect SheetCanvas::LoupeRect(QPoint at) const {
  return {at.x() - kLoupeRadius, at.y() - kLoupeRadius, 2 * kLoupeRadius + 1, 2 * kLoupeRadius + 1};
}

void SheetCanvas::SetLoupeAt(QPoint at) {
  if (loupeShown_) update(LoupeRect(loupeAt_).adjusted(-2, -2, 2, 2));
  loupeShown_ = !at.isNull();
  loupeAt_ = at;
  if (loupeShown_) update(LoupeRect(loupeAt_).adjusted(-2, -2, 2, 2));
  emit PointedAt(loupeShown_ ? SheetPixel(at) : QPoint(-1, -1));
}

void SheetCanvas::mouseMoveEvent(QMouseEvent* event) {
  SetLoupeAt(event->position().toPoint());
}

void SheetCanvas::leaveEvent(QEvent*) {
  SetLoupeAt(QPoint());
}

void SheetCanvas::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  const QRect area = event->rect();
  // Only the part of the sheet that is exposed is scaled: a whole sheet at 4x would be huge.
  const QRectF source(area.x() / zoom_, area.y() / zoom_, area.width() / zoom_,
                      area.height() / zoom_);
  p.fillRect(area, Qt::white);
  p.setRenderHint(QPainter::SmoothPixmapTransform, zoom_ < 1.0);
  p.drawImage(QRectF(area), image_, source);
  if (!loupe_ || !loupeShown_) return;
  // The loupe: the pixels under the pointer, each one kLoupeMagnification screen pixels across at
  // 1:1 and wider than that when zoomed in already.
  const double scale = std::max(zoom_, 1.0) * kLoupeMagnification;
  const QPointF centre = QPointF(loupeAt_) / zoom_;
  const double half = kLoupeRadius / scale;
  const QRectF from(centre.x() - half, centre.y() - half, 2 * half, 2 * half);
  const QRect to = LoupeRect(loupeAt_);
  QPainterPath circle;
  circle.addEllipse(QRectF(to));
  p.save();
  p.setClipPath(circle);
  p.fillRect(to, Qt::white);
  p.setRenderHint(QPainter::SmoothPixmapTransform, false);
  p.drawImage(QRectF(to), image_, from);
  p.restore();
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(0x30, 0x30, 0x30), 2));
  p.drawEllipse(QRectF(to));
  // A cross hair on the pixel in the middle.
  p.setPen(QPen(QColor(0xd0, 0x30, 0x30, 160), 1));
  p.drawLine(loupeAt_.x() - 10, loupeAt_.y(), loupeAt_.x() + 10, loupeAt_.y());
  p.drawLine(loupeAt_.x(), loupeAt_.y() - 10, loupeAt_.x(), loupeAt_.y() + 10);
}

SheetViewer::SheetViewer(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("SheetViewer"));
  setWindowTitle(tr("Printed sheet"));
  canvas_ = new SheetCanvas;
  scroll_ = new QScrollArea;
  scroll_->setObjectName(QStringLiteral("SheetScroll"));
  scroll_->setWidget(canvas_);
  scroll_->setWidgetResizable(false);
  scroll_->setAlignment(Qt::AlignCenter);
  scroll_->setBackgroundRole(QPalette::Dark);
  zoomSlider_ = new QSlider(Qt::Horizontal);
  zoomSlider_->setObjectName(QStringLiteral("ZoomSlider"));
  zoomSlider_->setRange(0, kMaxZoomPercent);
  zoomSlider_->setToolTip(tr("0: the whole sheet; 100: one sheet pixel per screen pixel"));
  zoomLabel_ = new QLabel;
  zoomLabel_->setObjectName(QStringLiteral("ZoomLabel"));
  zoomLabel_->setMinimumWidth(90);
  loupeBox_ = new QCheckBox(tr("Loupe"));
  loupeBox_->setObjectName(QStringLiteral("LoupeBox"));
  loupeBox_->setChecked(true);
  pixelLabel_ = new QLabel;
  pixelLabel_->setObjectName(QStringLiteral("PixelLabel"));
  pixelLabel_->setMinimumWidth(150);
  auto* bar = new QHBoxLayout;
  bar->addWidget(new QLabel(tr("Zoom")));
  bar->addWidget(zoomSlider_, 1);
  bar->addWidget(zoomLabel_);
  bar->addWidget(loupeBox_);
  bar->addWidget(pixelLabel_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(bar);
  layout->addWidget(scroll_, 1);
  connect(zoomSlider_, &QSlider::valueChanged, this, [this] { ApplyZoom(); });
  connect(loupeBox_, &QCheckBox::toggled, canvas_, &SheetCanvas::SetLoupeEnabled);
  connect(canvas_, &SheetCanvas::PointedAt, this, [this](QPoint px) {
    pixelLabel_->setText(px.x() < 0 ? QString() : tr("x %1  y %2").arg(px.x()).arg(px.y()));
  });
  resize(720, 820);
}

bool SheetViewer::Open(const QString& file) {
  QImage image(file);
  if (image.isNull()) return false;
  file_ = file;
  setWindowTitle(tr("Printed sheet %1").arg(QFileInfo(file).fileName()));
  canvas_->SetImage(image.convertToFormat(QImage::Format_RGB32));
  ApplyZoom();
  return true;
}

void SheetViewer::SetZoomPercent(int percent) {
  zoomSlider_->setValue(std::clamp(percent, 0, kMaxZoomPercent));
  ApplyZoom();
}

double SheetViewer::FitZoom() const {
  const QImage& image = canvas_->Image();
  if (image.isNull()) return 1.0;
  const QSize room = scroll_->viewport()->size();
  return std::min(room.width() / static_cast<double>(image.width()),
                  room.height() / static_cast<double>(image.height()));
}

void SheetViewer::ApplyZoom() {
  const int percent = zoomSlider_->value();
  // Between the whole sheet and 1:1 the slider's lower values run from the fit up.
  const double fit = FitZoom();
  const double zoom = percent == 0 ? fit : std::max(fit, percent / 100.0);
  canvas_->SetZoom(zoom);
  zoomLabel_->setText(percent == 0 ? tr("whole sheet")
                                   : QStringLiteral("%1%").arg(std::lround(zoom * 100)));
}

void SheetViewer::CenterOn(QPoint sheetPixel) {
  const double zoom = canvas_->Zoom();
  scroll_->horizontalScrollBar()->setValue(static_cast<int>(sheetPixel.x() * zoom) -
                                           scroll_->viewport()->width() / 2);
  scroll_->verticalScrollBar()->setValue(static_cast<int>(sheetPixel.y() * zoom) -
                                         scroll_->viewport()->height() / 2);
}

void SheetViewer::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (zoomSlider_->value() == 0) ApplyZoom();
}

}  // namespace vprinter::panel
