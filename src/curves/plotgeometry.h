#pragma once
// What the curve windows draw, as data in the plot's own coordinates: the plot area shows x from
// −5 (left edge) to 115 (right edge) and y from 2200 (top edge) down to −200 (bottom edge). The
// data area is x 0..100, y 0..2000; point p of the curve lies at x = 2p and a value is drawn at
// y = the stored integer, unscaled. Right of the data area lie the legend (names at x 102, a
// colour stroke at 107..109, the check boxes at x 110) and the "历史曲线" button.
#include <QPointF>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace kestrel {

class CurveBuffers;

namespace plot {

constexpr double Left = -5, Right = 115, Top = 2200, Bottom = -200;
constexpr int HistoryPages = 1728; // scroll bar 0..1727; page s shows samples 50·s .. 50·s + 50

using Ticked = std::array<bool, 13>; // the check boxes, by catalogue index

// One thing to draw, in drawing order.
struct Mark {
    enum Kind { Line, Circle, Text };
    Kind kind = Line;
    QPointF a;         // line start, circle centre, top-left of a text
    QPointF b;         // line end
    double radius = 0; // circles, in x units
    uint32_t rgb = 0;  // 0xRRGGBB
    int width = 1;     // line width in pixels
    bool dotted = false;
    QString text;
};
using Plot = std::vector<Mark>;

// The curve colour of quantity k: colour 14 − k of the 16-colour palette.
uint32_t quantityColour(int k);

// The empty frame: grid, axes, value and "T" labels, legend names and colour strokes.
Plot frame();
QPointF checkBoxTopLeft(int k);
QPointF historyButtonTopLeft();

// The real-time curves: each filled point but the newest carries a red circle and the segment to
// the next point, for each ticked quantity.
void addRealTimeCurves(Plot &plot, const CurveBuffers &buffers, const Ticked &ticked);
// Page s of the history: samples 50·s + j at x = 2j, j = 0..50, drawn once the history holds two
// samples; no segment reaches past the last sample 86400.
void addHistoryPage(Plot &plot, const CurveBuffers &buffers, int page, const Ticked &ticked);

// The hover readout: the names of the ticked quantities whose value under the pointer lies within
// 30 of the pointer's y, their values, and the time of the point.
struct Readout {
    QString names;
    QString values;
    QString time;
};
std::optional<Readout> realTimeReadout(const CurveBuffers &buffers, const Ticked &ticked, QPointF pointer);
std::optional<Readout> historyReadout(const CurveBuffers &buffers, const Ticked &ticked, int page,
                                      QPointF pointer);
// Top-left of a readout w wide and h high (plot units) for the pointer: beside the pointer, to
// its left near the right edge, and kept below the top of the data area.
QPointF readoutPosition(QPointF pointer, double w, double h);

} // namespace plot
} // namespace kestrel
