// The timed-reading controls of the main window's real-time frame: "定时读(s)" with txtSetTime
// and cmdAutoRead, under the value frame.
#include "frmroughin.h"
#include "common/tr8.h"

#include "polling/texts.h"
#include "station/station.h"
#include "entrybox.h"
#include "valueframe.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kestrel {

void frmroughin::buildTimedReading(QWidget *host)
{
    TimedReading &timed = m_station.timedReading;
    auto *row = new QHBoxLayout;
    auto *box = new QLineEdit(timed.txtSetTime, host);
    box->setObjectName(QStringLiteral("txtSetTime"));
    box->setAccessibleName(tr8(texts::polling::SetTimeLabel));
    makeDigitsOnly(box);
    box->setMaximumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12);
    auto *label = new QLabel(tr8(texts::polling::SetTimeLabel), host);
    label->setObjectName(QStringLiteral("lab_txtSetTime"));
    label->setBuddy(box);
    auto *button = new QPushButton(timed.autoReadCaption(), host);
    button->setObjectName(QStringLiteral("cmdAutoRead"));
    row->addWidget(label);
    row->addWidget(box);
    row->addWidget(button);
    row->addStretch(1);
    static_cast<QBoxLayout *>(host->layout())->addLayout(row);

    // The core follows the box whatever changed its text: typing, pasting, a script.
    followText(box, this, [&timed](const QString &t) { timed.setTxtSetTime(t); });
    connect(button, &QPushButton::clicked, this, [&timed] { timed.cmdAutoRead_Click(); });
    const auto render = [this, &timed, box, button, label] {
        showText(box, timed.txtSetTime);
        button->setText(timed.autoReadCaption());
        // Part of the real-time frame, which waits while the polling settings are open.
        for (QWidget *w :
             {static_cast<QWidget *>(box), static_cast<QWidget *>(button), static_cast<QWidget *>(label)})
            w->setEnabled(m_station.framesEnabled());
    };
    connect(&m_station, &Station::changed, this, render);
    render();
}

} // namespace kestrel
