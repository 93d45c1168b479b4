// The value frame and the Product menu, offscreen: names, captions, buddies, check marks, and
// the way typing reaches the panel and the panel reaches the widgets.
#include "productrig.h"

#include "ui/productmenu.h"
#include "ui/valueframe.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace kestrel;
using namespace kestrel::test;

class TestProductWidgets : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void valueBoxes_data();
    void valueBoxes();
    void threeColumns();
    void entryBoxes_data();
    void entryBoxes();
    void typingReachesPanel();
    void customBoxesTakeDigitsOnly();
    void panelReachesWidgets();
    void cursorStaysWhileTyping();
    void buttons();
    void menuItems();
    void menuCheckMarks();
    void menuDrivesProductSide();
};

void TestProductWidgets::valueBoxes_data()
{
    QTest::addColumn<int>("box");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("unit");
    const char *rows[13][2] = {{"温度：", "℃"},   {"湿度：", "%"},   {"CO2：", "ppm"}, {"VOC：", "ppm"},
                               {"PM2.5：", "ug/m3"}, {"CO：", "ppm"},  {"氧气：", "ppm"}, {"臭氧：", "ug/m3"},
                               {"甲醛：", "ppm"},  {"H2S：", "ppm"},  {"氨气：", "ppm"}, {"NO2：", "ppm"},
                               {"PM10：", "ppm"}};
    for (int i = 0; i < 13; ++i)
        QTest::addRow("box %d", i) << i << QString::fromUtf8(rows[i][0]) << QString::fromUtf8(rows[i][1]);
}

void TestProductWidgets::valueBoxes()
{
    QFETCH(int, box);
    QFETCH(QString, caption);
    QFETCH(QString, unit);
    Panel panel;
    ValueFrame f(panel);
    auto *edit = f.findChild<QLineEdit *>(QStringLiteral("TxtInput_%1").arg(box));
    auto *label = f.findChild<QLabel *>(QStringLiteral("Label2_%1").arg(box));
    QVERIFY(edit);
    QVERIFY(label);
    QCOMPARE(label->text(), caption);
    QCOMPARE(label->buddy(), edit);
    QCOMPARE(edit->toolTip(), unit);
    QVERIFY(edit->isReadOnly());
    QCOMPARE(f.TxtInput(box), edit);
    QCOMPARE(f.Label2(box), label);
}

void TestProductWidgets::threeColumns()
{
    Panel panel;
    ValueFrame f(panel);
    f.resize(400, 300);
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    const auto pos = [&f](int i) { return f.Label2(i)->geometry().center(); };
    for (int i = 0; i < 13; ++i) {
        const int row = i / 3, col = i % 3;
        if (col > 0) {
            QCOMPARE(pos(i).y(), pos(i - 1).y());
            QVERIFY(pos(i).x() > pos(i - 1).x());
        }
        if (row > 0) {
            QVERIFY(pos(i).y() > pos(i - 3).y());
            QCOMPARE(f.TxtInput(i)->geometry().left(), f.TxtInput(i - 3)->geometry().left());
        }
    }
}

void TestProductWidgets::entryBoxes_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("caption");
    QTest::newRow("TxtB1") << "TxtB1" << "lab_TxtB1" << QStringLiteral("地址：");
    QTest::newRow("Text2") << "Text2" << "lab_Text2" << QStringLiteral("设备名称：");
    QTest::newRow("txtSelf_0") << "txtSelf_0" << "labSelf_0" << QStringLiteral("起始地址");
    QTest::newRow("txtSelf_1") << "txtSelf_1" << "labSelf_1" << QStringLiteral("长度");
}

void TestProductWidgets::entryBoxes()
{
    QFETCH(QString, edit);
    QFETCH(QString, label);
    QFETCH(QString, caption);
    Panel panel;
    ValueFrame f(panel);
    auto *e = f.findChild<QLineEdit *>(edit);
    auto *l = f.findChild<QLabel *>(label);
    QVERIFY(e);
    QVERIFY(l);
    QCOMPARE(l->text(), caption);
    QCOMPARE(l->buddy(), e);
    QVERIFY(!e->isReadOnly());
}

void TestProductWidgets::typingReachesPanel()
{
    Panel panel;
    ValueFrame f(panel);
    QLineEdit *b = f.TxtB1();
    QCOMPARE(b->text(), QStringLiteral("1"));
    b->setFocus();
    b->end(false);
    QTest::keyClicks(b, QStringLiteral("20"));
    QCOMPARE(panel.TxtB1, QStringLiteral("120"));
    QTest::keyClick(b, Qt::Key_0); // 1200 leaves 1..255
    QCOMPARE(panel.TxtB1, QStringLiteral("1"));
    QCOMPARE(b->text(), QStringLiteral("1"));
    QTest::keyClick(b, Qt::Key_Backspace); // an empty box shows "1"
    QCOMPARE(b->text(), QStringLiteral("1"));
    b->end(false);
    QTest::keyClicks(b, QStringLiteral("2a"));
    QCOMPARE(panel.TxtB1, QStringLiteral("12a")); // refused by the single read, not by the box

    for (const QChar c : QStringLiteral("机房")) // typed as an input method would deliver it
        QTest::sendKeyEvent(QTest::Click, f.Text2(), Qt::Key_unknown, QString(c), Qt::NoModifier);
    QCOMPARE(panel.Text2, QStringLiteral("机房"));
}

void TestProductWidgets::customBoxesTakeDigitsOnly()
{
    Panel panel;
    panel.setSelfEnabled(true);
    ValueFrame f(panel);
    QLineEdit *start = f.txtSelf(0);
    QCOMPARE(start->text(), QStringLiteral("0"));
    QCOMPARE(f.txtSelf(1)->text(), QStringLiteral("11"));
    start->end(false);
    QTest::keyClicks(start, QStringLiteral("a1-b2 .c"));
    QCOMPARE(start->text(), QStringLiteral("012"));
    QCOMPARE(panel.txtSelf[0], QStringLiteral("012"));
    QTest::keyClick(start, Qt::Key_Backspace);
    QCOMPARE(panel.txtSelf[0], QStringLiteral("01"));
    QTest::keyClick(start, Qt::Key_Left);
    QTest::keyClick(start, Qt::Key_Delete);
    QCOMPARE(panel.txtSelf[0], QStringLiteral("0"));
    QTest::keyClicks(f.txtSelf(1), QStringLiteral("x5"));
    QCOMPARE(panel.txtSelf[1], QStringLiteral("115"));
}

void TestProductWidgets::panelReachesWidgets()
{
    Panel panel;
    ValueFrame f(panel);
    panel.setValueText(3, QStringLiteral("12.0"));
    panel.setValueEnabled(3, true);
    QCOMPARE(f.TxtInput(3)->text(), QStringLiteral("12.0"));
    QVERIFY(f.TxtInput(3)->isEnabled());
    QVERIFY(f.Label2(3)->isEnabled());
    QVERIFY(!f.TxtInput(4)->isEnabled());
    QVERIFY(!f.Label2(4)->isEnabled());
    panel.setValueEnabled(3, false);
    QVERIFY(!f.Label2(3)->isEnabled());
    QCOMPARE(f.TxtInput(3)->text(), QStringLiteral("12.0")); // a disabled box still shows its text
    QVERIFY(!f.txtSelf(0)->isEnabled());
    panel.setSelfEnabled(true);
    QVERIFY(f.txtSelf(0)->isEnabled());
    QVERIFY(f.labSelf(1)->isEnabled());
    panel.TxtB1 = QStringLiteral("42");
    panel.Text2 = QStringLiteral("东厅");
    panel.notify();
    QCOMPARE(f.TxtB1()->text(), QStringLiteral("42"));
    QCOMPARE(f.Text2()->text(), QStringLiteral("东厅"));
    panel.clearValues();
    QVERIFY(f.TxtInput(3)->text().isEmpty());
}

void TestProductWidgets::cursorStaysWhileTyping()
{
    Panel panel;
    panel.setSelfEnabled(true);
    ValueFrame f(panel);
    QLineEdit *count = f.txtSelf(1);
    count->setCursorPosition(1); // between the two 1s
    QTest::keyClick(count, Qt::Key_5);
    QCOMPARE(panel.txtSelf[1], QStringLiteral("151"));
    QCOMPARE(count->cursorPosition(), 2);
    panel.setValueText(0, QStringLiteral("25.0")); // another change re-renders the frame
    QCOMPARE(count->cursorPosition(), 2);
}

void TestProductWidgets::buttons()
{
    Panel panel;
    ValueFrame f(panel);
    auto *read = f.findChild<QPushButton *>(QStringLiteral("CMDRHTread"));
    auto *curve = f.findChild<QPushButton *>(QStringLiteral("cmdShow"));
    QVERIFY(read);
    QVERIFY(curve);
    QCOMPARE(read->text(), QStringLiteral("单个读取"));
    QCOMPARE(curve->text(), QStringLiteral("实时曲线"));
    QSignalSpy reads(&f, &ValueFrame::readRequested);
    QSignalSpy curves(&f, &ValueFrame::curveRequested);
    QTest::mouseClick(read, Qt::LeftButton);
    QCOMPARE(reads.size(), 1);
    QCOMPARE(curves.size(), 0);
    QTest::mouseClick(curve, Qt::LeftButton);
    QCOMPARE(curves.size(), 1);
}

void TestProductWidgets::menuItems()
{
    Panel panel;
    ProductMenu m(panel);
    QCOMPARE(m.objectName(), QStringLiteral("mnu_pro"));
    QCOMPARE(m.title(), QStringLiteral("产品(&P)"));
    const QStringList captions{QStringLiteral("温湿度"), QStringLiteral("温度"), QStringLiteral("湿度"),
                               QStringLiteral("二氧化碳"), QStringLiteral("VOC"), QStringLiteral("PM2.5"),
                               QStringLiteral("一氧化碳"), QStringLiteral("温湿度+二氧化碳"),
                               QStringLiteral("氧气"), QStringLiteral("臭氧"), QStringLiteral("甲醛"),
                               QStringLiteral("硫化氢"), QStringLiteral("氨气"), QStringLiteral("二氧化氮"),
                               QStringLiteral("PM10")};
    const QList<QAction *> actions = m.actions();
    QCOMPARE(actions.size(), 17);
    for (int i = 0; i < 15; ++i) {
        QCOMPARE(actions[i]->objectName(), QStringLiteral("protype_%1").arg(i));
        QCOMPARE(actions[i]->text(), captions[i]);
        QVERIFY(actions[i]->isCheckable());
    }
    QVERIFY(actions[15]->isSeparator());
    QCOMPARE(actions[16]->objectName(), QStringLiteral("readSelf"));
    QCOMPARE(actions[16]->text(), QStringLiteral("自定义(需填写起始地址和长度)"));
}

void TestProductWidgets::menuCheckMarks()
{
    Panel panel;
    ProductMenu m(panel);
    const auto checked = [&m] {
        QList<int> c;
        for (int i = 0; i < 15; ++i)
            if (m.protype(i)->isChecked())
                c << i;
        if (m.readSelf()->isChecked())
            c << int(Panel::ReadSelfItem);
        return c;
    };
    QCOMPARE(checked(), QList<int>{0});
    panel.setCheckedItem(7);
    QCOMPARE(checked(), QList<int>{7});
    panel.setCheckedItem(Panel::ReadSelfItem);
    QCOMPARE(checked(), QList<int>{int(Panel::ReadSelfItem)});

    // Nobody acts on the choice: the mark stays where the panel has it.
    QSignalSpy chosen(&m, &ProductMenu::itemChosen);
    m.protype(3)->trigger();
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(chosen[0][0].toInt(), 3);
    QCOMPARE(checked(), QList<int>{int(Panel::ReadSelfItem)});
}

void TestProductWidgets::menuDrivesProductSide()
{
    ProductRig r;
    ProductMenu m(r.panel);
    ValueFrame f(r.panel);
    QObject::connect(&m, &ProductMenu::itemChosen, [&r](int item) {
        if (item == Panel::ReadSelfItem)
            r.side.readSelf_Click();
        else
            r.side.protype_Click(item);
    });
    m.protype(7)->trigger();
    QVERIFY(m.protype(7)->isChecked());
    QVERIFY(!m.protype(0)->isChecked());
    QVERIFY(f.TxtInput(2)->isEnabled());
    QVERIFY(!f.TxtInput(3)->isEnabled());
    m.readSelf()->trigger();
    QVERIFY(m.readSelf()->isChecked());
    QVERIFY(!m.protype(7)->isChecked());
    QVERIFY(f.txtSelf(0)->isEnabled());
    QVERIFY(!f.TxtInput(2)->isEnabled());
    m.protype(4)->trigger();
    QVERIFY(!m.readSelf()->isChecked());
    QVERIFY(!f.txtSelf(0)->isEnabled());
    QVERIFY(f.Label2(3)->isEnabled());

    // A single read through the frame's button shows its values in the boxes.
    r.holdData(1, 8, hex("00 64"));
    QObject::connect(&f, &ValueFrame::readRequested, [&r] { r.side.CMDRHTread_Click(); });
    QTest::mouseClick(f.CMDRHTread(), Qt::LeftButton);
    QCOMPARE(f.TxtInput(3)->text(), QStringLiteral("100.0"));
}

QTEST_MAIN(TestProductWidgets)
#include "tst_productwidgets.moc"
