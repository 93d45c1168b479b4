#pragma once
// The history dialog's commands without the widgets: the date and address boxes read into a
// question for the reading log, and the show and export commands with their messages. The
// dialog forwards its clicks and renders the texts these publish.
#include "recording/recorddb.h"

#include <QDate>
#include <QObject>
#include <QString>
#include <array>
#include <optional>

namespace kestrel {

class HistoryModel;
class Operator;

namespace history {

// The form the date boxes show, "2026-12-01".
QString dateText(const QDate &d);
// A date typed as year-month-day with "-" or "/" between, month and day with one or two
// digits ("2026-12-1", "2026/12/01"); blanks around are allowed. Anything else is no date.
std::optional<QDate> parseDate(const QString &text);

// The devices' names by address (1..255); an address without a name has "".
using Aliases = std::array<QString, 256>;
Aliases aliasTable(const AliasListResult &list);

// The explanatory note, three lines joined by CR LF: the heading of show or of export.
QString note(bool forExport);

// The boxes read into a question, or the message that refuses them and, when the address box
// is to be reset, its new text.
struct FormCheck {
    std::optional<ReadingQuery> query;
    QString message;
    std::optional<QString> addressBox;
};
FormCheck checkForm(const QString &start, const QString &end, const QString &address);

} // namespace history

class HistoryQuery : public QObject {
    Q_OBJECT
public:
    // folder: where the export's file dialog starts.
    HistoryQuery(const RecordDb &db, Operator &op, HistoryModel &model, const QString &folder,
                 QObject *parent = nullptr);

    // "显示": the readings of the range into the model, the note and the result line.
    void OKButton_Click(const QString &start, const QString &end, const QString &address);
    // "导出": the readings of the range into a text file the operator names.
    void CancelButton_Click(const QString &start, const QString &end, const QString &address);
    // The address box as typed: above 255 it becomes "1" with a message.
    void Text2_Change(const QString &text);

    bool busy() const { return m_busy; }
    // On a shared log: the station whose readings and device names are asked (empty: this one).
    void setStation(const QString &station) { m_station = station; }

Q_SIGNALS:
    void text3Changed(const QString &text); // the message box of the dialog, lines split by CR LF
    void text2Changed(const QString &text); // the address box reset

private:
    // The boxes checked and the question fixed; on a refusal the message is shown.
    std::optional<ReadingSnapshot> prepare(const QString &start, const QString &end, const QString &address);
    // The device names, read again for every question (a device renamed meanwhile shows its new
    // name), and the question fixed at this moment; nothing, the operator told, when either fails.
    struct Question {
        history::Aliases aliases;
        ReadingSnapshot snapshot;
    };
    std::optional<Question> ask(const QString &start, const QString &end, const QString &address);

    const RecordDb &m_db;
    Operator &m_op;
    HistoryModel &m_model;
    QString m_folder;
    QString m_station;
    bool m_busy = false;
};

} // namespace kestrel
