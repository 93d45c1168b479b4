#include "dialog.h"
#include "entrybox.h"
#include "common/tr8.h"

#include "common/numeric.h"
#include "common/operator.h"
#include "common/twips.h"
#include "devices/configfile.h"
#include "devices/conntest.h"
#include "devices/devicetable.h"
#include "devices/pollsettings.h"
#include "devices/texts.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

#include <algorithm>

namespace kestrel {
namespace {

constexpr int MaxInterval = PollSettings::MaxInterval;
constexpr int MaxAddress = DeviceTable::LastAddress;

} // namespace

Dialog::Dialog(Operator &op, SettingsRequest &request, DeviceTable &table, const QString &folder,
               QWidget *parent)
    : QDialog(parent), m_op(op), m_request(request), m_table(table), m_folder(folder)
{
    setObjectName(QStringLiteral("Dialog"));
    setWindowTitle(tr8(texts::devices::DialogCaption));
    setModal(false);
    // A new dialog has loaded nothing yet.
    m_request.settings().ConfigLoaded = false;

    buildPollingFrame();
    m_Frame2 = new QGroupBox(tr8(texts::devices::TestFrame), this);
    m_Frame2->setObjectName(QStringLiteral("Frame2"));
    m_Frame3 = new QGroupBox(tr8(texts::devices::LogFrame), this);
    m_Frame3->setObjectName(QStringLiteral("Frame3"));

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->addWidget(m_Frame1, 0, 0, 2, 1);
    grid->addWidget(m_Frame2, 0, 1);
    grid->addWidget(m_Frame3, 1, 1);
    grid->setRowStretch(1, 1);

    m_Frame2->hide();
    m_Frame3->hide();
    setFaceSize(PollingWidth, PollingHeight);
}

QLineEdit *Dialog::numberBox(const QString &name, const QString &text)
{
    auto *box = new QLineEdit(text, m_Frame1);
    box->setObjectName(name);
    makeDigitsOnly(box);
    return box;
}

void Dialog::buildPollingFrame()
{
    m_Frame1 = new QGroupBox(tr8(texts::devices::PollFrame), this);
    m_Frame1->setObjectName(QStringLiteral("Frame1"));

    m_txtloopAdd[0] = numberBox(QStringLiteral("txtloopAdd_0"), QStringLiteral("1"));
    m_txtloopAdd[1] = numberBox(QStringLiteral("txtloopAdd_1"), QStringLiteral("5"));
    m_Text1 = numberBox(QStringLiteral("Text1"), QStringLiteral("1"));

    auto *form = new QGridLayout(m_Frame1);
    auto addRow = [&](int row, const char *caption, QLineEdit *box) {
        auto *label = new QLabel(tr8(caption), m_Frame1);
        label->setObjectName(QStringLiteral("lbl") + box->objectName());
        label->setBuddy(box);
        form->addWidget(label, row, 0);
        form->addWidget(box, row, 1);
    };
    addRow(0, texts::devices::StartAddress, m_txtloopAdd[0]);
    addRow(1, texts::devices::EndAddress, m_txtloopAdd[1]);
    m_Label5 = new QLabel(tr8(texts::devices::AddressRange), m_Frame1);
    m_Label5->setObjectName(QStringLiteral("Label5"));
    form->addWidget(m_Label5, 2, 0, 1, 2);
    addRow(3, texts::devices::PollInterval, m_Text1);

    m_checkSave = new QCheckBox(tr8(texts::devices::SaveData), m_Frame1);
    m_checkSave->setObjectName(QStringLiteral("checkSave"));
    m_cmdConf = new QPushButton(tr8(texts::devices::LoadConfig), m_Frame1);
    m_cmdConf->setObjectName(QStringLiteral("cmdConf"));
    m_cmdConf->setAutoDefault(false);
    form->addWidget(m_checkSave, 4, 0);
    form->addWidget(m_cmdConf, 4, 1);

    m_OKButton = new QPushButton(tr8(texts::devices::Ok), m_Frame1);
    m_OKButton->setObjectName(QStringLiteral("OKButton"));
    m_OKButton->setDefault(true);
    m_CancelButton = new QPushButton(tr8(texts::devices::Cancel), m_Frame1);
    m_CancelButton->setObjectName(QStringLiteral("CancelButton"));
    m_CancelButton->setAutoDefault(false);
    form->addWidget(m_OKButton, 5, 0);
    form->addWidget(m_CancelButton, 5, 1);

    connect(m_txtloopAdd[0], &QLineEdit::textChanged, this, &Dialog::txtloopAdd_Change);
    connect(m_txtloopAdd[1], &QLineEdit::textChanged, this, &Dialog::txtloopAdd_Change);
    connect(m_Text1, &QLineEdit::textChanged, this, &Dialog::Text1_Change);
    connect(m_cmdConf, &QPushButton::clicked, this, &Dialog::cmdConf_Click);
    connect(m_OKButton, &QPushButton::clicked, this, &Dialog::OKButton_Click);
    connect(m_CancelButton, &QPushButton::clicked, this, &Dialog::CancelButton_Click);
}

void Dialog::setFaceSize(int widthTwips, int heightTwips)
{
    const double dpi = logicalDpiX();
    resize(twipsToPixels(widthTwips, dpi), twipsToPixels(heightTwips, dpi));
}

Dialog *Dialog::openPollingFace(Operator &op, SettingsRequest &request, DeviceTable &table,
                                const QString &folder, QWidget *parent)
{
    Dialog *dlg = openDialog(op, request, table, folder, parent);
    dlg->showPollingFace();
    return dlg;
}

Dialog *Dialog::openDialog(Operator &op, SettingsRequest &request, DeviceTable &table, const QString &folder,
                           QWidget *parent)
{
    Dialog *dlg = nullptr;
    if (parent) {
        const auto open = parent->findChildren<Dialog *>(QString(), Qt::FindDirectChildrenOnly);
        auto it = std::find_if(open.begin(), open.end(), [](Dialog *d) { return d->isVisible(); });
        if (it != open.end())
            dlg = *it;
    }
    if (!dlg) {
        dlg = new Dialog(op, request, table, folder, parent);
        dlg->setAttribute(Qt::WA_DeleteOnClose);
    }
    return dlg;
}

void Dialog::showPollingFace()
{
    // A range that was never set (0) keeps the boxes' own "1" and "5".
    if (DeviceTable::valid(m_table.PollStart))
        m_txtloopAdd[0]->setText(QString::number(m_table.PollStart));
    if (DeviceTable::valid(m_table.PollEnd))
        m_txtloopAdd[1]->setText(QString::number(m_table.PollEnd));
    m_Frame2->hide();
    m_Frame3->hide();
    m_Frame1->show();
    setFaceSize(PollingWidth, PollingHeight);
    show();
    raise();
    activateWindow();
}

void Dialog::showTestFace()
{
    m_Frame1->hide();
    m_Frame2->show();
    m_Frame3->show();
    setFaceSize(TestWidth, TestHeight);
    show();
    raise();
    activateWindow();
}

void Dialog::Text1_Change()
{
    if (numericValue(m_Text1->text()) > MaxInterval)
        m_Text1->setText(QString::number(MaxInterval));
    if (numericValue(m_Text1->text()) < 1)
        m_Text1->setText(QStringLiteral("1"));
}

void Dialog::txtloopAdd_Change()
{
    if (numericValue(m_txtloopAdd[0]->text()) > MaxAddress) {
        m_txtloopAdd[0]->setText(QStringLiteral("1"));
        m_op.message(tr8(texts::devices::StartTooLarge));
    }
    if (numericValue(m_txtloopAdd[1]->text()) > MaxAddress) {
        m_txtloopAdd[1]->setText(QStringLiteral("5"));
        m_op.message(tr8(texts::devices::EndTooLarge));
    }
}

void Dialog::OKButton_Click()
{
    m_request.enableFrames();
    const SettingsAnswer a =
        acceptSettings(m_request.settings(), m_table, m_txtloopAdd[0]->text(), m_txtloopAdd[1]->text(),
                       m_Text1->text(), m_checkSave->checkState() != Qt::Unchecked);
    if (a == SettingsAnswer::RangeRefused) {
        m_txtloopAdd[0]->setText(QStringLiteral("1"));
        m_txtloopAdd[1]->setText(QStringLiteral("5"));
        m_op.message(tr8(texts::devices::StartAfterEnd));
        return;
    }
    done(QDialog::Accepted);
    // Last: the polling start continues from here and may outlive this dialog.
    m_request.accept();
}

void Dialog::CancelButton_Click()
{
    done(QDialog::Rejected);
    m_request.cancel();
}

void Dialog::reject()
{
    if (!m_Frame1->isHidden()) {
        CancelButton_Click();
        return;
    }
    if (m_test)
        m_test->closeBox();
    leaveTestFace();
}

void Dialog::cmdConf_Click()
{
    // The file dialog runs an event loop; should this dialog be gone when it returns, the load
    // still completes on the settings and table, which outlive it.
    QPointer<Dialog> self(this);
    const QString folder = m_folder;
    PollSettings &s = m_request.settings();
    const ConfigLoad loaded = loadConfiguration(m_op, folder, s, m_table);
    if (!self || !showsLoadedValues(loaded))
        return;
    m_Text1->setText(QString::number(s.intervalSeconds()));
    m_txtloopAdd[0]->setText(QString::number(m_table.PollStart));
    m_txtloopAdd[1]->setText(QString::number(m_table.PollEnd));
    m_checkSave->setChecked(s.SaveEnabled);
}

// The test face: Frame2 holds the range, the pass count and the start and stop buttons; Frame3
// the log with its clear and exit buttons. Built once, when the dialog first shows it.
void Dialog::buildTestFrame()
{
    auto *form = new QGridLayout(m_Frame2);
    auto addBox = [&](int row, int column, const char *caption, const QString &name) {
        auto *box = new QLineEdit(m_Frame2);
        box->setObjectName(name);
        makeDigitsOnly(box);
        auto *label = new QLabel(tr8(caption), m_Frame2);
        label->setObjectName(QStringLiteral("lbl") + name);
        label->setBuddy(box);
        form->addWidget(label, row, column);
        form->addWidget(box, row, column + 1);
        return box;
    };
    auto addButton = [](QWidget *parent, const char *caption, const QString &name) {
        auto *b = new QPushButton(tr8(caption), parent);
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };
    m_txtloopAdd[2] = addBox(0, 0, texts::devices::StartAddress, QStringLiteral("txtloopAdd_2"));
    m_txtloopAdd[3] = addBox(0, 2, texts::devices::EndAddress, QStringLiteral("txtloopAdd_3"));
    auto *label1 = new QLabel(tr8(texts::devices::AddressRange), m_Frame2);
    label1->setObjectName(QStringLiteral("Label1"));
    form->addWidget(label1, 1, 0, 1, 4);
    m_Text3 = addBox(2, 0, texts::devices::RepeatLabel, QStringLiteral("Text3"));
    m_cmdtest = addButton(m_Frame2, texts::devices::StartTest, QStringLiteral("cmdtest"));
    form->addWidget(m_cmdtest, 2, 3);
    auto *label4 = new QLabel(tr8(texts::devices::RepeatHint), m_Frame2);
    label4->setObjectName(QStringLiteral("Label4"));
    label4->setWordWrap(true);
    form->addWidget(label4, 3, 0, 1, 3);
    auto *cmdstop = addButton(m_Frame2, texts::devices::StopTest, QStringLiteral("cmdstop"));
    form->addWidget(cmdstop, 3, 3);

    auto *logLayout = new QGridLayout(m_Frame3);
    m_Text2 = new QPlainTextEdit(m_Frame3);
    m_Text2->setObjectName(QStringLiteral("Text2"));
    m_Text2->setReadOnly(true);
    m_Text2->setAccessibleName(tr8(texts::devices::LogFrame));
    logLayout->addWidget(m_Text2, 0, 0, 1, 3);
    auto *cmdcls = addButton(m_Frame3, texts::devices::ClearLog, QStringLiteral("cmdcls"));
    auto *cmdExig = addButton(m_Frame3, texts::devices::ExitTest, QStringLiteral("cmdExig"));
    logLayout->addWidget(cmdcls, 1, 1);
    logLayout->addWidget(cmdExig, 1, 2);
    logLayout->setColumnStretch(0, 1);

    ConnTest &t = *m_test;
    connect(m_txtloopAdd[2], &QLineEdit::textChanged, this, [&t](const QString &v) { t.txtloopAdd2 = v; });
    connect(m_txtloopAdd[3], &QLineEdit::textChanged, this, [&t](const QString &v) { t.txtloopAdd3 = v; });
    connect(m_Text3, &QLineEdit::textChanged, this, [&t](const QString &v) { t.Text3 = v; });
    connect(m_cmdtest, &QPushButton::clicked, &t, &ConnTest::cmdtest_Click);
    connect(cmdstop, &QPushButton::clicked, &t, &ConnTest::cmdstop_Click);
    connect(cmdcls, &QPushButton::clicked, &t, &ConnTest::cmdcls_Click);
    connect(cmdExig, &QPushButton::clicked, &t, &ConnTest::cmdExig_Click);
    connect(&t, &ConnTest::changed, this, &Dialog::renderTest);
    connect(&t, &ConnTest::closeRequested, this, &Dialog::leaveTestFace);
}

Dialog *Dialog::openTestFace(Operator &op, SettingsRequest &request, DeviceTable &table,
                             const QString &folder, ConnTest &test, QWidget *parent)
{
    Dialog *dlg = openDialog(op, request, table, folder, parent);
    if (!dlg->m_test) {
        dlg->m_test = &test;
        dlg->buildTestFrame();
    }
    dlg->renderTest();
    dlg->showTestFace();
    return dlg;
}

void Dialog::renderTest()
{
    const ConnTest &t = *m_test;
    for (auto [box, text] :
         {std::pair{m_txtloopAdd[2], &t.txtloopAdd2}, {m_txtloopAdd[3], &t.txtloopAdd3}, {m_Text3, &t.Text3}})
        if (box->text() != *text)
            box->setText(*text);
    QString log = t.Text2;
    log.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (m_Text2->toPlainText() != log) {
        m_Text2->setPlainText(log);
        m_Text2->moveCursor(QTextCursor::End); // the newest line in view
    }
    m_cmdtest->setEnabled(!t.running()); // one run at a time
}

// Leaving the test face closes the dialog; a polling start still waiting for it is cancelled.
void Dialog::leaveTestFace()
{
    if (m_request.waiting())
        m_request.cancel();
    done(QDialog::Accepted);
}

} // namespace kestrel
