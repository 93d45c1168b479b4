#include "valueframe.h"

#include "products/catalogue.h"
#include "products/panel.h"
#include "products/productside.h"
#include "products/texts.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestrel {

namespace {

QString tr8(const char *t) { return QString::fromUtf8(t); }

// Typed characters other than digits and Backspace are dropped, as the entry boxes want.
class DigitFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return QObject::eventFilter(watched, event);
        const auto *k = static_cast<QKeyEvent *>(event);
        if (k->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
            return false; // shortcuts: copy, select all, menus
        switch (k->key()) {
        case Qt::Key_Delete: case Qt::Key_Left: case Qt::Key_Right: case Qt::Key_Home: case Qt::Key_End:
        case Qt::Key_Tab: case Qt::Key_Backtab: case Qt::Key_Return: case Qt::Key_Enter: case Qt::Key_Escape:
            return false;
        default:
            break;
        }
        const QString text = k->text();
        if (text.isEmpty())
            return false;
        return !ProductSide::acceptsEntryKey(text.at(0).unicode());
    }
};

// Sets a line edit's text only when it differs, so the operator's cursor stays where it is.
void showText(QLineEdit *e, const QString &text)
{
    if (e->text() != text)
        e->setText(text);
}

} // namespace

void ValueFrame::installDigitFilter(QLineEdit *edit) { edit->installEventFilter(new DigitFilter(edit)); }

ValueFrame::ValueFrame(Panel &panel, QWidget *parent) : QWidget(parent), m_panel(panel)
{
    setObjectName(QStringLiteral("ValueFrame"));
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);

    // Five rows of three: value box i sits at row i / 3, column i % 3.
    auto *values = new QGridLayout;
    for (int i = 0; i < Panel::Boxes; ++i) {
        const Quantity *q = quantityInBox(i);
        auto *box = new QLineEdit(this);
        box->setObjectName(QStringLiteral("TxtInput_%1").arg(i));
        box->setReadOnly(true);
        box->setToolTip(q->unitHint());
        box->setAccessibleName(q->caption());
        box->setAccessibleDescription(q->unitHint());
        box->setMinimumWidth(48);
        auto *label = new QLabel(q->caption(), this);
        label->setObjectName(QStringLiteral("Label2_%1").arg(i));
        label->setBuddy(box);
        values->addWidget(label, i / 3, 2 * (i % 3), Qt::AlignRight);
        values->addWidget(box, i / 3, 2 * (i % 3) + 1);
        m_TxtInput[static_cast<size_t>(i)] = box;
        m_Label2[static_cast<size_t>(i)] = label;
    }
    outer->addLayout(values);

    // Address and device name.
    auto *device = new QHBoxLayout;
    m_TxtB1 = new QLineEdit(this);
    m_TxtB1->setObjectName(QStringLiteral("TxtB1"));
    m_TxtB1->setAccessibleName(tr8(productTexts::AddressLabel));
    auto *addrLabel = new QLabel(tr8(productTexts::AddressLabel), this);
    addrLabel->setObjectName(QStringLiteral("lab_TxtB1"));
    addrLabel->setBuddy(m_TxtB1);
    m_Text2 = new QLineEdit(this);
    m_Text2->setObjectName(QStringLiteral("Text2"));
    m_Text2->setAccessibleName(tr8(productTexts::DeviceNameLabel));
    auto *nameLabel = new QLabel(tr8(productTexts::DeviceNameLabel), this);
    nameLabel->setObjectName(QStringLiteral("lab_Text2"));
    nameLabel->setBuddy(m_Text2);
    device->addWidget(addrLabel);
    device->addWidget(m_TxtB1);
    device->addWidget(nameLabel);
    device->addWidget(m_Text2, 1);
    outer->addLayout(device);

    // Custom read and the two buttons.
    auto *actions = new QHBoxLayout;
    const char *selfCaptions[2] = {productTexts::CustomStartLabel, productTexts::CustomCountLabel};
    for (int i = 0; i < 2; ++i) {
        auto *edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("txtSelf_%1").arg(i));
        edit->setAccessibleName(tr8(selfCaptions[i]));
        installDigitFilter(edit);
        auto *label = new QLabel(tr8(selfCaptions[i]), this);
        label->setObjectName(QStringLiteral("labSelf_%1").arg(i));
        label->setBuddy(edit);
        actions->addWidget(label);
        actions->addWidget(edit);
        m_txtSelf[static_cast<size_t>(i)] = edit;
        m_labSelf[static_cast<size_t>(i)] = label;
        connect(edit, &QLineEdit::textEdited, this, [this, i](const QString &t) {
            m_panel.txtSelf[static_cast<size_t>(i)] = t;
            m_panel.notify();
        });
    }
    m_CMDRHTread = new QPushButton(tr8(productTexts::SingleRead), this);
    m_CMDRHTread->setObjectName(QStringLiteral("CMDRHTread"));
    m_cmdShow = new QPushButton(tr8(productTexts::ShowCurve), this);
    m_cmdShow->setObjectName(QStringLiteral("cmdShow"));
    actions->addWidget(m_CMDRHTread);
    actions->addWidget(m_cmdShow);
    outer->addLayout(actions);

    // The boxes follow their text whatever changed it (typing, pasting, a program).
    connect(m_TxtB1, &QLineEdit::textChanged, this, &ValueFrame::onTxtB1Edited);
    connect(m_Text2, &QLineEdit::textChanged, this, [this](const QString &t) {
        m_panel.Text2 = t;
        m_panel.notify();
    });
    connect(m_CMDRHTread, &QPushButton::clicked, this, &ValueFrame::readRequested);
    connect(m_cmdShow, &QPushButton::clicked, this, &ValueFrame::curveRequested);
    connect(&m_panel, &Panel::changed, this, &ValueFrame::render);
    render();
}

// The address box turns into "1" as soon as its number leaves 1..255.
void ValueFrame::onTxtB1Edited(const QString &text)
{
    m_panel.TxtB1 = ProductSide::TxtB1_Change(text);
    showText(m_TxtB1, m_panel.TxtB1);
    m_panel.notify();
}

void ValueFrame::render()
{
    for (int i = 0; i < Panel::Boxes; ++i) {
        const size_t k = static_cast<size_t>(i);
        showText(m_TxtInput[k], m_panel.valueText(i));
        const bool on = m_panel.valueEnabled(i);
        m_TxtInput[k]->setEnabled(on);
        m_Label2[k]->setEnabled(on);
    }
    for (size_t i = 0; i < 2; ++i) {
        showText(m_txtSelf[i], m_panel.txtSelf[i]);
        m_txtSelf[i]->setEnabled(m_panel.selfEnabled());
        m_labSelf[i]->setEnabled(m_panel.selfEnabled());
    }
    showText(m_TxtB1, m_panel.TxtB1);
    showText(m_Text2, m_panel.Text2);
}

} // namespace kestrel
