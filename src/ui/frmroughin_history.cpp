// The history button and its dialog.
#include "frmroughin.h"
#include "common/tr8.h"

#include "dialog2.h"
#include "history/texts.h"
#include "station/station.h"

#include <QHBoxLayout>
#include <QPushButton>

namespace kestrel {

void frmroughin::buildHistoryButton(QWidget *host)
{
    auto *row = new QWidget(host);
    row->setObjectName(QStringLiteral("historyRow"));
    auto *l = new QHBoxLayout(row);
    l->setContentsMargins(0, 0, 0, 0);
    auto *cmdOD = new QPushButton(tr8(texts::history::Caption), row);
    cmdOD->setObjectName(QStringLiteral("cmdOD"));
    l->addWidget(cmdOD);
    l->addStretch(1);
    host->layout()->addWidget(row);
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
