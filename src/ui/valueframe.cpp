#include "valueframe.h"
#include "common/tr8.h"

#include "products/catalogue.h"
#include "products/panel.h"
#include "products/productside.h"
#include "products/texts.h"
#include "entrybox.h"
#include "renderlater.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestrel {

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
    m_TxtB1->setAccessibleName(tr8(texts::products::AddressLabel));
    auto *addrLabel = new QLabel(tr8(texts::products::AddressLabel), this);
    addrLabel->setObjectName(QStringLiteral("lab_TxtB1"));
    addrLabel->setBuddy(m_TxtB1);
    m_Text2 = new QLineEdit(this);
    m_Text2->setObjectName(QStringLiteral("Text2"));
    m_Text2->setAccessibleName(tr8(texts::products::DeviceNameLabel));
    auto *nameLabel = new QLabel(tr8(texts::products::DeviceNameLabel), this);
    nameLabel->setObjectName(QStringLiteral("lab_Text2"));
    nameLabel->setBuddy(m_Text2);
    device->addWidget(addrLabel);
    device->addWidget(m_TxtB1);
    device->addWidget(nameLabel);
    device->addWidget(m_Text2, 1);
    outer->addLayout(device);

    // Custom read and the two buttons.
    auto *actions = new QHBoxLayout;
    const char *selfCaptions[2] = {texts::products::CustomStartLabel, texts::products::CustomCountLabel};
    for (int i = 0; i < 2; ++i) {
        auto *edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("txtSelf_%1").arg(i));
        edit->setAccessibleName(tr8(selfCaptions[i]));
        makeDigitsOnly(edit);
        auto *label = new QLabel(tr8(selfCaptions[i]), this);
        label->setObjectName(QStringLiteral("labSelf_%1").arg(i));
        label->setBuddy(edit);
        actions->addWidget(label);
        actions->addWidget(edit);
        m_txtSelf[static_cast<size_t>(i)] = edit;
        m_labSelf[static_cast<size_t>(i)] = label;
        followText(edit, this, [this, i](const QString &t) {
            if (m_panel.txtSelf[static_cast<size_t>(i)] == t)
                return;
            m_panel.txtSelf[static_cast<size_t>(i)] = t;
            m_panel.notify();
        });
    }
    m_CMDRHTread = new QPushButton(tr8(texts::products::SingleRead), this);
    m_CMDRHTread->setObjectName(QStringLiteral("CMDRHTread"));
    m_cmdShow = new QPushButton(tr8(texts::products::ShowCurve), this);
    m_cmdShow->setObjectName(QStringLiteral("cmdShow"));
    actions->addWidget(m_CMDRHTread);
    actions->addWidget(m_cmdShow);
    outer->addLayout(actions);

    followText(m_TxtB1, this, [this](const QString &t) { onTxtB1Changed(t); });
    followText(m_Text2, this, [this](const QString &t) {
        if (m_panel.Text2 == t)
            return;
        m_panel.Text2 = t;
        m_panel.notify();
    });
    connect(m_CMDRHTread, &QPushButton::clicked, this, &ValueFrame::readRequested);
    connect(m_cmdShow, &QPushButton::clicked, this, &ValueFrame::curveRequested);
    // Many boxes change per reading: one render for them all.
    auto *later = new RenderLater([this] { render(); }, this);
    connect(&m_panel, &Panel::changed, later, &RenderLater::request);
    render();
}

// The address box turns into "1" as soon as its number leaves 1..255.
void ValueFrame::onTxtB1Changed(const QString &text)
{
    const QString fixed = ProductSide::TxtB1_Change(text);
    showText(m_TxtB1, fixed);
    if (m_panel.TxtB1 == fixed)
        return;
    m_panel.TxtB1 = fixed;
    m_panel.notify();
}

void ValueFrame::setFramesEnabled(bool on)
{
    for (QWidget *w : {static_cast<QWidget *>(m_TxtB1), static_cast<QWidget *>(m_Text2),
                       static_cast<QWidget *>(m_cmdShow), static_cast<QWidget *>(m_CMDRHTread)})
        w->setEnabled(on);
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
