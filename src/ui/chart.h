#pragma once
// The real-time curve window "实时曲线": the last 50 readings of the timed reading as one curve
// per ticked quantity, redrawn whenever a reading arrives; "历史曲线" (cmdSC) opens the history
// window. Normal size keeps the plot at its first size; maximised, the plot fills the window
// but for 100 twips across and 1200 down.
#include "curvewindow.h"

class QPushButton;

namespace kestrel {

class StaticChart;

class chart : public CurveWindow {
    Q_OBJECT
public:
    explicit chart(CurveBuffers &buffers, QWidget *parent = nullptr);

    void pictureDefault();
    void drawPic();
    StaticChart *staticChart() const { return m_staticChart; }

protected:
    void resizeEvent(QResizeEvent *e) override;

private:
    void Form_Load();
    void placeFrameWidgets();
    void cmdSC_Click();
    void pic_MouseMove(QPointF pointer);

    QPushButton *m_cmdSC = nullptr;
    StaticChart *m_staticChart = nullptr;
    QSize m_picSize;
    bool m_loaded = false;
};

} // namespace kestrel
