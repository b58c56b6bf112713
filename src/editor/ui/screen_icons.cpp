#include "editor/ui/screen_icons.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace klv {

namespace {

QColor ToQColor(IconColor color) { return QColor(color.red, color.green, color.blue); }

QPen PenOf(const IconShape& shape) {
  if (shape.line == IconLine::None) return Qt::NoPen;
  QPen pen(ToQColor(shape.lineColor), shape.lineWidth);
  pen.setCapStyle(Qt::RoundCap);
  pen.setJoinStyle(Qt::RoundJoin);
  if (shape.line == IconLine::Dashed) pen.setStyle(Qt::DashLine);
  if (shape.line == IconLine::Dotted) pen.setStyle(Qt::DotLine);
  return pen;
}

void Paint(QPainter& p, const IconShape& shape) {
  p.setPen(PenOf(shape));
  p.setBrush(shape.filled ? QBrush(ToQColor(shape.fill)) : QBrush(Qt::NoBrush));
  if (shape.kind == IconShape::Kind::Lines) {
    QPainterPath path;
    path.moveTo(shape.points.front().x, shape.points.front().y);
    for (std::size_t i = 1; i < shape.points.size(); ++i) path.lineTo(shape.points[i].x, shape.points[i].y);
    p.drawPath(path);
    return;
  }
  const QRectF box(QPointF(shape.points[0].x, shape.points[0].y), QPointF(shape.points[1].x, shape.points[1].y));
  switch (shape.kind) {
    case IconShape::Kind::Rectangle: p.drawRect(box); break;
    case IconShape::Kind::RoundedRectangle: p.drawRoundedRect(box, shape.cornerRadius, shape.cornerRadius); break;
    case IconShape::Kind::Ellipse: p.drawEllipse(box); break;
    case IconShape::Kind::Lines: break;
  }
}

}  // namespace

QPixmap DrawScreenIcon(ScreenIcon icon, int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 32.0, size / 32.0);
  for (const IconShape& shape : ScreenIconShapes(icon)) Paint(p, shape);
  p.end();
  return QPixmap::fromImage(image);
}

}  // namespace klv
