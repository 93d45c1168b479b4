// The catalogue: number patterns, clamps, the code-pair lookup and the polling blocks.
#include "products/catalogue.h"

#include <QtTest>

using namespace kestrel;

class TestCatalogue : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void formatNumber_data();
    void formatNumber();
    void quantityValue_data();
    void quantityValue();
    void registers_data();
    void registers();
    void lookup_data();
    void lookup();
    void polledValue_data();
    void polledValue();
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

// Raw register word (as the device sends it) → text shown by a single read.
void TestCatalogue::quantityValue_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("word");
    QTest::addColumn<QString>("expected");
    QTest::newRow("temperature 0xFFCE") << int(Temperature) << 0xFFCE << "-5.0";
    QTest::newRow("temperature lowest") << int(Temperature) << 0x8000 << "-3276.8";
    QTest::newRow("temperature highest") << int(Temperature) << 0x7FFF << "3276.7";
    QTest::newRow("humidity 1200 clamped") << int(Humidity) << 1200 << "100.0";
    QTest::newRow("humidity 1000 kept") << int(Humidity) << 1000 << "100.0";
    QTest::newRow("humidity 999") << int(Humidity) << 999 << "99.9";
    QTest::newRow("humidity negative") << int(Humidity) << 0xFFFF << "0.0";
    QTest::newRow("co2 450") << int(CO2) << 450 << "450.0";
    QTest::newRow("co2 negative") << int(CO2) << 0xFF00 << "0.0";
    QTest::newRow("co2 32767") << int(CO2) << 32767 << "32767.0";
    QTest::newRow("co2 32768 is negative") << int(CO2) << 32768 << "0.0";
    QTest::newRow("pm10") << int(PM10) << 87 << "87.0";
    QTest::newRow("co tenths") << int(CO) << 123 << "12.3";
    QTest::newRow("o2 2600 clamped") << int(O2) << 2600 << "25.00";
    QTest::newRow("o2 2500 kept") << int(O2) << 2500 << "25.00";
    QTest::newRow("o2 2090") << int(O2) << 2090 << "20.90";
    QTest::newRow("o3 2500 clamped") << int(O3) << 2500 << "20.00";
    QTest::newRow("o3 2001 clamped") << int(O3) << 2001 << "20.00";
    QTest::newRow("o3 1999") << int(O3) << 1999 << "19.99";
    QTest::newRow("hcho 30000 becomes 2679") << int(HCHO) << 30000 << "2679.0";
    QTest::newRow("hcho 26801 becomes 2679") << int(HCHO) << 26801 << "2679.0";
    QTest::newRow("hcho 26800 kept") << int(HCHO) << 26800 << "2680.0";
    QTest::newRow("hcho negative") << int(HCHO) << 0xFFF6 << "0.0";
    QTest::newRow("h2s") << int(H2S) << 5 << "0.5";
    QTest::newRow("nh3") << int(NH3) << 250 << "25.0";
    QTest::newRow("no2 negative") << int(NO2) << 0x8000 << "0.0";
}

void TestCatalogue::quantityValue()
{
    QFETCH(int, index);
    QFETCH(int, word);
    QFETCH(QString, expected);
    const Quantity &q = quantity(index);
    QCOMPARE(q.display(q.clamp(signedWord(word))), expected);
}

void TestCatalogue::registers_data()
{
    QTest::addColumn<int>("reg");
    QTest::addColumn<int>("index"); // -1: no quantity
    const int table[][2] = {{2, Temperature}, {3, Humidity}, {6, CO2},  {8, VOC},   {10, PM25},
                            {9, PM10},        {11, CO},      {13, O2},  {16, O3},   {18, HCHO},
                            {19, H2S},        {20, NH3},     {21, NO2}};
    for (const auto &r : table)
        QTest::addRow("register %d", r[0]) << r[0] << r[1];
    for (int reg : {0, 1, 4, 5, 7, 12, 14, 15, 17, 22, 128, 240, 243})
        QTest::addRow("register %d is none", reg) << reg << -1;
}

void TestCatalogue::registers()
{
    QFETCH(int, reg);
    QFETCH(int, index);
    const Quantity *q = quantityAtRegister(reg);
    if (index < 0) {
        QVERIFY(!q);
        return;
    }
    QVERIFY(q);
    QCOMPARE(q->index, index);
    QCOMPARE(quantityInBox(q->box), q);
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

void TestCatalogue::polledValue_data()
{
    QTest::addColumn<int>("mixpro");
    QTest::addColumn<int>("protype");
    QTest::addColumn<int>("component");
    QTest::addColumn<int>("word");
    QTest::addColumn<int>("expected");
    QTest::newRow("T+RH temperature signed") << 33 << 3 << 0 << 0xFFCE << -50;
    QTest::newRow("T+RH humidity clamped") << 33 << 3 << 1 << 1200 << 1000;
    QTest::newRow("T+RH humidity negative") << 33 << 3 << 1 << 0xFFFF << 0;
    QTest::newRow("T+RH+CO2 co2 unsigned") << 49 << 9 << 2 << 0xFFFF << 65535;
    QTest::newRow("T+RH+CO2 humidity clamped") << 49 << 9 << 1 << 1001 << 1000;
    QTest::newRow("T+RH+PM2.5 pm unsigned") << 49 << 13 << 2 << 40000 << 40000;
    QTest::newRow("five temperature signed") << 81 << 27 << 0 << 0xFFFF << -1;
    QTest::newRow("five humidity unclamped") << 81 << 27 << 1 << 1200 << 1200;
    QTest::newRow("five humidity unsigned") << 81 << 27 << 1 << 0xFFFF << 65535;
    QTest::newRow("five pm unsigned") << 81 << 27 << 4 << 0x8000 << 32768;
    QTest::newRow("single co2 negative") << 0 << 6 << 0 << 0xFFFF << 0;
    QTest::newRow("single hcho top") << 0 << 18 << 0 << 30000 << 26790;
    QTest::newRow("single temperature signed") << 0 << 2 << 0 << 0xFF9C << -100;
}

void TestCatalogue::polledValue()
{
    QFETCH(int, mixpro);
    QFETCH(int, protype);
    QFETCH(int, component);
    QFETCH(int, word);
    QFETCH(int, expected);
    const ProductType *t = lookupType(static_cast<uint8_t>(mixpro), static_cast<uint8_t>(protype));
    QVERIFY(t);
    QCOMPARE(kestrel::polledValue(*t, component, word), expected);
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
