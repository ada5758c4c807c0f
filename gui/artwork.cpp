#include "gui/artwork.h"

#include <QPainterPath>
#include <algorithm>
#include <map>

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

QPixmap FolderImage(int index) {
  static std::map<int, QPixmap> cache;
  auto it = cache.find(index);
  if (it != cache.end()) return it->second;
  // Inbox green, sent blue, unsent orange, templates grey, search violet,
  // the user's own folders yellow.
  static const QColor kinds[6] = {QColor(232, 196, 80), QColor(150, 110, 200), QColor(80, 130, 210),
                                  QColor(230, 140, 50), QColor(70, 160, 90), QColor(150, 150, 150)};
  const int kind = std::clamp(index / 4, 0, 5);
  QPixmap pm(64, 32);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor c = kinds[kind];
  p.setPen(QPen(c.darker(160), 1));
  p.setBrush((index & 1) ? c.lighter(125) : c);
  QPainterPath body;
  body.moveTo(20, 9);
  body.lineTo(28, 9);
  body.lineTo(31, 12);
  body.lineTo(46, 12);
  body.lineTo(46, 26);
  body.lineTo(20, 26);
  body.closeSubpath();
  p.drawPath(body);
  if (index & 2) {  // with children: a small plus before it
    p.setPen(QPen(QColor(60, 60, 60), 1.5));
    p.drawRect(5, 12, 9, 9);
    p.drawLine(7, 16, 12, 16);
    p.drawLine(9, 14, 9, 19);
  }
  return cache[index] = pm;
}

QPixmap MailImage(int index) {
  static std::map<int, QPixmap> cache;
  auto it = cache.find(index);
  if (it != cache.end()) return it->second;
  const int state = index % 4;
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor paper = state == 3 ? QColor(255, 250, 215) : QColor(245, 245, 245);
  p.setPen(QPen(state == 3 ? QColor(200, 40, 40) : QColor(90, 90, 90), 1));
  p.setBrush(paper);
  p.drawRect(1, 4, 13, 9);
  if (state == 0) {  // read: the flap open
    p.drawLine(1, 4, 7, 1);
    p.drawLine(7, 1, 14, 4);
  } else {
    p.drawLine(1, 4, 7, 9);
    p.drawLine(14, 4, 7, 9);
  }
  if (state == 1) {  // written here: a pen
    p.setPen(QPen(QColor(40, 90, 180), 2));
    p.drawLine(9, 14, 15, 8);
  }
  if (state == 2) {  // deleted
    p.setPen(QPen(QColor(160, 0, 0), 1.5));
    p.drawLine(2, 5, 13, 12);
  }
  if (index & 8) {  // attachments: a clip
    p.setPen(QPen(QColor(60, 60, 60), 1.2));
    p.drawLine(12, 2, 12, 9);
    p.drawLine(14, 2, 14, 10);
  }
  return cache[index] = pm;
}

}  // namespace fennel
