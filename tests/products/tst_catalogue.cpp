// The catalogue: number patterns, the code-pair lookup and the polling blocks.
#include "products/catalogue.h"

#include <QtTest>

using namespace kestrel;

class TestCatalogue : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void formatNumber_data();
    void formatNumber();
    void lookup_data();
    void lookup();
    void names();
};

void TestCatalogue::formatNumber_data()
{
    QTest::addColumn<qint64>("value");
    QTest::addColumn<int>("divisor");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("expected");
    QTest::newRow("###0.0 of 450") << qint64(450) << 1 << "###0.0" << "450.0";
    QTest::newRow("#0.00 of 20.9") << qint64(2090) << 100 << "#0.00" << "20.90";
    QTest::newRow("##0.0 of -5") << qint64(-50) << 10 << "##0.0" << "-5.0";
    QTest::newRow("#0.0 of 0") << qint64(0) << 10 << "#0.0" << "0.0";
    QTest::newRow("#0.00 of 0") << qint64(0) << 100 << "#0.00" << "0.00";
    QTest::newRow("tenths below one") << qint64(-1) << 10 << "##0.0" << "-0.1";
    QTest::newRow("hundredths below one") << qint64(5) << 100 << "#0.00" << "0.05";
    QTest::newRow("negative hundredths") << qint64(-5) << 100 << "#0.00" << "-0.05";
    QTest::newRow("more digits than the pattern") << qint64(32767) << 1 << "###0.0" << "32767.0";
    QTest::newRow("lowest word") << qint64(-32768) << 10 << "##0.0" << "-3276.8";
    QTest::newRow("hcho top") << qint64(26790) << 10 << "#0.0" << "2679.0";
    QTest::newRow("highest word tenths") << qint64(65535) << 10 << "##0.0" << "6553.5";
    QTest::newRow("no decimals rounds half up") << qint64(15) << 10 << "0" << "2";
    QTest::newRow("no decimals rounds half away") << qint64(-15) << 10 << "0" << "-2";
    QTest::newRow("required integer digits") << qint64(1) << 1 << "00.0" << "01.0";
    QTest::newRow("no required integer digit") << qint64(5) << 10 << "#.0" << ".5";
    QTest::newRow("rounds to zero without sign") << qint64(-4) << 100 << "#0.0" << "0.0";
}

void TestCatalogue::formatNumber()
{
    QFETCH(qint64, value);
    QFETCH(int, divisor);
    QFETCH(QString, pattern);
    QFETCH(QString, expected);
    QCOMPARE(kestrel::formatNumber(value, divisor, pattern.toLatin1().constData()), expected);
}

void TestCatalogue::lookup_data()
{
    QTest::addColumn<int>("mixpro");
    QTest::addColumn<int>("protype");
    QTest::addColumn<QString>("name"); // empty: not a product type
    QTest::addColumn<int>("menu");
    QTest::addColumn<QList<int>>("boxes");
    QTest::addColumn<int>("stored"); // mixpro the device is stored with
    QTest::addColumn<int>("blockStart"); // -1: no polling block
    QTest::addColumn<int>("blockCount");
    using L = QList<int>;
    QTest::newRow("33 3") << 33 << 3 << "T+RH" << 0 << L{0, 1} << 33 << 2 << 2;
    QTest::newRow("0 3 is T+RH") << 0 << 3 << "T+RH" << 0 << L{0, 1} << 33 << 2 << 2;
    QTest::newRow("0 2") << 0 << 2 << "T" << 1 << L{0} << 0 << 2 << 1;
    QTest::newRow("0 1") << 0 << 1 << "RH" << 2 << L{1} << 0 << 3 << 1;
    QTest::newRow("0 6") << 0 << 6 << "CO2" << 3 << L{2} << 0 << 6 << 1;
    QTest::newRow("0 8") << 0 << 8 << "VOC" << 4 << L{3} << 0 << 8 << 1;
    QTest::newRow("0 10") << 0 << 10 << "PM25" << 5 << L{4} << 0 << 10 << 1;
    QTest::newRow("0 11") << 0 << 11 << "CO" << 6 << L{5} << 0 << 11 << 1;
    QTest::newRow("49 9") << 49 << 9 << "T+RH+CO2" << 7 << L{0, 1, 2} << 49 << 2 << 5;
    QTest::newRow("0 13") << 0 << 13 << "O2" << 8 << L{6} << 0 << 13 << 1;
    QTest::newRow("0 16") << 0 << 16 << "O3" << 9 << L{7} << 0 << 16 << 1;
    QTest::newRow("0 18") << 0 << 18 << "HCHO" << 10 << L{8} << 0 << 18 << 1;
    QTest::newRow("0 19") << 0 << 19 << "H2S" << 11 << L{9} << 0 << 19 << 1;
    QTest::newRow("0 20") << 0 << 20 << "NH3" << 12 << L{10} << 0 << 20 << 1;
    QTest::newRow("0 21") << 0 << 21 << "NO2" << 13 << L{11} << 0 << 21 << 1;
    QTest::newRow("0 9 is PM10") << 0 << 9 << "PM10" << 14 << L{12} << 0 << 9 << 1;
    QTest::newRow("49 11") << 49 << 11 << "T+RH+VOC" << -1 << L{0, 1, 3} << 49 << 2 << 7;
    QTest::newRow("49 13") << 49 << 13 << "T+RH+PM2.5" << -1 << L{0, 1, 4} << 49 << 2 << 9;
    QTest::newRow("81 27") << 81 << 27 << "T+RH+CO2+VOC+PM2.5" << -1 << L{0, 1, 2, 3, 4} << 81 << 2 << 9;
    for (auto [m, p] : {std::pair{65, 1}, {65, 27}, {81, 26}, {0, 5}, {0, 0}, {33, 4}, {33, 0},
                        {49, 10}, {49, 0}, {0, 27}, {17, 3}, {255, 255}})
        QTest::addRow("%d %d is none", m, p) << m << p << QString() << -1 << L{} << m << -1 << 0;
}

void TestCatalogue::lookup()
{
    QFETCH(int, mixpro);
    QFETCH(int, protype);
    QFETCH(QString, name);
    QFETCH(int, menu);
    QFETCH(QList<int>, boxes);
    QFETCH(int, stored);
    QFETCH(int, blockStart);
    QFETCH(int, blockCount);
    const auto m = static_cast<uint8_t>(mixpro), p = static_cast<uint8_t>(protype);
    const ProductType *t = lookupType(m, p);
    const auto block = pollingBlock(m, p);
    if (name.isEmpty()) {
        QVERIFY(!t);
        QVERIFY(!block);
        return;
    }
    QVERIFY(t);
    QCOMPARE(t->name(), name);
    QCOMPARE(t->menuIndex, menu);
    QCOMPARE(QList<int>(t->boxes.begin(), t->boxes.end()), boxes);
    QCOMPARE(int(normalisedMixpro(m, p)), stored);
    QVERIFY(block);
    QCOMPARE(int(block->start), blockStart);
    QCOMPARE(int(block->count), blockCount);
    // Every quantity of the type lies inside its polling block.
    for (int c : t->components) {
        const int reg = quantity(c).reg;
        QVERIFY2(reg >= blockStart && reg < blockStart + blockCount, qPrintable(QString::number(reg)));
    }
    // The menu item of the type leads back to it.
    if (menu >= 0) {
        QCOMPARE(productAtMenu(menu), t);
        QVERIFY(!t->menuCaption().isEmpty());
    }
}

void TestCatalogue::names()
{
    const QStringList expected{QStringLiteral("温度"), QStringLiteral("湿度"), QStringLiteral("CO2"),
                               QStringLiteral("VOC"),  QStringLiteral("PM2.5"), QStringLiteral("PM10"),
                               QStringLiteral("CO"),   QStringLiteral("O2"),   QStringLiteral("O3"),
                               QStringLiteral("HCHO"), QStringLiteral("H2S"),  QStringLiteral("NH3"),
                               QStringLiteral("NO2")};
    const auto names = quantityNames();
    QCOMPARE(QStringList(names.begin(), names.end()), expected);
    // Each type name's "+"-parts name its components in order (the reading log splits at "+").
    const QStringList shortNames{QStringLiteral("T"), QStringLiteral("RH"), QStringLiteral("CO2"),
                                 QStringLiteral("VOC"), QStringLiteral("PM2.5")};
    for (const ProductType &t : productTypes()) {
        if (t.components.size() < 2)
            continue;
        const QStringList parts = t.name().split(u'+');
        QCOMPARE(parts.size(), int(t.components.size()));
        for (int k = 0; k < parts.size(); ++k)
            QCOMPARE(parts[k], shortNames[t.components[size_t(k)]]);
    }
}

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
