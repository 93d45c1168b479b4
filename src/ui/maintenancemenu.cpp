#include "maintenancemenu.h"
#include "common/tr8.h"

#include "common/operator.h"
#include "recording/recorddb.h"
#include "recording/texts.h"

#include <QAction>
#include <QInputDialog>
#include <QMenu>
#include <QMenuBar>

namespace kestrel {

using namespace texts::recording;

namespace {

std::optional<QString> askWithDialog(QWidget *parent)
{
    bool ok = false;
    const QString name = QInputDialog::getText(parent, QString(), tr8(TableNamePrompt), QLineEdit::Normal,
                                               tr8(DefaultTableName), &ok);
    if (!ok)
        return std::nullopt;
    return name;
}

void report(Operator &op, const MaintenanceResult &r)
{
    op.message(r.ok ? r.value : r.error, QString(),
               r.ok ? Operator::Icon::Information : Operator::Icon::Warning);
}

QAction *addCommand(QMenu *menu, const char *objectName, const char *caption)
{
    QAction *a = menu->addAction(tr8(caption));
    a->setObjectName(QString::fromLatin1(objectName));
    return a;
}

} // namespace

QMenu *addMaintenanceMenu(QMenuBar *bar, const RecordDb &db, Operator &op, TableNameAsker askName)
{
    if (!askName)
        askName = askWithDialog;
    QMenu *menu = bar->addMenu(tr8(MaintenanceMenu));
    menu->setObjectName(QStringLiteral("mnuMaintenance"));

    QObject::connect(addCommand(menu, "Command1", Command1Caption), &QAction::triggered, menu,
                     [&db, &op] { report(op, db.exportTemperature()); });
    QObject::connect(addCommand(menu, "Command2", Command2Caption), &QAction::triggered, menu,
                     [&db, &op, askName, bar] {
                         const std::optional<QString> name = askName(bar->window());
                         if (name)
                             report(op, db.createRegistry(*name));
                     });
    QObject::connect(addCommand(menu, "Command3", Command3Caption), &QAction::triggered, menu,
                     [&db, &op] { report(op, db.extendDataRh()); });
    return menu;
}

} // namespace kestrel
