#include "conntest.h"
#include "common/tr8.h"

#include "commissioninghost.h"
#include "common/clock.h"
#include "common/log.h"
#include "common/numeric.h"
#include "common/operator.h"
#include "devicetable.h"
#include "link/exchange.h"
#include "texts.h"
#include "texts.h"

#include <algorithm>
#include <limits>

namespace kestrel {

namespace {
} // namespace

ConnTest::ConnTest(Exchange &exchange, DeviceTable &devices, Operator &op, TimerFactory &timers,
                   CommissioningHost &host, QObject *parent)
    : QObject(parent), m_exchange(exchange), m_devices(devices), m_op(op), m_host(host),
      m_pause(timers.create())
{
    m_pause->setInterval(PassPauseMs);
    connect(m_pause.get(), &Timer::timeout, this, &ConnTest::runPass);
}

ConnTest::~ConnTest() = default;

void ConnTest::cmdConn_Click()
{
    // A running polling cycle stops advancing; its buttons keep their captions.
    m_host.stopPollingTimer();
    m_host.enableLoopR();
    m_host.setFramesEnabled(false);
    if (!m_running) { // a new face: the boxes as they start, an empty log
        txtloopAdd2 = QStringLiteral("1");
        txtloopAdd3 = QStringLiteral("5");
        Text3 = QStringLiteral("1");
        Text2.clear();
    }
    Q_EMIT changed();
    Q_EMIT openRequested();
}

void ConnTest::cmdtest_Click()
{
    if (m_running) {
        appendLog(QStringLiteral("connectivity test: start ignored, a run is going on"));
        return;
    }
    const auto first = strictWholeNumber(txtloopAdd2, DeviceTable::FirstAddress, DeviceTable::LastAddress);
    const auto last = strictWholeNumber(txtloopAdd3, DeviceTable::FirstAddress, DeviceTable::LastAddress);
    if (!first || !last) {
        m_op.message(tr8(texts::devices::BadAddress));
        return;
    }
    if (*last < *first) {
        m_op.message(tr8(texts::devices::StartAfterEnd));
        return;
    }
    const auto passes = strictWholeNumber(Text3, 0, std::numeric_limits<int32_t>::max());
    if (!passes) {
        m_op.message(tr8(texts::devices::BadPassCount));
        return;
    }
    okCount = 0;
    m_next = *first;
    repeatLeft = *passes;
    StopTest = false;
    m_storeFailure.clear();
    m_running = true;
    Q_EMIT changed();
    m_pause->start(); // every pass, the first too, starts after the pause
}

void ConnTest::runPass()
{
    m_pause->stop();
    if (!m_running)
        return;
    m_inPass = true;
    // Read again at every pass; the boxes may have been edited during the run.
    const qint64 e = std::min<qint64>(numericValue(txtloopAdd3), DeviceTable::LastAddress);
    bool ended = false;
    for (int a = m_next; a <= e && !ended; ++a) {
        if (m_devices.at(a).protype == 0) // a device that answered before is not asked again
            testDevice(a);
        if (StopTest) {
            ended = true;
        } else if (numericValue(txtloopAdd3) - numericValue(txtloopAdd2) + 1 == okCount) {
            appendLine(tr8(texts::devices::AllConnected));
            ended = true;
        }
    }
    m_inPass = false;
    if (!ended) {
        m_next = static_cast<int>(std::clamp<qint64>(numericValue(txtloopAdd2), 1, DeviceTable::LastAddress));
        if (numericValue(Text3) != 0) { // 0: the next pass follows without limit
            if (repeatLeft > 1)
                --repeatLeft;
            else
                StopTest = true;
        }
        if (!StopTest) {
            m_pause->start();
            return;
        }
    }
    finish();
}

void ConnTest::testDevice(int address)
{
    m_exchange.CurAddr = static_cast<uint8_t>(address);
    // A failure left by another exchange (a polling tick) says nothing about this device.
    m_exchange.failureCount = 0;
    const uint8_t mixpro = m_host.readProType();
    DeviceEntry &d = m_devices.at(address);
    d.mixpro = mixpro;
    QString line;
    if (m_exchange.failureCount < 1) {
        d.absent = 0;
        line = QString::number(address) + tr8(texts::devices::DeviceOk);
        const StoredCodes stored = m_host.storeCodes(address, d.mixpro, d.protype);
        if (!stored.status.ok) { // the line stands; the operator hears of it once, after the run
            appendLog(QStringLiteral("connectivity test: codes of %1 not stored: ").arg(address) +
                      stored.status.error);
            if (m_storeFailure.isEmpty())
                m_storeFailure = stored.status.error;
        } else if (stored.alias) {
            d.alias = *stored.alias;
        }
        ++okCount;
    } else {
        d.absent = 1;
        line =
            tr8(texts::devices::ErrorPrefix) + QString::number(address) + tr8(texts::devices::DeviceSilent);
        m_exchange.failureCount = 0;
    }
    appendLine(line);
}

void ConnTest::appendLine(const QString &line)
{
    Text2 += QStringLiteral("\r\n") + line;
    Q_EMIT changed();
}

void ConnTest::finish()
{
    m_pause->stop();
    m_running = false;
    Q_EMIT changed();
    if (!m_storeFailure.isEmpty())
        m_op.message(tr8(texts::devices::CodesNotStored) + m_storeFailure);
    Q_EMIT finished();
}

void ConnTest::cmdstop_Click()
{
    StopTest = true;
    if (m_running && !m_inPass) // between passes there is no device in hand
        finish();
}

void ConnTest::cmdcls_Click()
{
    Text2 = QStringLiteral(" ");
    Q_EMIT changed();
}

void ConnTest::cmdExig_Click()
{
    // Only a usable range becomes the polling range.
    const auto first = strictWholeNumber(txtloopAdd2, DeviceTable::FirstAddress, DeviceTable::LastAddress);
    const auto last = strictWholeNumber(txtloopAdd3, DeviceTable::FirstAddress, DeviceTable::LastAddress);
    if (first && last && *first <= *last) {
        m_devices.PollStart = *first;
        m_devices.PollEnd = *last;
    }
    leave();
    Q_EMIT closeRequested();
}

void ConnTest::closeBox()
{
    leave();
}

void ConnTest::leave()
{
    m_host.disableLoopP();
    m_host.setFramesEnabled(true);
    cmdstop_Click();
}

} // namespace kestrel
