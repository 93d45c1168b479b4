#pragma once
// "历史数据": the history dialog. Two date boxes with a calendar each (one shown at a time), the
// device address, "显示" and "导出", the result grid and the message box. Shown without blocking
// the main window; the logic is the core's HistoryQuery, the grid its HistoryModel.
#include "history/historymodel.h"
#include "history/historyquery.h"

#include <QDialog>
#include <array>

class QCalendarWidget;
class QGridLayout;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableView;

namespace kestrel {

class Clock;
class Operator;
class RecordDb;

class Dialog2 : public QDialog {
    Q_OBJECT
public:
    // folder: where the export's file dialog starts; the calendars start on the clock's date.
    Dialog2(const RecordDb &db, Operator &op, Clock &clock, const QString &folder, QWidget *parent = nullptr);

    void Text1_Click(int index);
    void Calendar1_Click(int index, const QDate &date);

    HistoryModel &model() { return m_model; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildBoxes();
    void buildStationBox(QGridLayout *form);
    void buildGrid();
    int px(int twips) const;

    const RecordDb &m_db;
    HistoryModel m_model;
    HistoryQuery m_query;
    std::array<QLineEdit *, 2> m_Text1{};
    std::array<QCalendarWidget *, 2> m_Calendar1{};
    QLineEdit *m_Text2 = nullptr;
    QPushButton *m_OKButton = nullptr;
    QPushButton *m_CancelButton = nullptr;
    QTableView *m_dataValue = nullptr;
    QPlainTextEdit *m_Text3 = nullptr;
};

} // namespace kestrel
