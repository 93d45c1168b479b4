#pragma once
// The curve buffer of the real-time window (the last 50 readings of the timed reading, 49 the
// newest) and the history buffer the history window pages through (86401 samples written round:
// after sample 86400 the next reading overwrites sample 0). Both are allocated once and never
// cleared. Values are the readings' unscaled integers; times are times of day, kept as seconds
// since midnight and shown as "HH:mm:ss", the form the timed reading stamps its readings with.
#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

namespace kestrel {

struct RecordEntry;

class CurveBuffers : public QObject {
    Q_OBJECT
public:
    static constexpr int Quantities = 13; // catalogue order: 温度, 湿度, CO2, ..., NO2
    static constexpr int Points = 50;
    static constexpr int Samples = 86401;

    explicit CurveBuffers(QObject *parent = nullptr);

    // Takes one reading of the timed reading (the current record entry, whose value texts are
    // indexed by value box) into both buffers and announces the new point. A text that is not a
    // number gives 0; a value outside −32768..32767 is held at the nearer end of that range.
    void saveDrawData(const RecordEntry &entry);
    // The same with the values already numeric, by catalogue index.
    void addPoint(const std::array<int, Quantities> &values, const QString &time);

    qint16 drawData(int k, int p) const { return m_drawData[size_t(k)][size_t(p)]; }
    bool pointFilled(int p) const { return m_drawTime[size_t(p)] != Unfilled; }
    QString drawTime(int p) const { return timeText(m_drawTime[size_t(p)]); }

    qint16 histData(int n, int k) const { return m_histData[size_t(n) * Quantities + size_t(k)]; }
    bool sampleFilled(int n) const { return m_histTime[size_t(n)] != Unfilled; }
    QString histTime(int n) const { return timeText(m_histTime[size_t(n)]); }
    int histCount() const { return m_histCount; } // the index the next sample goes to

    // Bytes the two buffers hold.
    static constexpr size_t storageBytes()
    {
        return sizeof(qint16) * Quantities * (Points + size_t(Samples)) +
               sizeof(int32_t) * (Points + Samples);
    }

Q_SIGNALS:
    void pointAdded(); // open curve windows redraw

private:
    static constexpr int32_t Unfilled = -1;
    static constexpr int32_t Unreadable = -2; // a time text that is not a time of day: shown empty
    static int32_t secondsOf(const QString &time);
    static QString timeText(int32_t seconds);

    std::array<std::array<qint16, Points>, Quantities> m_drawData{};
    std::array<int32_t, Points> m_drawTime{};
    std::vector<qint16> m_histData; // sample-major: sample n holds 13 values
    std::vector<int32_t> m_histTime;
    int m_histCount = 0;
};

} // namespace kestrel
