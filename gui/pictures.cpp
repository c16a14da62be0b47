#include "gui/pictures.h"

#include <array>

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace velmoraine {

namespace {

const QColor kNavy(24, 58, 112);
const QColor kGreen(40, 150, 70);

constexpr std::array<const char *, 5> kFeatures = {
    "Each submission e-mailed to you",        "Visitors' data kept on our server",
    "Download it into your spreadsheet",      "Personal thank-you notes to visitors",
    "Fields checked before the form is sent",
};

void drawTick(QPainter &painter, const QRectF &box, qreal width) {
    QPainterPath tick;
    tick.moveTo(box.left(), box.top() + box.height() * 0.55);
    tick.lineTo(box.left() + box.width() * 0.38, box.bottom());
    tick.lineTo(box.right(), box.top());
    painter.setPen(QPen(kGreen, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(tick);
}

QPixmap iconPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = size / 16.0;
    // The sheet with three form lines.
    painter.setPen(QPen(kNavy, unit * 0.8));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRectF(unit * 1.5, unit * 0.8, unit * 10, unit * 14.4), unit, unit);
    painter.setPen(QPen(QColor(120, 140, 170), unit * 0.9));
    for (int line = 0; line < 3; ++line) {
        const qreal y = unit * (4 + line * 3);
        painter.drawLine(QPointF(unit * 3.5, y), QPointF(unit * 9.5, y));
    }
    drawTick(painter, QRectF(unit * 7.5, unit * 7.5, unit * 7.5, unit * 6.5), unit * 2);
    return pixmap;
}

} // namespace

FeaturePicture::FeaturePicture(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Image2"));
    setFixedSize(sizeHint());
}

void FeaturePicture::paintEvent(QPaintEvent * /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient fill(frame.topLeft(), frame.bottomLeft());
    fill.setColorAt(0, QColor(236, 243, 252));
    fill.setColorAt(1, QColor(210, 224, 244));
    painter.setPen(QPen(kNavy, 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(frame, 6, 6);

    QFont heading = font();
    heading.setBold(true);
    painter.setFont(heading);
    painter.setPen(kNavy);
    const QFontMetrics headingMetrics(heading);
    const int left = 10;
    int baseline = 8 + headingMetrics.ascent();
    painter.drawText(left, baseline, QStringLiteral("Velmoraine processes your form:"));

    painter.setFont(font());
    const QFontMetrics metrics(font());
    const int lineHeight = (height() - baseline - 8) / static_cast<int>(kFeatures.size());
    for (const char *feature : kFeatures) {
        baseline += lineHeight;
        const qreal tickSize = metrics.ascent() * 0.8;
        drawTick(painter, QRectF(left + 2, baseline - tickSize, tickSize, tickSize * 0.85), 2);
        painter.setPen(Qt::black);
        painter.drawText(left + 8 + static_cast<int>(tickSize), baseline, QString::fromLatin1(feature));
    }
}

QIcon applicationIcon() {
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128}) {
        icon.addPixmap(iconPixmap(size));
    }
    return icon;
}

} // namespace velmoraine
