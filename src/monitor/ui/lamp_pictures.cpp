#include "monitor/ui/lamp_pictures.h"

#include <QBitmap>
#include <QImage>
#include <QPainter>

namespace klv {
namespace {

const QColor kMaskColour(0, 128, 128);

// A picture drawn on the mask colour, the mask colour made transparent.
template <class Draw>
QPixmap Picture(Draw draw) {
  QImage image(kLampPictureSize, kLampPictureSize, QImage::Format_ARGB32);
  if (image.isNull()) return {};
  image.fill(kMaskColour);
  {
    QPainter painter(&image);
    draw(painter);
  }
  QPixmap pixmap = QPixmap::fromImage(image);
  if (pixmap.isNull()) return {};
  pixmap.setMask(pixmap.createMaskFromColor(kMaskColour, Qt::MaskInColor));
  return pixmap;
}

// A square lamp of the colour in a grey sunken frame.
QPixmap SquareLamp(const QColor& colour) {
  return Picture([&](QPainter& painter) {
    painter.fillRect(0, 0, 16, 16, QColor(192, 192, 192));
    painter.setPen(QColor(128, 128, 128));  // shadow above and left
    painter.drawLine(0, 0, 15, 0);
    painter.drawLine(0, 0, 0, 15);
    painter.setPen(QColor(255, 255, 255));  // light below and right
    painter.drawLine(1, 15, 15, 15);
    painter.drawLine(15, 1, 15, 15);
    painter.setPen(QColor(64, 64, 64));
    painter.drawLine(1, 1, 14, 1);
    painter.drawLine(1, 1, 1, 14);
    painter.fillRect(2, 2, 13, 13, colour);
  });
}

// A round lamp with a darker rim and a small highlight.
QPixmap RoundLamp(const QColor& colour) {
  return Picture([&](QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(colour.darker(170));
    painter.setBrush(colour);
    painter.drawEllipse(2, 2, 11, 11);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour.lighter(150));
    painter.drawEllipse(5, 5, 3, 3);
  });
}

}  // namespace

std::optional<LampPictures> MakeLampPictures() {
  LampPictures pictures;
  pictures.red = {SquareLamp(QColor(128, 0, 0)), SquareLamp(QColor(255, 0, 0))};
  pictures.green = {SquareLamp(QColor(0, 128, 0)), SquareLamp(QColor(0, 255, 0))};
  pictures.unknown = SquareLamp(QColor(160, 160, 160));
  if (pictures.unknown.isNull()) return std::nullopt;
  pictures.markers = {RoundLamp(QColor(40, 40, 40)), RoundLamp(QColor(0, 224, 0)), RoundLamp(QColor(255, 224, 0)),
                      RoundLamp(QColor(255, 0, 0))};
  for (const auto* list : {&pictures.red, &pictures.green}) {
    for (const QPixmap& pixmap : *list) {
      if (pixmap.isNull()) return std::nullopt;
    }
  }
  for (const QPixmap& pixmap : pictures.markers) {
    if (pixmap.isNull()) return std::nullopt;
  }
  return pictures;
}

}  // namespace klv
