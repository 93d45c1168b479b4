#pragma once
// What the two curve windows share: the plot area `pic`, which maps the plot's coordinates
// (x −5..115 left to right, y 2200..−200 top to bottom) onto its pixels and keeps the picture
// last drawn into it; the 13 check boxes `ckBox` beside the legend; the hover readout
// `labDisplay`. Lines keep their pixel widths and texts their font size whatever the scale.
#include "curves/plotgeometry.h"

#include <QImage>
#include <QWidget>
#include <array>

class QCheckBox;
class QLabel;

namespace kestrel {

class CurveBuffers;

// Plot coordinates to pixels of an area of the given size, and back.
struct PlotScale {
    QSizeF size;
    QPointF toPixels(QPointF p) const;
    QPointF toPlot(QPointF px) const;
    double unitsWide(double px) const { return px * (plot::Right - plot::Left) / size.width(); }
    double unitsHigh(double px) const { return px * (plot::Top - plot::Bottom) / size.height(); }
};

// Paints the marks over the plot's background, in order.
void paintPlot(QImage &image, const plot::Plot &marks);

// Paints marks in order over what the image holds. Circles are stamped from sprites drawn once
// per radius, colour and width.
class MarkPainter {
public:
    void paint(QImage &image, const plot::Plot &marks);

private:
    const QImage &sprite(const plot::Mark &circle, double radiusPx);
    struct Sprite {
        double radiusPx;
        uint32_t rgb;
        int width;
        QImage image;
    };
    std::vector<Sprite> m_sprites;
};

class PlotArea : public QWidget {
    Q_OBJECT
public:
    explicit PlotArea(QWidget *parent);
    // Draws the frame and the curves into the kept picture, at the area's current size. The
    // frame is painted once per size and kept.
    void draw(const plot::Plot &curves);
    const QImage &picture() const { return m_picture; }
    PlotScale scale() const { return {QSizeF(size())}; }

Q_SIGNALS:
    void pointerMoved(QPointF plotPosition);

protected:
    void paintEvent(QPaintEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;

private:
    QImage m_frame;
    QImage m_picture;
    MarkPainter m_painter;
};

class CurveWindow : public QWidget {
    Q_OBJECT
public:
    PlotArea *pic() const { return m_pic; }
    plot::Ticked ticked() const;

protected:
    CurveWindow(CurveBuffers &buffers, QWidget *parent);
    int twips(int t) const;
    // The frame's widgets moved to their places at the plot's current size.
    void placeCheckBoxes();
    void moveTo(QWidget *w, QPointF plotTopLeft);
    // Shows the readout beside the pointer, or hides it.
    void showReadout(QPointF pointer, const std::optional<plot::Readout> &r);

    CurveBuffers &m_buffers;
    PlotArea *m_pic = nullptr;
    std::array<QCheckBox *, 13> m_ckBox{};
    QLabel *m_labDisplay = nullptr;
};

} // namespace kestrel
