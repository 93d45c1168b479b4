// The value frame and the Product menu of a station: captions, buddies, the check mark and the
// boxes following the product side's choice, and typing reaching the panel through the entry rules.
#include "productrig.h"
#include "ui/productmenu.h"
#include "ui/valueframe.h"

#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

class TestProductWidgets : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // What TxtB1 (an address to read: 1..255) and Text4 (an address to add: 0..255) keep of a text.
    void addressEntry_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("TxtB1");
        QTest::addColumn<QString>("Text4");
        for (const char *t : {"1", "255", "12abc", "1.5"})
            QTest::addRow("%s", t) << t << t << t;
        for (const char *t : {"256", "300", "-3"})
            QTest::addRow("%s", t) << t << "1"
                                   << "1";
        for (const char *t : {"", "0", "abc", "0.5"})
            QTest::addRow("'%s'", t) << t << "1" << t;
    }
    void addressEntry()
    {
        QFETCH(QString, text);
        QFETCH(QString, TxtB1);
        QFETCH(QString, Text4);
        QCOMPARE(ProductSide::TxtB1_Change(text), TxtB1);
        QCOMPARE(DeviceRegistry::Text4_Change(text), Text4);
    }

    // Assistive technology (or any program) putting an address into TxtB1: the read goes there.
    void addressSetThroughAccessibility()
    {
        START_RIG(r, "1 33 3 000000 0000 00 set=2:111\n7 33 3 000000 0000 00 set=2:215 set=3:456\n");
        ValueFrame f(s.panel);
        QObject::connect(&f, &ValueFrame::readRequested, [&p] { p.CMDRHTread_Click(); });
        f.show();
        QAccessibleInterface *box = QAccessible::queryAccessibleInterface(f.TxtB1());
        QVERIFY(box && box->editableTextInterface());
        box->editableTextInterface()->replaceText(0, box->textInterface()->characterCount(),
                                                  QStringLiteral("7"));
        QCOMPARE(f.TxtB1()->text(), QStringLiteral("7"));
        QTest::mouseClick(f.CMDRHTread(), Qt::LeftButton);
        QTRY_COMPARE(r.requests(), QList<QByteArray>{request(7, 2, 2)});
        QCOMPARE(f.TxtInput(0)->text(), QStringLiteral("21.5"));
    }

    void valueFrameAndMenu()
    {
        START_RIG(r, "1 65 1 000000 0000 00\n");
        ProductMenu m(s.panel);
        ValueFrame f(s.panel);
        QStringList captions{m.title()};
        for (QAction *a : m.actions())
            captions << a->text();
        // Every label, in the order made, is the buddy of its box.
        for (QLabel *l : f.findChildren<QLabel *>()) {
            QString box = l->objectName().replace("Label2_", "TxtInput_").replace("labSelf_", "txtSelf_");
            box.remove("lab_");
            QVERIFY2(l->buddy() && l->buddy() == f.findChild<QLineEdit *>(box), qPrintable(box));
            captions << l->text();
        }
        // A few captions in their places: the menu, its items, the labels in the order made.
        QCOMPARE(captions.size(), 1 + 17 + 13 + 4);
        QCOMPARE(captions[0], u"产品(&P)"_qs);
        QCOMPARE(captions[8], u"温湿度+二氧化碳"_qs);
        QCOMPARE(captions[17], u"自定义(需填写起始地址和长度)"_qs);
        QCOMPARE(captions[18], u"温度："_qs);
        QCOMPARE(captions[30], u"PM10："_qs);
        QCOMPARE(captions[31], u"地址："_qs);
        QCOMPARE(f.CMDRHTread()->text(), QStringLiteral("单个读取"));
        QCOMPARE(f.cmdShow()->text(), QStringLiteral("实时曲线"));
        for (int i = 0; i < Panel::Boxes; ++i)
            QVERIFY(f.TxtInput(i)->isReadOnly());
        QSignalSpy curves(&f, &ValueFrame::curveRequested);
        QTest::mouseClick(f.cmdShow(), Qt::LeftButton);

        const auto checked = [&m] { // the indexes of the checked actions; 16 is the custom item
            QList<int> c;
            for (int i = 0; i < m.actions().size(); ++i)
                if (m.actions()[i]->isChecked())
                    c << i;
            return c;
        };
        QSignalSpy chosen(&m, &ProductMenu::itemChosen);
        m.protype(3)->trigger(); // nobody acts on it yet: the mark stays where the panel has it
        QVERIFY(curves.size() == 1 && chosen.takeFirst() == QVariantList{3});
        QCOMPARE(checked(), QList<int>{0});
        QObject::connect(&m, &ProductMenu::itemChosen, [&p](int item) {
            item == Panel::ReadSelfItem ? p.readSelf_Click() : p.protype_Click(item);
        });
        r.startPolling();
        m.protype(7)->trigger();
        QCOMPARE(checked(), QList<int>{7});
        QVERIFY(f.TxtInput(2)->isEnabled() && f.Label2(2)->isEnabled() && !f.TxtInput(3)->isEnabled());
        QVERIFY(!s.polling.timerActive()); // the choice holds the polling timer
        s.panel.setValueText(2, QStringLiteral("450.0"));
        m.readSelf()->trigger();
        QCOMPARE(checked(), QList<int>{16});
        QVERIFY(f.txtSelf(0)->isEnabled() && f.labSelf(1)->isEnabled() && !f.Label2(2)->isEnabled());
        QCOMPARE(f.TxtInput(2)->text(), QStringLiteral("450.0")); // a disabled box still shows its text
        QLineEdit *start = f.txtSelf(0), *count = f.txtSelf(1);
        start->end(false);
        QTest::keyClicks(start, QStringLiteral("a1-b2 .c")); // digits only
        QTest::keyClick(start, Qt::Key_Backspace);
        QCOMPARE(s.panel.txtSelf[0], QStringLiteral("01"));
        count->setCursorPosition(1);
        QTest::keyClick(count, Qt::Key_5);
        QCOMPARE(s.panel.txtSelf[1], QStringLiteral("151"));
        s.panel.setValueText(0, QStringLiteral("25.0")); // a change elsewhere re-renders the frame
        QCOMPARE(count->cursorPosition(), 2);
        m.protype(4)->trigger(); // "VOC" takes the mark from the custom item
        QVERIFY(!f.txtSelf(0)->isEnabled() && f.TxtInput(3)->isEnabled());
        p.protype_Click(15); // no such product: nothing changes
        QCOMPARE(checked(), QList<int>{4});

        QLineEdit *b = f.TxtB1();
        b->end(false);
        QTest::keyClicks(b, QStringLiteral("20"));
        QCOMPARE(s.panel.TxtB1, QStringLiteral("120"));
        QTest::keyClick(b, Qt::Key_0); // 1200 leaves 1..255
        QCOMPARE(s.panel.TxtB1, QStringLiteral("1"));
        QCOMPARE(b->text(), QStringLiteral("1"));
        for (const QChar c : QStringLiteral("机房")) // as an input method delivers it
            QTest::sendKeyEvent(QTest::Click, f.Text2(), Qt::Key_unknown, QString(c), Qt::NoModifier);
        QCOMPARE(s.panel.Text2, QStringLiteral("机房"));
        s.panel.TxtB1 = QStringLiteral("42");
        s.panel.notify();
        QCOMPARE(f.TxtB1()->text(), QStringLiteral("42"));
    }
};

QTEST_MAIN(TestProductWidgets)
#include "tst_productwidgets.moc"
