#pragma once
// The export file of the history dialog, GBK with CR LF line ends:
//
//   导出数据说明：
//   温湿度、一氧化碳、甲醛、硫化氢、氨气、二氧化氮数据为实际值的10倍.
//   氧气、臭氧为实际值的100倍.其它则为实际值.
//   (empty)
//   当前导出<n>条数据.
//   (empty)
//   读取时间 TAB TAB TAB 数据 TAB TAB TAB 类型 TAB TAB TAB 设备地址 TAB TAB TAB 设备名称
//   <READTIME> TAB TAB TAB <READVALUE> TAB TAB TAB <PROTYPE> TAB TAB TAB <ADDRESS> TAB TAB TAB <alias>
//   ...
//
// Values are the raw register values as logged. The readings are streamed page by page into
// the file, so an export of millions of readings needs no more memory than one page.
#include "history/historyquery.h"
#include "recording/recorddb.h"

#include <QString>

namespace kestrel {

using ExportResult = Result<qint64>; // the readings written

class HistoryExport {
public:
    static constexpr int PageSize = 20000;

    HistoryExport(const RecordDb &db, const ReadingSnapshot &snapshot, const history::Aliases &aliases);

    // Writes the whole file at `path`, replacing a file of that name only once it is complete.
    // With yield set, pending events (repaints, timers) are handled between pages.
    ExportResult writeTo(const QString &path, bool yield = false) const;

    // The lines before the readings, and one reading's line (both without the line end).
    static QStringList headLines(qint64 count);
    static void appendLine(QString &out, const LoggedReading &r, const QString &alias);

private:
    const RecordDb &m_db;
    ReadingSnapshot m_snapshot;
    const history::Aliases &m_aliases;
};

} // namespace kestrel
