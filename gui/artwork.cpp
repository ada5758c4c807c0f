#include "gui/artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "gui/qt_text.h"

namespace fennel {
namespace {

// A fennel frond over an envelope.
void DrawMark(QPainter& p, const QRectF& r) {
  p.setRenderHint(QPainter::Antialiasing);
  QRectF env = r.adjusted(r.width() * 0.08, r.height() * 0.28, -r.width() * 0.08, -r.height() * 0.1);
  p.setPen(QPen(QColor(40, 70, 40), std::max(1.0, r.width() / 32)));
  p.setBrush(QColor(250, 250, 240));
  p.drawRect(env);
  QPainterPath flap;
  flap.moveTo(env.topLeft());
  flap.lineTo(env.center().x(), env.top() + env.height() * 0.55);
  flap.lineTo(env.topRight());
  p.setBrush(Qt::NoBrush);
  p.drawPath(flap);
  p.setPen(QPen(QColor(60, 140, 60), std::max(1.5, r.width() / 16), Qt::SolidLine, Qt::RoundCap));
  QPointF stem(r.center().x(), r.top() + r.height() * 0.32);
  for (int i = -2; i <= 2; ++i)
    p.drawLine(stem, QPointF(r.center().x() + i * r.width() * 0.12, r.top() + r.height() * 0.05));
}

}  // namespace

QIcon AppIcon() {
  QPixmap pm(64, 64);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  DrawMark(p, QRectF(0, 0, 64, 64));
  return QIcon(pm);
}

QPixmap SplashPixmap() {
  QPixmap pm(400, 240);
  QPainter p(&pm);
  QLinearGradient g(0, 0, 0, 240);
  g.setColorAt(0, QColor(226, 240, 220));
  g.setColorAt(1, QColor(170, 205, 160));
  p.fillRect(pm.rect(), g);
  DrawMark(p, QRectF(24, 60, 120, 120));
  p.setPen(QColor(30, 60, 30));
  QFont title = p.font();
  title.setPointSize(30);
  title.setBold(true);
  p.setFont(title);
  p.drawText(QRectF(160, 70, 230, 60), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Fennel"));
  QFont sub = p.font();
  sub.setPointSize(11);
  sub.setBold(false);
  p.setFont(sub);
  p.drawText(QRectF(160, 130, 230, 40), Qt::AlignLeft | Qt::AlignVCenter, Qs("電子メールソフト"));
  p.setPen(QColor(90, 120, 90));
  p.drawRect(pm.rect().adjusted(0, 0, -1, -1));
  return pm;
}

}  // namespace fennel
