#include "dialog2.h"
#include "entrybox.h"
#include "common/tr8.h"

#include "common/clock.h"
#include "common/operator.h"
#include "common/twips.h"
#include "history/texts.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace kestrel {

using namespace texts::history;

namespace {

constexpr int DialogWidth = 7200; // twips
constexpr int DialogHeight = 7800;
constexpr int RowHeight = 240;

QLabel *label(const char *text, const QString &name, QWidget *parent)
{
    auto *l = new QLabel(tr8(text), parent);
    l->setObjectName(name);
    return l;
}

} // namespace

Dialog2::Dialog2(const RecordDb &db, Operator &op, Clock &clock, const QString &folder, QWidget *parent)
    : QDialog(parent), m_db(db), m_model(db), m_query(db, op, m_model, folder)
{
    setObjectName(QStringLiteral("Dialog2"));
    setWindowTitle(tr8(Caption));
    setModal(false);
    auto *column = new QVBoxLayout(this);
    buildBoxes();
    buildGrid();

    // The calendars start on today's date, and the boxes show it.
    const QDate today = clock.now().date();
    for (int k = 0; k < 2; ++k) {
        m_Calendar1[size_t(k)]->setSelectedDate(today);
        m_Text1[size_t(k)]->setText(history::dateText(today));
    }
    connect(&m_query, &HistoryQuery::text3Changed, this, [this](const QString &t) {
        m_Text3->setPlainText(QString(t).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        m_Text3->viewport()->repaint(); // the wait line shows while the grid is filled
    });
    connect(&m_query, &HistoryQuery::text2Changed, m_Text2, &QLineEdit::setText);
    connect(&m_model, &HistoryModel::fetchFailed, this, [&op](const QString &e) { op.message(e); });
    column->addWidget(m_dataValue, 1);
    column->addWidget(m_Text3);
    resize(px(DialogWidth), px(DialogHeight));
}

int Dialog2::px(int twips) const
{
    return twipsToPixels(twips, logicalDpiX() > 0 ? logicalDpiX() : 96.0);
}

void Dialog2::buildBoxes()
{
    auto *form = new QGridLayout;
    static_cast<QVBoxLayout *>(layout())->addLayout(form);
    auto *calendars = new QHBoxLayout;
    for (int k = 0; k < 2; ++k) {
        auto *box = new QLineEdit(this);
        box->setObjectName(QStringLiteral("Text1_%1").arg(k));
        box->installEventFilter(this);
        auto *l = label(k == 0 ? StartLabel : EndLabel, QStringLiteral("lblText1_%1").arg(k), this);
        l->setBuddy(box);
        form->addWidget(l, 0, 2 * k);
        form->addWidget(box, 0, 2 * k + 1);
        auto *cal = new QCalendarWidget(this);
        cal->setObjectName(QStringLiteral("Calendar1_%1").arg(k));
        cal->hide();
        connect(cal, &QCalendarWidget::clicked, this, [this, k](const QDate &d) { Calendar1_Click(k, d); });
        connect(cal, &QCalendarWidget::activated, this, [this, k](const QDate &d) { Calendar1_Click(k, d); });
        calendars->addWidget(cal);
        m_Text1[size_t(k)] = box;
        m_Calendar1[size_t(k)] = cal;
    }
    form->addWidget(label(EndHint, QStringLiteral("lblEndHint"), this), 0, 4);

    m_Text2 = new QLineEdit(QStringLiteral("0"), this);
    m_Text2->setObjectName(QStringLiteral("Text2"));
    makeDigitsOnly(m_Text2);
    auto *l2 = label(AddressLabel, QStringLiteral("lblText2"), this);
    l2->setBuddy(m_Text2);
    form->addWidget(l2, 1, 0);
    form->addWidget(m_Text2, 1, 1);
    form->addWidget(label(AddressHint, QStringLiteral("lblAddressHint"), this), 1, 2);
    m_OKButton = new QPushButton(tr8(ShowButton), this);
    m_OKButton->setObjectName(QStringLiteral("OKButton"));
    m_CancelButton = new QPushButton(tr8(ExportButton), this);
    m_CancelButton->setObjectName(QStringLiteral("CancelButton"));
    for (QPushButton *b : {m_OKButton, m_CancelButton})
        b->setAutoDefault(false);
    form->addWidget(m_OKButton, 1, 3);
    form->addWidget(m_CancelButton, 1, 4);
    static_cast<QVBoxLayout *>(layout())->addLayout(calendars);

    if (m_db.shared())
        buildStationBox(form);

    followText(m_Text2, &m_query, [this](const QString &t) { m_query.Text2_Change(t); });
    connect(m_OKButton, &QPushButton::clicked, this,
            [this] { m_query.OKButton_Click(m_Text1[0]->text(), m_Text1[1]->text(), m_Text2->text()); });
    connect(m_CancelButton, &QPushButton::clicked, this,
            [this] { m_query.CancelButton_Click(m_Text1[0]->text(), m_Text1[1]->text(), m_Text2->text()); });
}

// A shared log holds the readings of several stations: the box chooses whose are shown, this
// station's first.
void Dialog2::buildStationBox(QGridLayout *form)
{
    auto *box = new QComboBox(this);
    box->setObjectName(QStringLiteral("Combo1"));
    auto *l = label(StationLabel, QStringLiteral("lblCombo1"), this);
    l->setBuddy(box);
    form->addWidget(l, 2, 0);
    form->addWidget(box, 2, 1, 1, 2);
    box->addItem(m_db.station());
    if (const Result<QStringList> all = m_db.stations(); all.ok) {
        for (const QString &s : all.value) {
            if (s != m_db.station())
                box->addItem(s);
        }
    }
    connect(box, &QComboBox::currentTextChanged, this, [this](const QString &s) { m_query.setStation(s); });
}

void Dialog2::buildGrid()
{
    m_dataValue = new QTableView(this);
    m_dataValue->setObjectName(QStringLiteral("dataValue"));
    m_dataValue->setModel(&m_model);
    m_dataValue->verticalHeader()->hide();
    // Fixed row heights: the view never measures the rows of a long result.
    m_dataValue->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_dataValue->verticalHeader()->setMinimumSectionSize(0);
    m_dataValue->verticalHeader()->setDefaultSectionSize(px(RowHeight));
    m_dataValue->horizontalHeader()->setMinimumSectionSize(0);
    m_dataValue->horizontalHeader()->setHighlightSections(false);
    m_dataValue->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_dataValue->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_dataValue->setTextElideMode(Qt::ElideNone);
    m_dataValue->setWordWrap(false);
    // The designed widths, widened where this screen's font needs more for a whole time, a
    // five-digit value, a quantity name or the caption: the full reading time must be readable.
    static const char *const widest[HistoryModel::Columns] = {"2026-12-31 23:59:59", "65535", "PM2.5", "255",
                                                              ""};
    const QFontMetrics fm(m_dataValue->font());
    for (int c = 0; c < HistoryModel::Columns; ++c) {
        const QString caption = m_model.headerData(c, Qt::Horizontal).toString();
        const int text =
            std::max(fm.horizontalAdvance(QString::fromLatin1(widest[c])), fm.horizontalAdvance(caption));
        m_dataValue->setColumnWidth(
            c, std::max(px(HistoryModel::columnWidth(c)), text + 2 * fm.averageCharWidth()));
    }
    m_Text3 = new QPlainTextEdit(this);
    m_Text3->setObjectName(QStringLiteral("Text3"));
    m_Text3->setReadOnly(true);
    m_Text3->setFixedHeight(px(1200));
}

bool Dialog2::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        for (int k = 0; k < 2; ++k)
            if (watched == m_Text1[size_t(k)])
                Text1_Click(k);
    }
    return QDialog::eventFilter(watched, event);
}

void Dialog2::Text1_Click(int index)
{
    m_Calendar1[size_t(1 - index)]->hide();
    m_Calendar1[size_t(index)]->show();
}

void Dialog2::Calendar1_Click(int index, const QDate &date)
{
    m_Text1[size_t(index)]->setText(history::dateText(date));
}

} // namespace kestrel
