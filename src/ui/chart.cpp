#include "chart.h"
#include "common/tr8.h"

#include "curves/curvebuffers.h"
#include "curves/texts.h"
#include "staticchart.h"

#include <QCheckBox>
#include <QPushButton>
#include <QResizeEvent>

namespace kestrel {

chart::chart(CurveBuffers &buffers, QWidget *parent) : CurveWindow(buffers, parent)
{
    setObjectName(QStringLiteral("chart"));
    resize(twips(11190), twips(6390));
    m_pic->setGeometry(twips(120), twips(120), twips(10935), twips(6135));
    m_cmdSC = new QPushButton(tr8(texts::curves::HistoryCaption), m_pic);
    m_cmdSC->setObjectName(QStringLiteral("cmdSC"));
    connect(m_cmdSC, &QPushButton::clicked, this, &chart::cmdSC_Click);
    connect(m_pic, &PlotArea::pointerMoved, this, &chart::pic_MouseMove);
    connect(&buffers, &CurveBuffers::pointAdded, this, &chart::drawPic);
    Form_Load();
}

void chart::Form_Load()
{
    m_ckBox[0]->setChecked(true);
    m_ckBox[1]->setChecked(true);
    pictureDefault();
    move(twips(600), twips(700));
    m_picSize = m_pic->size();
    setWindowTitle(tr8(texts::curves::RealTimeCaption));
    // The curve holds what the timed reading fed before the window was first opened.
    drawPic();
    m_loaded = true;
}

void chart::placeFrameWidgets()
{
    placeCheckBoxes();
    const QPoint at = m_pic->scale().toPixels(plot::historyButtonTopLeft()).toPoint();
    m_cmdSC->resize(std::max(1, std::min(m_cmdSC->sizeHint().width(), m_pic->width() - at.x())),
                    m_cmdSC->sizeHint().height());
    m_cmdSC->move(at);
}

void chart::pictureDefault()
{
    placeFrameWidgets();
    m_pic->draw({}); // the frame alone
}

void chart::drawPic()
{
    placeFrameWidgets();
    plot::Plot marks;
    plot::addRealTimeCurves(marks, m_buffers, ticked());
    m_pic->draw(marks);
}

void chart::resizeEvent(QResizeEvent *e)
{
    QWidget::resizeEvent(e);
    if (!m_loaded || isMinimized())
        return;
    if (isMaximized())
        m_pic->resize(std::max(1, width() - twips(100)), std::max(1, height() - twips(1200)));
    else
        m_pic->resize(m_picSize);
    drawPic(); // the frame and the curves at the new size
}

void chart::cmdSC_Click()
{
    if (!m_staticChart)
        m_staticChart = new StaticChart(m_buffers, this);
    m_staticChart->show();
    m_staticChart->raise();
    m_staticChart->activateWindow();
}

void chart::pic_MouseMove(QPointF pointer)
{
    showReadout(pointer, plot::realTimeReadout(m_buffers, ticked(), pointer));
}

} // namespace kestrel
