// The CRC frame, the help menu and the web link of the main window, offscreen: typing with the
// key rule, the check box, the button and Enter, the boxes following the console; the version
// message; the web link opening through the system's URL handler, and silent without one.
#include "common/log.h"
#include "common/stationrig.h"
#include "console/texts.h"
#include "ui/aboutmenu.h"
#include "ui/crcframe.h"
#include "ui/frmroughin.h"
#include "ui/texts.h"

#include <QDesktopServices>
#include <QtTest>
#include <QtWidgets>

using namespace kestrel;
using namespace kestrel::texts::console;
using test::StationRig;

namespace
{

QString t8(const char *t)
{
    return QString::fromUtf8(t);
}

// Saves a picture of a window into the folder KESTREL_SCREENSHOTS names, when it names one.
bool screenshot(QWidget *w, const QString &name)
{
    const QString dir = qEnvironmentVariable("KESTREL_SCREENSHOTS");
    return dir.isEmpty() || w->grab().save(QDir(dir).filePath(name));
}

struct Rig : StationRig {
    frmroughin window{*station};
    Rig() : StationRig(QStringLiteral("1 33 3 230415 0001 17 set=2:215 set=3:456\n"))
    {
        window.show();
        window.activateWindow();
    }
    template <class T> T *find(const char *name) { return window.findChild<T *>(QLatin1String(name)); }
};

} // namespace

class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void open(const QUrl &url) { urls << url; }
};

class TestCrcFrame : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void calculatorInTheWindow()
    {
        Rig r;
        QVERIFY2(r.ok(), qPrintable(r.why()));
        QVERIFY(QTest::qWaitForWindowActive(&r.window));
        QSignalSpy sent(&r.station->exchange, &Exchange::frameSent);
        auto *frame = r.find<CrcFrame>("framCRC");
        QVERIFY(frame && frame->isVisible());
        QLineEdit *cmd = frame->txtSendCmd();
        QStringList captions{frame->title(), frame->check1()->text(), frame->cacCrc()->text()};
        for (const char *label : {"labcmd", "labcrchig", "labcrclow"})
            captions << r.find<QLabel>(label)->text() + u'>' + r.find<QLabel>(label)->buddy()->objectName();
        QCOMPARE(captions,
                 (QStringList{t8(FrameCaption), t8(HexCheck), t8(Calculate), t8(CommandLabel) + ">txtSendCmd",
                              t8(CrcHighLabel) + ">txtcrchig", t8(CrcLowLabel) + ">txtcrclow"}));
        const auto boxes = [frame] { return frame->txtcrchig()->text() + u'|' + frame->txtcrclow()->text(); };

        // Decimal: a letter is refused with its message, the button calculates.
        QTest::keyClicks(cmd, QStringLiteral("1 3 0 0 0 1x"));
        QCOMPARE(cmd->text(), QStringLiteral("1 3 0 0 0 1"));
        QCOMPARE(r.op.texts(), QStringList{t8(TypeDecimal)});
        QTest::mouseClick(frame->cacCrc(), Qt::LeftButton);
        QCOMPARE(boxes(), QStringLiteral("10|132"));

        // Ticking hexadecimal selects the whole command; typing replaces it, Enter calculates.
        QTest::mouseClick(frame->check1(), Qt::LeftButton);
        QVERIFY(r.station->console.hex());
        QCOMPARE(cmd->selectedText(), cmd->text());
        QCOMPARE(cmd->cursorPosition(), 0);
        QVERIFY(cmd->hasFocus());
        QTest::keyClicks(cmd, QStringLiteral("d 3 0 2 0 2"));
        QTest::keyClick(cmd, Qt::Key_Enter);
        QCOMPARE(cmd->text(), QStringLiteral("0D 03 00 02 00 02 "));
        QCOMPARE(boxes(), QStringLiteral("07|65"));

        // Text set without typing (a paste) is what the button calculates.
        cmd->setText(QStringLiteral(" 1  3 0 0 0 1 "));
        QTest::mouseClick(frame->cacCrc(), Qt::LeftButton);
        QCOMPARE(cmd->text(), QStringLiteral("01 03 00 00 00 01 "));
        QCOMPARE(boxes(), QStringLiteral("0A|84"));
        QVERIFY(screenshot(&r.window, QStringLiteral("main-window-crc.png")));

        // A refused part: the message, and the command selected for retyping.
        cmd->setText(QStringLiteral("1 1FF"));
        QTest::mouseClick(frame->cacCrc(), Qt::LeftButton);
        QCOMPARE(r.op.texts().last(), t8(ByteOutOfRange));
        QCOMPARE(cmd->selectedText(), QStringLiteral("01 "));

        // A click in the box selects all of it.
        cmd->setSelection(0, 0);
        QTest::mouseClick(cmd, Qt::LeftButton);
        QCOMPARE(cmd->selectedText(), cmd->text());
        QCOMPARE(sent.size(), 0); // nothing went to the port
    }

    void aboutAndWebLink()
    {
        Rig r;
        QVERIFY2(r.ok(), qPrintable(r.why()));
        QMenuBar *bar = r.window.menuBar();
        auto *help = r.find<QMenu>("menuHelp");
        QCOMPARE(bar->actions().last()->menu(), help); // the last menu
        QCOMPARE(help->title(), t8(texts::ui::HelpMenu));
        QAction *about = r.find<QAction>("about");
        QCOMPARE(about->text(), t8(texts::ui::AboutItem));
        about->trigger();
        QCOMPARE(r.op.texts(), QStringList{QStringLiteral("当前版本为 v3.0.4")});
        QCOMPARE(r.op.messages.first().title, QString()); // the application title

        auto *web = r.find<WebLabel>("labWeb");
        QVERIFY(web && web->isVisible());
        QCOMPARE(web->text(), QStringLiteral("WEB"));
        UrlRecorder browser;
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &browser, "open");
        QTest::mouseClick(web, Qt::LeftButton);
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QCOMPARE(browser.urls, QList<QUrl>{QUrl(QString::fromLatin1(MakerSite))});

        // Without a browser (as offscreen) nothing is shown; the failure goes to kestrel.log.
        setLogFolder(r.data.path());
        const QWidgetList before = QApplication::topLevelWidgets();
        QTest::mouseClick(web, Qt::LeftButton);
        QCOMPARE(QApplication::topLevelWidgets(), before);
        QCOMPARE(r.op.messages.size(), 1);
        QFile log(logFilePath());
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(log.readAll().contains(MakerSite));
    }
};

QTEST_MAIN(TestCrcFrame)
#include "tst_crcframe.moc"
