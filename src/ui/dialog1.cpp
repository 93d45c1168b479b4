#include "dialog1.h"
#include "common/tr8.h"

#include "devices/configfile.h"
#include "devices/texts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestrel {

Dialog1::Dialog1(Operator &op, PollSettings &settings, const DeviceTable &table, const QString &folder,
                 QWidget *parent)
    : QDialog(parent), m_op(op), m_settings(settings), m_table(table), m_folder(folder)
{
    setObjectName(QStringLiteral("Dialog1"));
    setWindowTitle(tr8(texts::devices::SaveConfigCaption));
    setModal(false);

    auto *label = new QLabel(tr8(texts::devices::SaveConfigQuestion), this);
    label->setObjectName(QStringLiteral("Label1"));
    auto *ok = new QPushButton(tr8(texts::devices::Ok), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(tr8(texts::devices::Cancel), this);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    cancel->setAutoDefault(false);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, &Dialog1::OKButton_Click);
    connect(cancel, &QPushButton::clicked, this, &Dialog1::CancelButton_Click);
}

Dialog1 *Dialog1::ask(Operator &op, PollSettings &settings, const DeviceTable &table, const QString &folder,
                      QWidget *parent)
{
    auto *dlg = new Dialog1(op, settings, table, folder, parent);
    dlg->setAttribute(Qt::WA_DeleteOnClose);
    dlg->show();
    dlg->raise();
    dlg->activateWindow();
    return dlg;
}

void Dialog1::OKButton_Click()
{
    if (m_answered)
        return;
    m_answered = true;
    // The file keeps the run's save choice; saving of readings ends with the run.
    // The file dialog runs an event loop; the settings and table outlive this dialog.
    QPointer<Dialog1> self(this);
    PollSettings &settings = m_settings;
    const QString folder = m_folder;
    saveConfiguration(m_op, folder, settings, m_table);
    settings.SaveEnabled = false;
    if (self)
        done(QDialog::Accepted);
}

void Dialog1::CancelButton_Click()
{
    if (m_answered)
        return;
    m_answered = true;
    m_settings.SaveEnabled = false;
    done(QDialog::Rejected);
}

void Dialog1::reject()
{
    CancelButton_Click();
}

} // namespace kestrel
