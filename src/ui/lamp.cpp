#include "lamp.h"

#include <QPainter>

namespace kestrel {

Lamp::Lamp(QWidget *parent) : QWidget(parent)
{
    setFixedSize(sizeHint());
}

void Lamp::setColor(const QColor &c)
{
    if (c == m_color)
        return;
    m_color = c;
    update();
}

void Lamp::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::darkGray, 1));
    p.setBrush(m_color);
    p.drawEllipse(rect().adjusted(1, 1, -1, -1));
}

} // namespace kestrel
