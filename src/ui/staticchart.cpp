#include "staticchart.h"
#include "common/tr8.h"

#include "curves/curvebuffers.h"
#include "curves/texts.h"

#include <QCheckBox>
#include <QResizeEvent>
#include <QScrollBar>

namespace kestrel {

StaticChart::StaticChart(CurveBuffers &buffers, QWidget *parent) : CurveWindow(buffers, parent)
{
    setObjectName(QStringLiteral("StaticChart"));
    resize(twips(11235), twips(6795));
    move(twips(900), twips(1000)); // a little below and right of the real-time window
    m_pic->setGeometry(twips(120), twips(120), twips(10935), twips(6135));
    m_HScroll1 = new QScrollBar(Qt::Horizontal, this);
    m_HScroll1->setObjectName(QStringLiteral("HScroll1"));
    m_HScroll1->setGeometry(twips(120), twips(6360), twips(9375), twips(255));
    m_HScroll1->setRange(0, plot::HistoryPages - 1);
    m_HScroll1->setSingleStep(1);
    m_HScroll1->setPageStep(10);
    connect(m_HScroll1, &QScrollBar::valueChanged, this, &StaticChart::drawPage);
    connect(m_pic, &PlotArea::pointerMoved, this, &StaticChart::pic_MouseMove);
    Form_Load();
}

void StaticChart::Form_Load()
{
    setWindowTitle(tr8(texts::curves::HistoryCaption));
    m_scrollWidth = m_HScroll1->width();
    m_scrollTop = m_HScroll1->y();
    m_ckBox[0]->setChecked(true);
    m_ckBox[1]->setChecked(true);
    pictureDefault();
    m_picSize = m_pic->size();
    drawPage();
    m_loaded = true;
}

void StaticChart::pictureDefault()
{
    placeCheckBoxes();
    m_pic->draw({}); // the frame alone
}

void StaticChart::drawPage()
{
    placeCheckBoxes();
    plot::Plot marks;
    plot::addHistoryPage(marks, m_buffers, m_HScroll1->value(), ticked());
    m_pic->draw(marks);
}

void StaticChart::resizeEvent(QResizeEvent *e)
{
    QWidget::resizeEvent(e);
    if (!m_loaded || isMinimized())
        return;
    if (isMaximized()) {
        m_pic->resize(std::max(1, width() - twips(600)), std::max(1, height() - twips(1200)));
        m_HScroll1->setGeometry(m_HScroll1->x(), height() - twips(1000), std::max(1, width() - twips(1200)),
                                m_HScroll1->height());
    } else {
        m_pic->resize(m_picSize);
        m_HScroll1->setGeometry(m_HScroll1->x(), m_scrollTop, std::max(1, m_scrollWidth - twips(100)),
                                m_HScroll1->height());
    }
    drawPage();
}

void StaticChart::pic_MouseMove(QPointF pointer)
{
    showReadout(pointer, plot::historyReadout(m_buffers, ticked(), m_HScroll1->value(), pointer));
}

} // namespace kestrel
