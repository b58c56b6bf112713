#include "editor/ui/screen_icons.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace klv {

namespace {

const QColor kOutline(40, 40, 40);
const QColor kAlarmRed(210, 30, 30);
const QColor kCurveBlue(20, 90, 200);
const QColor kLimitRed(220, 40, 40);

QPen Pen(const QColor& color, qreal width) {
  QPen pen(color, width);
  pen.setCapStyle(Qt::RoundCap);
  pen.setJoinStyle(Qt::RoundJoin);
  return pen;
}

// A red disc with a white "!" in the lower right corner: the alarm mark.
void AlarmMark(QPainter& p) {
  p.setPen(Pen(Qt::white, 1));
  p.setBrush(kAlarmRed);
  p.drawEllipse(QRectF(19, 19, 12, 12));
  p.setPen(Pen(Qt::white, 2));
  p.drawLine(QPointF(25, 21.8), QPointF(25, 25.8));
  p.drawPoint(QPointF(25, 28.4));
}

// Axes of a small graph, origin at the lower left.
void Axes(QPainter& p) {
  p.setPen(Pen(kOutline, 1.5));
  p.drawLine(QPointF(4, 3), QPointF(4, 28));
  p.drawLine(QPointF(4, 28), QPointF(30, 28));
}

void KeyLock(QPainter& p) {
  p.setPen(Pen(QColor(90, 90, 90), 3));
  p.setBrush(Qt::NoBrush);
  QPainterPath shackle;
  shackle.moveTo(10.5, 15);
  shackle.lineTo(10.5, 10);
  shackle.arcTo(QRectF(10.5, 4, 11, 12), 180, -180);
  shackle.lineTo(21.5, 15);
  p.drawPath(shackle);
  p.setPen(Pen(kOutline, 1.2));
  p.setBrush(QColor(235, 185, 40));
  p.drawRoundedRect(QRectF(6.5, 14, 19, 15), 2.5, 2.5);
  p.setPen(Qt::NoPen);
  p.setBrush(kOutline);
  p.drawEllipse(QRectF(14, 18, 4, 4));
  p.drawRect(QRectF(15.2, 21, 1.6, 4.5));
}

void FuseMelted(QPainter& p) {
  // Caps, glass, and a wire with a gap in the middle.
  p.setPen(Pen(kOutline, 1));
  p.setBrush(QColor(185, 185, 190));
  p.drawRect(QRectF(2, 11, 6, 10));
  p.drawRect(QRectF(24, 11, 6, 10));
  p.setBrush(QColor(205, 230, 250));
  p.drawRect(QRectF(8, 12, 16, 8));
  p.setPen(Pen(QColor(120, 80, 20), 1.5));
  p.drawLine(QPointF(8, 16), QPointF(13.5, 16));
  p.drawLine(QPointF(18.5, 16), QPointF(24, 16));
  p.setPen(Pen(QColor(240, 120, 0), 1.2));
  p.drawLine(QPointF(16, 8), QPointF(16, 11));
  p.drawLine(QPointF(13, 9), QPointF(14.5, 11.5));
  p.drawLine(QPointF(19, 9), QPointF(17.5, 11.5));
  p.drawLine(QPointF(16, 21), QPointF(16, 24));
  p.drawLine(QPointF(13, 23), QPointF(14.5, 20.5));
  p.drawLine(QPointF(19, 23), QPointF(17.5, 20.5));
}

void PowerSupplyError(QPainter& p) {
  // The circuit symbol of an AC source on its two leads.
  p.setPen(Pen(kOutline, 1.5));
  p.drawLine(QPointF(2, 14), QPointF(6, 14));
  p.drawLine(QPointF(24, 14), QPointF(28, 14));
  p.setBrush(Qt::white);
  p.drawEllipse(QRectF(6, 4, 18, 20));
  QPainterPath wave;
  wave.moveTo(9, 14);
  for (int i = 1; i <= 24; ++i) {
    const qreal x = 9 + 12.0 * i / 24;
    wave.lineTo(x, 14 - 4.5 * std::sin(2 * std::numbers::pi * i / 24));
  }
  p.setBrush(Qt::NoBrush);
  p.setPen(Pen(kCurveBlue, 1.8));
  p.drawPath(wave);
  AlarmMark(p);
}

void CurrentError(QPainter& p) {
  // An ammeter: a circle with "A" on its two leads.
  p.setPen(Pen(kOutline, 1.5));
  p.drawLine(QPointF(2, 14), QPointF(6, 14));
  p.drawLine(QPointF(24, 14), QPointF(28, 14));
  p.setBrush(Qt::white);
  p.drawEllipse(QRectF(6, 4, 18, 20));
  p.setPen(Pen(kCurveBlue, 2));
  p.drawLine(QPointF(10.5, 20), QPointF(15, 8));
  p.drawLine(QPointF(15, 8), QPointF(19.5, 20));
  p.drawLine(QPointF(12.3, 16), QPointF(17.7, 16));
  AlarmMark(p);
}

void HardwareError(QPainter& p) {
  // A chip with four pins on each side.
  p.setPen(Pen(QColor(150, 150, 150), 1.6));
  for (int i = 0; i < 4; ++i) {
    const qreal y = 8 + 4 * i;
    p.drawLine(QPointF(3, y), QPointF(7, y));
    p.drawLine(QPointF(23, y), QPointF(27, y));
  }
  p.setPen(Pen(kOutline, 1));
  p.setBrush(QColor(60, 60, 65));
  p.drawRoundedRect(QRectF(7, 5, 16, 18), 1.5, 1.5);
  p.setBrush(QColor(120, 120, 125));
  p.setPen(Qt::NoPen);
  p.drawEllipse(QRectF(9, 7, 3, 3));
  AlarmMark(p);
}

void TemperatureError(QPainter& p) {
  // A thermometer: a tube with a scale and a red bulb.
  p.setPen(Pen(kOutline, 1.2));
  p.setBrush(Qt::white);
  p.drawRoundedRect(QRectF(9, 2, 6, 20), 3, 3);
  p.setBrush(kAlarmRed);
  p.drawEllipse(QRectF(7, 19, 10, 10));
  p.setPen(Qt::NoPen);
  p.drawRect(QRectF(10.8, 8, 2.4, 13));
  p.setPen(Pen(kOutline, 1));
  for (int i = 0; i < 4; ++i) p.drawLine(QPointF(15, 5 + 4 * i), QPointF(17.5, 5 + 4 * i));
  AlarmMark(p);
}

void HeaterBreak(QPainter& p) {
  // A heating coil on two leads, broken in the middle.
  const QColor coil(220, 90, 20);
  p.setPen(Pen(kOutline, 1.5));
  p.drawLine(QPointF(1, 16), QPointF(4, 16));
  p.drawLine(QPointF(28, 16), QPointF(31, 16));
  p.setPen(Pen(coil, 2));
  QPainterPath left;
  left.moveTo(4, 16);
  left.lineTo(6, 9);
  left.lineTo(8.5, 23);
  left.lineTo(11, 9);
  left.lineTo(13, 16);
  p.drawPath(left);
  QPainterPath right;
  right.moveTo(19, 16);
  right.lineTo(21, 23);
  right.lineTo(23.5, 9);
  right.lineTo(26, 23);
  right.lineTo(28, 16);
  p.drawPath(right);
  p.setPen(Pen(kAlarmRed, 1.5));
  p.drawLine(QPointF(14.5, 12), QPointF(17.5, 20));
}

void CurrentLimiter(QPainter& p) {
  Axes(p);
  // A half-wave cut flat at the limit.
  const qreal limit = 12;
  QPainterPath curve;
  curve.moveTo(5, 27);
  for (int i = 1; i <= 48; ++i) {
    const qreal x = 5 + 24.0 * i / 48;
    const qreal y = 27 - 22 * std::fabs(std::sin(2 * std::numbers::pi * i / 48));
    curve.lineTo(x, std::max(y, limit));
  }
  p.setPen(Pen(kCurveBlue, 1.8));
  p.drawPath(curve);
  QPen dashed = Pen(kLimitRed, 1.2);
  dashed.setStyle(Qt::DashLine);
  p.setPen(dashed);
  p.drawLine(QPointF(4, limit), QPointF(30, limit));
}

void BootLimiter(QPainter& p) {
  Axes(p);
  // After start the output waits at the limit, then rises to full.
  QPen dashed = Pen(kLimitRed, 1.2);
  dashed.setStyle(Qt::DashLine);
  p.setPen(dashed);
  p.drawLine(QPointF(4, 20), QPointF(17, 20));
  p.drawLine(QPointF(17, 6), QPointF(17, 28));
  p.setPen(Pen(kCurveBlue, 1.8));
  QPainterPath curve;
  curve.moveTo(5, 27);
  curve.lineTo(7, 20);
  curve.lineTo(17, 20);
  curve.lineTo(22, 6);
  curve.lineTo(30, 6);
  p.drawPath(curve);
}

void Scaling(QPainter& p) {
  Axes(p);
  // A straight line from the low level to the high level.
  QPen dotted = Pen(kLimitRed, 1.2);
  dotted.setStyle(Qt::DotLine);
  p.setPen(dotted);
  p.drawLine(QPointF(4, 22), QPointF(30, 22));
  p.drawLine(QPointF(4, 7), QPointF(30, 7));
  p.setPen(Pen(kCurveBlue, 2));
  p.drawLine(QPointF(6, 22), QPointF(28, 7));
  p.setBrush(kCurveBlue);
  p.drawEllipse(QPointF(6, 22), 1.5, 1.5);
  p.drawEllipse(QPointF(28, 7), 1.5, 1.5);
}

}  // namespace

QPixmap DrawScreenIcon(ScreenIcon icon, int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 32.0, size / 32.0);
  switch (icon) {
    case ScreenIcon::KeyLock: KeyLock(p); break;
    case ScreenIcon::FuseMelted: FuseMelted(p); break;
    case ScreenIcon::PowerSupplyError: PowerSupplyError(p); break;
    case ScreenIcon::CurrentError: CurrentError(p); break;
    case ScreenIcon::HardwareError: HardwareError(p); break;
    case ScreenIcon::TemperatureError: TemperatureError(p); break;
    case ScreenIcon::HeaterBreak: HeaterBreak(p); break;
    case ScreenIcon::CurrentLimiter: CurrentLimiter(p); break;
    case ScreenIcon::BootLimiter: BootLimiter(p); break;
    case ScreenIcon::Scaling: Scaling(p); break;
  }
  p.end();
  return QPixmap::fromImage(image);
}

}  // namespace klv
