// The English interface: the main window and the settings dialog offscreen with the translator
// that `--lang en` installs, against the same windows in Chinese (the default); what is written to
// files stays Chinese; the .ts has nothing left to translate.
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
using test::ManualTime;
using test::StationRig;

namespace {
bool hasCjk(const QString &text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) {
        return (c.unicode() >= 0x3000 && c.unicode() <= 0x9FFF) ||
               (c.unicode() >= 0xFF00 && c.unicode() <= 0xFFEF);
    });
}

// Every caption an operator sees on `top`: labels, buttons, frames, the title, the menu bar with its
// menus' items, the grid headers; keyed by the widget's objectName (and its order among widgets of
// that name).
QMap<QString, QString> captions(QWidget *top)
{
    QMap<QString, QString> c;
    const auto put = [&c](const QString &key, const QString &text) {
        if (!text.isEmpty())
            c.insert(key, text);
    };
    put(QStringLiteral("title"), top->windowTitle());
    const auto menuItems = [&put](const QString &key, QWidget *w, auto &self) -> void {
        const auto actions = w->actions();
        for (int i = 0; i < actions.size(); ++i) {
            put(key + u'/' + QString::number(i), actions[i]->text());
            if (actions[i]->menu())
                self(key + u'/' + QString::number(i), actions[i]->menu(), self);
        }
    };
    QHash<QString, int> seen; // widgets without a name are told apart by their order
    for (QWidget *w : top->findChildren<QWidget *>()) {
        if (!w->isVisibleTo(top))
            continue;
        const QString key = w->objectName() + u'#' + QString::number(seen[w->objectName()]++);
        if (auto *l = qobject_cast<QLabel *>(w))
            put(key, l->text());
        else if (auto *b = qobject_cast<QAbstractButton *>(w))
            put(key, b->text());
        else if (auto *g = qobject_cast<QGroupBox *>(w))
            put(key, g->title());
        else if (auto *m = qobject_cast<QMenuBar *>(w))
            menuItems(key, m, menuItems);
        else if (auto *v = qobject_cast<QAbstractItemView *>(w); v && v->model())
            for (int col = 0; col < v->model()->columnCount(); ++col)
                put(key + u'#' + QString::number(col), v->model()->index(0, col).data().toString());
    }
    return c;
}

QStringList withCjk(const QMap<QString, QString> &c)
{
    QStringList found;
    for (auto i = c.begin(); i != c.end(); ++i)
        if (hasCjk(i.value()))
            found << i.key() + u'=' + i.value();
    return found;
}

// The captions of the main window and of the settings dialog it opens, in the language installed.
using Captions = QMap<QString, QString>;
struct Windows {
    QMap<QString, QString> main, settings;
};
Windows showWindows()
{
    Windows out;
    ManualTime time;
    StationRig r(QStringLiteral("demo"), time, time, {QStringLiteral("--fixed")});
    if (!r.ok())
        return out;
    frmroughin w(*r.station);
    w.show();
    if (!QTest::qWaitForWindowExposed(&w))
        return out;
    out.main = captions(&w);
    QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("cmdLoopR")), Qt::LeftButton);
    Dialog *dialog = nullptr;
    if (!QTest::qWaitFor([&] { return (dialog = w.findChild<Dialog *>()) && dialog->isVisible(); }))
        return out;
    out.settings = captions(dialog);
    // Pictures of both windows when KESTREL_SCREENSHOTS names a folder.
    if (const QString dir = qEnvironmentVariable("KESTREL_SCREENSHOTS"); !dir.isEmpty()) {
        const QString language =
            QCoreApplication::translate("kestrel", "轮询") == u"轮询" ? u"zh"_qs : u"en"_qs;
        w.grab().save(QDir(dir).filePath(u"main-window-%1.png"_qs.arg(language)));
        dialog->grab().save(QDir(dir).filePath(u"settings-dialog-%1.png"_qs.arg(language)));
    }
    dialog->reject();
    return out;
}
} // namespace

class TstEnglish : public QObject {
    Q_OBJECT
    Windows m_zh, m_en;

private Q_SLOTS:
    void initTestCase()
    {
        m_zh = showWindows();
        QVERIFY(installLanguage(*qApp, QStringLiteral("en")));
        m_en = showWindows();
        const auto translators = qApp->findChildren<QTranslator *>();
        for (QTranslator *t : translators)
            QCoreApplication::removeTranslator(t), delete t;
        QVERIFY(!m_zh.main.isEmpty() && !m_zh.settings.isEmpty());
    }

    void everyCaptionInEnglish_data()
    {
        QTest::addColumn<Captions>("zh");
        QTest::addColumn<Captions>("en");
        QTest::newRow("main window") << m_zh.main << m_en.main;
        QTest::newRow("settings dialog") << m_zh.settings << m_en.settings;
    }
    void everyCaptionInEnglish()
    {
        QFETCH(Captions, zh);
        QFETCH(Captions, en);
        const QStringList chinese = withCjk(en);
        QVERIFY2(chinese.isEmpty(), qPrintable(u"still Chinese: "_qs + chinese.join(u"; ")));
        // The same widgets carry a caption in both languages.
        QCOMPARE(en.keys(), zh.keys());
        // The Chinese run is the default: its captions are the texts as they are.
        QVERIFY(withCjk(zh).size() > zh.size() / 2);
    }

    void captionsSpotChecked()
    {
        QCOMPARE(m_zh.settings.value(QStringLiteral("title")), QStringLiteral("轮询参数设置"));
        QCOMPARE(m_en.settings.value(QStringLiteral("title")), QStringLiteral("Polling settings"));
    }

    // What goes to files and the data base keeps its Chinese text under the English interface.
    void filesStayChinese()
    {
        QVERIFY(installLanguage(*qApp, QStringLiteral("en")));
        const QString header = RecordFile::headerLine(QDate(2026, 12, 1));
        const QStringList export_ = HistoryExport::headLines(3);
        const QString name = quantityNames()[0];
        const auto translators = qApp->findChildren<QTranslator *>();
        for (QTranslator *t : translators)
            QCoreApplication::removeTranslator(t), delete t;
        QCOMPARE(header, RecordFile::headerLine(QDate(2026, 12, 1)));
        QCOMPARE(export_, HistoryExport::headLines(3));
        QCOMPARE(name, QStringLiteral("温度"));
    }

    void translationFileComplete()
    {
        QFile ts(QStringLiteral(KESTREL_TS));
        QVERIFY(ts.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&ts);
        QStringList unfinished;
        QString source;
        int messages = 0;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == u"source") {
                source = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                ++messages;
            } else if (xml.name() == u"translation") {
                const bool open = xml.attributes().value(QStringLiteral("type")) == u"unfinished";
                if (open || xml.readElementText(QXmlStreamReader::IncludeChildElements).isEmpty())
                    unfinished << source;
            }
        }
        QVERIFY(!xml.hasError());
        QVERIFY(messages > 100);
        QVERIFY2(unfinished.isEmpty(), qPrintable(u"unfinished: "_qs + unfinished.join(u"; ")));
    }
};

QTEST_MAIN(TstEnglish)
#include "tst_english.moc"
