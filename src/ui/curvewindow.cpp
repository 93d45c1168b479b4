#include "curvewindow.h"

#include "common/twips.h"
#include "products/catalogue.h"

#include <QCheckBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace kestrel {

namespace {
const QColor Background(160, 160, 160); // mid grey: the black grid and every curve colour show on it

QColor colour(uint32_t rgb)
{
    return QColor::fromRgb(QRgb(0xFF000000u | rgb));
}
} // namespace

QPointF PlotScale::toPixels(QPointF p) const
{
    return QPointF((p.x() - plot::Left) * size.width() / (plot::Right - plot::Left),
                   (plot::Top - p.y()) * size.height() / (plot::Top - plot::Bottom));
}

QPointF PlotScale::toPlot(QPointF px) const
{
    return QPointF(plot::Left + unitsWide(px.x()), plot::Top - unitsHigh(px.y()));
}

void paintPlot(QImage &image, const plot::Plot &marks)
{
    image.fill(Background);
    MarkPainter().paint(image, marks);
}

const QImage &MarkPainter::sprite(const plot::Mark &c, double radiusPx)
{
    for (const Sprite &s : m_sprites)
        if (s.radiusPx == radiusPx && s.rgb == c.rgb && s.width == c.width)
            return s.image;
    // A round ring, antialiased, centred on the middle of the sprite.
    const int side = 2 * int(std::ceil(radiusPx + c.width / 2.0)) + 2;
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(colour(c.rgb), c.width));
    p.drawEllipse(QPointF(side / 2.0, side / 2.0), radiusPx, radiusPx);
    p.end();
    m_sprites.push_back({radiusPx, c.rgb, c.width, image});
    return m_sprites.back().image;
}

void MarkPainter::paint(QImage &image, const plot::Plot &marks)
{
    QPainter painter(&image);
    const PlotScale scale{QSizeF(image.size())};
    const int ascent = painter.fontMetrics().ascent();
    const double xPixels = scale.size.width() / (plot::Right - plot::Left);
    // Segments meet under the point's circle, so flat ends leave no visible gap.
    const auto penOf = [](const plot::Mark &m) {
        return QPen(colour(m.rgb), m.width, m.dotted ? Qt::DotLine : Qt::SolidLine, Qt::FlatCap);
    };
    QPen pen = penOf(plot::Mark());
    painter.setPen(pen);
    for (const plot::Mark &m : marks) {
        switch (m.kind) {
        case plot::Mark::Line: {
            const QPen wanted = penOf(m);
            if (wanted != pen)
                painter.setPen(pen = wanted);
            painter.drawLine(scale.toPixels(m.a), scale.toPixels(m.b));
            break;
        }
        case plot::Mark::Circle: {
            // Round, with the radius measured along x like the points it sits on.
            const QImage &s = sprite(m, m.radius * xPixels);
            const QPointF centre = scale.toPixels(m.a);
            painter.drawImage(QPoint(int(std::lround(centre.x() - s.width() / 2.0)),
                                     int(std::lround(centre.y() - s.height() / 2.0))),
                              s);
            break;
        }
        case plot::Mark::Text:
            if (pen != QPen(Qt::black))
                painter.setPen(pen = QPen(Qt::black));
            painter.drawText(scale.toPixels(m.a) + QPointF(0, ascent), m.text);
            break;
        }
    }
}

PlotArea::PlotArea(QWidget *parent) : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PlotArea::draw(const plot::Plot &curves)
{
    const QSize s = size().expandedTo(QSize(1, 1));
    if (m_frame.size() != s) {
        m_frame = QImage(s, QImage::Format_RGB32);
        paintPlot(m_frame, plot::frame());
    }
    m_picture = m_frame; // shares the frame until the curves are painted over it
    m_painter.paint(m_picture, curves);
    update();
}

void PlotArea::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Background);
    p.drawImage(0, 0, m_picture);
}

void PlotArea::mouseMoveEvent(QMouseEvent *e)
{
    Q_EMIT pointerMoved(scale().toPlot(e->position()));
}

CurveWindow::CurveWindow(CurveBuffers &buffers, QWidget *parent)
    : QWidget(parent, Qt::Window), m_buffers(buffers), m_pic(new PlotArea(this))
{
    m_pic->setObjectName(QStringLiteral("pic"));
    for (int k = 0; k < 13; ++k) {
        // Only the box shows; the legend printed beside it names it.
        auto *box = new QCheckBox(m_pic);
        box->setObjectName(QStringLiteral("ckBox_%1").arg(k));
        box->setAccessibleName(quantity(k).name());
        box->setFixedSize(box->sizeHint());
        m_ckBox[size_t(k)] = box;
    }
    m_labDisplay = new QLabel(m_pic);
    m_labDisplay->setObjectName(QStringLiteral("labDisplay"));
    m_labDisplay->setAutoFillBackground(true);
    m_labDisplay->setFrameShape(QFrame::Box);
    m_labDisplay->hide();
}

int CurveWindow::twips(int t) const
{
    return twipsToPixels(t, logicalDpiX() > 0 ? logicalDpiX() : 96.0);
}

plot::Ticked CurveWindow::ticked() const
{
    plot::Ticked t{};
    for (size_t k = 0; k < t.size(); ++k)
        t[k] = m_ckBox[k]->isChecked();
    return t;
}

void CurveWindow::moveTo(QWidget *w, QPointF plotTopLeft)
{
    w->move(m_pic->scale().toPixels(plotTopLeft).toPoint());
}

void CurveWindow::placeCheckBoxes()
{
    for (int k = 0; k < 13; ++k)
        moveTo(m_ckBox[size_t(k)], plot::checkBoxTopLeft(k));
}

void CurveWindow::showReadout(QPointF pointer, const std::optional<plot::Readout> &r)
{
    if (!r) {
        m_labDisplay->hide();
        return;
    }
    m_labDisplay->setText(r->names + u'\n' + r->values + u'\n' + r->time);
    m_labDisplay->adjustSize();
    const PlotScale s = m_pic->scale();
    moveTo(m_labDisplay, plot::readoutPosition(pointer, s.unitsWide(m_labDisplay->width()),
                                               s.unitsHigh(m_labDisplay->height())));
    m_labDisplay->show();
    m_labDisplay->raise();
}

} // namespace kestrel
