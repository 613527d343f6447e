#include "thumbnails.h"

#include "catalogue.h"
#include "mediacontent.h"

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace demosite {

QByteArray Thumbnails::jpeg(std::string_view id)
{
    if (!findVideo(id))
        return {};
    // Drawing happens under the lock too: painting and JPEG writing stay on one thread at a time.
    std::lock_guard lock(m_mutex);
    const auto it = m_cache.find(id);
    if (it != m_cache.end())
        return it->second;
    QByteArray bytes = draw(id);
    m_cache.emplace(std::string(id), bytes);
    return bytes;
}

QByteArray Thumbnails::draw(std::string_view id)
{
    // Every choice below comes from the identifier's hash, so a video always looks the same.
    std::uint64_t bits = splitmix64(mediaSeed(id, 0));
    const auto take = [&bits](int range) {
        const int value = static_cast<int>(bits % static_cast<std::uint64_t>(range));
        bits = splitmix64(bits);
        return value;
    };

    QImage image(120, 90, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    const int hue = take(360);
    QLinearGradient background(0, 0, 120, 90);
    background.setColorAt(0, QColor::fromHsv(hue, 150 + take(100), 200 + take(55)));
    background.setColorAt(1, QColor::fromHsv((hue + 40 + take(80)) % 360, 200, 90 + take(60)));
    painter.fillRect(image.rect(), background);

    const int shapes = 2 + take(4);
    for (int i = 0; i < shapes; ++i) {
        const QColor colour = QColor::fromHsv((hue + 120 + take(120)) % 360, 120 + take(135), 150 + take(105),
                                              150 + take(105));
        painter.setPen(QPen(colour.darker(150), 1.5));
        painter.setBrush(colour);
        const QRectF box(take(90), take(65), 18 + take(40), 14 + take(30));
        switch (take(4)) {
        case 0:
            painter.drawEllipse(box);
            break;
        case 1:
            painter.drawRoundedRect(box, 4, 4);
            break;
        case 2: {
            QPolygonF triangle;
            triangle << QPointF(box.center().x(), box.top()) << box.bottomRight() << box.bottomLeft();
            painter.drawPolygon(triangle);
            break;
        }
        default: {
            QPainterPath diamond;
            diamond.moveTo(box.center().x(), box.top());
            diamond.lineTo(box.right(), box.center().y());
            diamond.lineTo(box.center().x(), box.bottom());
            diamond.lineTo(box.left(), box.center().y());
            diamond.closeSubpath();
            painter.drawPath(diamond);
            break;
        }
        }
    }

    // A play button in the middle, as on any video thumbnail.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 140));
    painter.drawEllipse(QPointF(60, 45), 16, 16);
    painter.setBrush(QColor(255, 255, 255, 230));
    QPolygonF play;
    play << QPointF(54, 36) << QPointF(70, 45) << QPointF(54, 54);
    painter.drawPolygon(play);
    painter.end();

    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 85);
    return bytes;
}

} // namespace demosite
