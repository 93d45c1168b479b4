#include "crcframe.h"
#include "common/tr8.h"

#include "common/twips.h"
#include "console/crcconsole.h"
#include "console/texts.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kestrel {

using namespace texts::console;

namespace {

// The command box: typed characters pass through the console's key rule (Enter calculates);
// editing keys, Backspace and shortcuts (copy, paste, select all) work as in any box.
class CommandEdit : public QLineEdit {
    Q_OBJECT
public:
    CommandEdit(CrcConsole &console, QWidget *parent) : QLineEdit(parent), m_console(console) {}

Q_SIGNALS:
    void clicked();

protected:
    void keyPressEvent(QKeyEvent *e) override
    {
        if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
            m_console.txtSendCmd_KeyPress(QLatin1Char('\r'));
            return;
        }
        const QString typed = e->text();
        const bool shortcut = e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
        if (shortcut || e->key() == Qt::Key_Backspace || typed.isEmpty() || !typed.front().isPrint()) {
            QLineEdit::keyPressEvent(e);
            return;
        }
        QString taken;
        for (const QChar c : typed)
            if (const std::optional<QChar> k = m_console.txtSendCmd_KeyPress(c))
                taken += *k;
        if (!taken.isEmpty())
            insert(taken);
    }
    void mouseReleaseEvent(QMouseEvent *e) override
    {
        QLineEdit::mouseReleaseEvent(e);
        if (e->button() == Qt::LeftButton)
            Q_EMIT clicked();
    }

private:
    CrcConsole &m_console;
};

QLineEdit *crcBox(const char *name, QWidget *parent)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setReadOnly(true); // a result: copied, not typed
    e->setAlignment(Qt::AlignCenter);
    return e;
}

QLabel *caption(const char *name, const char *text, QWidget *buddy, QWidget *parent)
{
    auto *l = new QLabel(tr8(text), parent);
    l->setObjectName(QLatin1String(name));
    l->setBuddy(buddy);
    return l;
}

// Sets a line edit's text only when it differs, so the operator's cursor stays where it is.
void showText(QLineEdit *e, const QString &text)
{
    if (e->text() != text)
        e->setText(text);
}

} // namespace

CrcFrame::CrcFrame(CrcConsole &console, QWidget *parent)
    : QGroupBox(tr8(FrameCaption), parent), m_console(console)
{
    setObjectName(QStringLiteral("framCRC"));
    auto *command = new CommandEdit(console, this);
    connect(command, &CommandEdit::clicked, this, &CrcFrame::txtSendCmd_Click);
    m_txtSendCmd = command;
    m_txtSendCmd->setObjectName(QStringLiteral("txtSendCmd"));
    m_check1 = new QCheckBox(tr8(HexCheck), this);
    m_check1->setObjectName(QStringLiteral("check1"));
    m_cacCrc = new QPushButton(tr8(Calculate), this);
    m_cacCrc->setObjectName(QStringLiteral("cacCrc"));
    m_txtcrchig = crcBox("txtcrchig", this);
    m_txtcrclow = crcBox("txtcrclow", this);
    for (QLineEdit *e : {m_txtSendCmd, m_txtcrchig, m_txtcrclow})
        e->setFixedHeight(px(BoxHeight));
    for (QLineEdit *e : {m_txtcrchig, m_txtcrclow})
        e->setFixedWidth(px(CrcBoxWidth));

    // Row 0: the command across the frame; row 1: the mode, the button and the two CRC bytes.
    auto *g = new QGridLayout(this);
    g->addWidget(caption("labcmd", CommandLabel, m_txtSendCmd, this), 0, 0);
    g->addWidget(m_txtSendCmd, 0, 1, 1, 6);
    g->addWidget(m_check1, 1, 0);
    g->addWidget(m_cacCrc, 1, 1);
    g->addWidget(caption("labcrchig", CrcHighLabel, m_txtcrchig, this), 1, 3, Qt::AlignRight);
    g->addWidget(m_txtcrchig, 1, 4);
    g->addWidget(caption("labcrclow", CrcLowLabel, m_txtcrclow, this), 1, 5, Qt::AlignRight);
    g->addWidget(m_txtcrclow, 1, 6);
    g->setColumnStretch(2, 1);

    connect(m_txtSendCmd, &QLineEdit::textChanged, &console, &CrcConsole::setCommand);
    connect(m_check1, &QCheckBox::toggled, &console, &CrcConsole::setHex);
    connect(m_check1, &QCheckBox::clicked, this, &CrcFrame::selectAll);
    connect(m_cacCrc, &QPushButton::clicked, &console, &CrcConsole::cacCrc_Click);
    connect(&console, &CrcConsole::selectAllRequested, this, &CrcFrame::selectAll);
    connect(&console, &CrcConsole::changed, this, &CrcFrame::render);
    render();
}

int CrcFrame::px(int twips) const
{
    return twipsToPixels(twips, logicalDpiX() > 0 ? logicalDpiX() : 96.0);
}

void CrcFrame::render()
{
    showText(m_txtSendCmd, m_console.command());
    showText(m_txtcrchig, m_console.crcHigh());
    showText(m_txtcrclow, m_console.crcLow());
    if (m_check1->isChecked() != m_console.hex())
        m_check1->setChecked(m_console.hex());
}

void CrcFrame::selectAll()
{
    const int n = static_cast<int>(m_txtSendCmd->text().size());
    m_txtSendCmd->setFocus(Qt::OtherFocusReason);
    m_txtSendCmd->setSelection(n, -n);
}

// A click selects the whole command and sets its text in the button-text colour.
void CrcFrame::txtSendCmd_Click()
{
    selectAll();
    QPalette p = m_txtSendCmd->palette();
    p.setColor(QPalette::Text, p.color(QPalette::ButtonText));
    m_txtSendCmd->setPalette(p);
}

} // namespace kestrel

#include "crcframe.moc"
