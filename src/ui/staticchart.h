#pragma once
// The history curve window "历史曲线": one page of 51 samples of the history buffer (the last
// sample of a page is the first of the next), chosen with the scroll bar HScroll1 (pages
// 0..1727). It draws from memory at opening, on every move of the scroll bar and after a
// resize; ticking a box shows at the next of these.
#include "curvewindow.h"

class QScrollBar;

namespace kestrel {

class StaticChart : public CurveWindow {
    Q_OBJECT
public:
    explicit StaticChart(CurveBuffers &buffers, QWidget *parent = nullptr);

    void pictureDefault();
    void drawPage();
    QScrollBar *HScroll1() const { return m_HScroll1; }

protected:
    void resizeEvent(QResizeEvent *e) override;

private:
    void Form_Load();
    void pic_MouseMove(QPointF pointer);

    QScrollBar *m_HScroll1 = nullptr;
    QSize m_picSize;
    int m_scrollWidth = 0;
    int m_scrollTop = 0;
    bool m_loaded = false;
};

} // namespace kestrel
