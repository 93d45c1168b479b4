// The number patterns of the value boxes.
#include "products/catalogue.h"

#include <QtTest>

using namespace kestrel;

class TestCatalogue : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void formatNumber_data()
    {
        QTest::addColumn<qint64>("value");
        QTest::addColumn<int>("divisor");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("expected");
        QTest::newRow("###0.0 of 450") << qint64(450) << 1 << "###0.0" << "450.0";
        QTest::newRow("#0.00 of 20.9") << qint64(2090) << 100 << "#0.00" << "20.90";
        QTest::newRow("tenths below one") << qint64(-1) << 10 << "##0.0" << "-0.1";
        QTest::newRow("hundredths below one") << qint64(-5) << 100 << "#0.00" << "-0.05";
        QTest::newRow("more digits than the pattern") << qint64(32767) << 1 << "###0.0" << "32767.0";
        QTest::newRow("lowest word") << qint64(-32768) << 10 << "##0.0" << "-3276.8";
        QTest::newRow("no decimals rounds half away") << qint64(-15) << 10 << "0" << "-2";
        QTest::newRow("rounds half up") << qint64(25) << 100 << "#0.0" << "0.3";
        QTest::newRow("required integer digits") << qint64(1) << 1 << "00.0" << "01.0";
        QTest::newRow("no required integer digit") << qint64(5) << 10 << "#.0" << ".5";
        QTest::newRow("rounds to zero without sign") << qint64(-4) << 100 << "#0.0" << "0.0";
    }
    void formatNumber()
    {
        QFETCH(qint64, value);
        QFETCH(int, divisor);
        QFETCH(QString, pattern);
        QFETCH(QString, expected);
        QCOMPARE(kestrel::formatNumber(value, divisor, pattern.toLatin1().constData()), expected);
    }
};

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
