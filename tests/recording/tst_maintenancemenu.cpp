// The maintenance menu: its three actions run the commands and tell the operator the outcome.
#include "common/recordingoperator.h"
#include "recording/recorddb.h"
#include "recording/texts.h"
#include "ui/maintenancemenu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QtTest>

using namespace kestrel;
using namespace kestrel::recordtexts;
using test::RecordingOperator;

class TstMaintenanceMenu : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void actionsReportThroughTheOperator()
    {
        RecordDb db(m_dir.path());
        RecordingOperator op;
        QStringList asked;
        std::optional<QString> answer = QStringLiteral("REG5");
        QMenuBar bar;
        QMenu *menu = addMaintenanceMenu(&bar, db, op, [&](QWidget *) {
            asked << QStringLiteral("asked");
            return answer;
        });
        QCOMPARE(menu->title(), QString::fromUtf8(MaintenanceMenu));
        QCOMPARE(bar.actions().size(), 1);
        QAction *c1 = menu->findChild<QAction *>(QStringLiteral("Command1"));
        QAction *c2 = menu->findChild<QAction *>(QStringLiteral("Command2"));
        QAction *c3 = menu->findChild<QAction *>(QStringLiteral("Command3"));
        QVERIFY(c1 && c2 && c3);
        QCOMPARE(menu->actions(), (QList<QAction *>{c1, c2, c3}));

        c3->trigger();
        QCOMPARE(op.texts(), QStringList{QString::fromUtf8(DataRhMissing)});
        QCOMPARE(op.messages.last().icon, Operator::Icon::Warning);

        c2->trigger();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(op.messages.last().text, QString::fromUtf8(RegistryDone).arg("REG5").arg(0));
        QCOMPARE(op.messages.last().icon, Operator::Icon::Information);

        answer.reset(); // the operator cancels the name question: nothing happens
        c2->trigger();
        QCOMPARE(asked.size(), 2);
        QCOMPARE(op.messages.size(), 2);

        c1->trigger();
        QCOMPARE(op.messages.last().text, QString::fromUtf8(ExportDone).arg(0).arg(db.exportPath()));
        c1->trigger();
        QCOMPARE(op.messages.last().text, QString::fromUtf8(ExportExists).arg(db.exportPath()));
    }
};

QTEST_MAIN(TstMaintenanceMenu)
#include "tst_maintenancemenu.moc"
