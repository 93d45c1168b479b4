#pragma once
// The help menu "帮助(&H)" (menuHelp) with its item "关于" (about), and the web link "WEB" (labWeb)
// to the maker's site.
#include <QLabel>

class QMenu;
class QMenuBar;

namespace kestrel {

class Operator;

// The maker's web site, the address labWeb opens.
constexpr const char *MakerSite = "https://kestrel.example.com/";

// "当前版本为 v" followed by the program's version.
QString versionMessage();

// Adds "帮助(&H)" to `bar`; its item "关于" tells the version through `op`, under the application
// title. `op` must outlive the menu bar.
QMenu *addHelpMenu(QMenuBar *bar, Operator &op);

// "WEB": a click, or Enter or Space while it has the focus, asks the system to open the maker's
// site with its registered handler. Nothing is shown when that fails; the failure is logged.
class WebLabel : public QLabel {
    Q_OBJECT
public:
    explicit WebLabel(QWidget *parent = nullptr);
    void labWeb_Click();

protected:
    void mouseReleaseEvent(QMouseEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
};

} // namespace kestrel
