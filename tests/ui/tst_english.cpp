// The English interface: the main window and the settings dialog offscreen with the translator
// that `--lang en` installs, against the same windows in Chinese (the default); what is written to
// files stays Chinese; the .ts has nothing left to translate.
#include "common/files.h"
#include "common/language.h"
#include "common/stationrig.h"
#include "dialog.h"
#include "history/historyexport.h"
#include "products/catalogue.h"
#include "recording/recordfile.h"
#include "ui/frmroughin.h"

#include <QtTest>
#include <QtWidgets>

using namespace kestrel;

namespace {
using Captions = QMap<QString, QString>;

// Every caption an operator sees on `top`: the title, labels, buttons, frames, the grid headers, and
// the items of the menu bar and of its menus; keyed by the window, the widget's objectName and its
// order among widgets of that name (widgets without a name are told apart by their order).
void collect(Captions &c, const QString &window, QWidget *top)
{
    QHash<QString, int> seen;
    const auto put = [&](const QString &name, const QString &text) {
        if (!text.isEmpty())
            c.insert(window + u'/' + name + u'#' + QString::number(seen[name]++), text);
    };
    put("title", top->windowTitle());
    for (QWidget *w : top->findChildren<QWidget *>()) {
        if (!w->isVisibleTo(top))
            continue;
        if (auto *l = qobject_cast<QLabel *>(w))
            put(w->objectName(), l->text());
        else if (auto *b = qobject_cast<QAbstractButton *>(w))
            put(w->objectName(), b->text());
        else if (auto *g = qobject_cast<QGroupBox *>(w))
            put(w->objectName(), g->title());
        else if (auto *bar = qobject_cast<QMenuBar *>(w))
            for (QAction *a : bar->actions()) {
                put("menu", a->text());
                for (QAction *item : a->menu() ? a->menu()->actions() : QList<QAction *>())
                    put(a->menu()->objectName() + u'/' + item->objectName(), item->text());
            }
        else if (auto *v = qobject_cast<QAbstractItemView *>(w); v && v->model())
            for (int col = 0; col < v->model()->columnCount(); ++col)
                put(w->objectName(), v->model()->index(0, col).data().toString());
    }
}

QStringList chineseIn(const Captions &c)
{
    static const QRegularExpression cjk(u"[\u3000-\u9FFF\uFF00-\uFFEF]"_qs);
    QStringList found;
    for (auto i = c.begin(); i != c.end(); ++i)
        if (i.value().contains(cjk))
            found << i.key() + u'=' + i.value();
    return found;
}

// The captions of the main window and of the settings dialog it opens, in the language installed;
// pictures of both when KESTREL_SCREENSHOTS names a folder.
Captions showWindows(const QString &language)
{
    Captions c;
    test::ManualTime time;
    test::StationRig r("demo", time, time, {"--fixed"});
    if (!r.ok())
        return c;
    frmroughin w(*r.station);
    w.show();
    if (!QTest::qWaitForWindowExposed(&w))
        return c;
    collect(c, "main", &w);
    QTest::mouseClick(w.findChild<QPushButton *>("cmdLoopR"), Qt::LeftButton);
    Dialog *dialog = nullptr;
    if (!QTest::qWaitFor([&] { return (dialog = w.findChild<Dialog *>()) && dialog->isVisible(); }))
        return c;
    collect(c, "settings", dialog);
    test::screenshot(&w, u"main-window-%1.png"_qs.arg(language));
    test::screenshot(dialog, u"settings-dialog-%1.png"_qs.arg(language));
    dialog->reject();
    return c;
}

void removeTranslators()
{
    for (QTranslator *t : qApp->findChildren<QTranslator *>())
        QCoreApplication::removeTranslator(t), delete t;
}
} // namespace

class TstEnglish : public QObject {
    Q_OBJECT
    Captions m_zh, m_en;

private Q_SLOTS:
    void initTestCase()
    {
        m_zh = showWindows("zh");
        QVERIFY(installLanguage(*qApp, "en"));
        m_en = showWindows("en");
        removeTranslators();
    }

    void everyCaptionInEnglish()
    {
        const QStringList chinese = chineseIn(m_en);
        QVERIFY2(chinese.isEmpty(), qPrintable(u"still Chinese: "_qs + chinese.join(u"; ")));
        // The same widgets carry a caption in both languages, in both windows.
        QCOMPARE(m_en.keys(), m_zh.keys());
        QVERIFY(m_zh.firstKey().startsWith("main/") && m_zh.lastKey().startsWith("settings/"));
        // The Chinese run is the default: its captions are the texts as they are.
        QVERIFY(chineseIn(m_zh).size() > m_zh.size() / 2);
        QCOMPARE(m_zh.value("settings/title#0"), "轮询参数设置");
        QCOMPARE(m_en.value("settings/title#0"), "Polling settings");
    }

    // What goes to files and the data base keeps its Chinese text under the English interface.
    void filesStayChinese()
    {
        QVERIFY(installLanguage(*qApp, "en"));
        const QString header = RecordFile::headerLine(QDate(2026, 12, 1));
        const QStringList export_ = HistoryExport::headLines(3);
        const QString name = quantityNames()[0];
        removeTranslators();
        QCOMPARE(header, RecordFile::headerLine(QDate(2026, 12, 1)));
        QCOMPARE(export_, HistoryExport::headLines(3));
        QCOMPARE(name, "温度");
    }

    void translationFileComplete()
    {
        const QString ts = QString::fromUtf8(test::fileBytes(KESTREL_TS));
        QVERIFY(ts.count("<source>") > 100);
        QCOMPARE(ts.count(u"type=\"unfinished\""_qs), 0);
        QCOMPARE(ts.count(QRegularExpression(u"<translation[^>]*(/>|>\\s*</translation>)"_qs)), 0); // empty
    }
};

QTEST_MAIN(TstEnglish)
#include "tst_english.moc"
