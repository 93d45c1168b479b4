#pragma once
// The maintenance menu: the three data base maintenance commands Command1..Command3 as
// menu actions instead of buttons outside the visible window.
#include <QString>
#include <functional>
#include <optional>

class QMenu;
class QMenuBar;
class QWidget;

namespace kestrel {

class Operator;
class RecordDb;

// Asks the operator for Command2's table name; nullopt when cancelled.
using TableNameAsker = std::function<std::optional<QString>(QWidget *parent)>;

// Adds "维护(&M)" to `bar` with the actions Command1 (export the temperature rows), Command2
// (build a registry table; asks for its name, "SAVEPRO" offered) and Command3 (extend Data_RH).
// Each reports its success or failure through `op`. `db` and `op` must outlive the menu bar.
// Without `askName`, an input dialog asks.
QMenu *addMaintenanceMenu(QMenuBar *bar, const RecordDb &db, Operator &op, TableNameAsker askName = {});

} // namespace kestrel
