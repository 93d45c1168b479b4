// The history button and its dialog.
#include "frmroughin.h"

#include "dialog2.h"
#include "history/texts.h"
#include "station/station.h"

#include <QLayout>
#include <QPushButton>

namespace kestrel {

void frmroughin::buildHistoryButton(QWidget *host)
{
    auto *cmdOD = new QPushButton(QString::fromUtf8(texts::history::Caption), host);
    cmdOD->setObjectName(QStringLiteral("cmdOD"));
    host->layout()->addWidget(cmdOD);
    connect(cmdOD, &QPushButton::clicked, this, &frmroughin::cmdOD_Click);
}

// Created on first use and kept, so the dialog keeps its last result while it is hidden.
void frmroughin::cmdOD_Click()
{
    if (!m_Dialog2)
        m_Dialog2 = new Dialog2(m_station.db, m_station.op, m_station.clock, m_station.dataFolder, this);
    m_Dialog2->show();
    m_Dialog2->raise();
    m_Dialog2->activateWindow();
}

} // namespace kestrel
