#pragma once
// The operator of a program without a window: each message is written as lines on a stream
// (standard error) and to kestrel.log; a file question is answered "cancelled".
#include "common/operator.h"

#include <cstdio>

namespace kestrel {

class LoggingOperator : public Operator {
public:
    explicit LoggingOperator(QString program, std::FILE *out = stderr)
        : m_program(std::move(program)), m_out(out)
    {
    }

    void message(const QString &text, const QString &title = {}, Icon icon = Icon::None) override;
    QString askOpenFile(const QString &, const QString &) override { return {}; }
    QString askSaveFile(const QString &, const QString &) override { return {}; }

    int messageCount() const { return m_count; }

private:
    QString m_program;
    std::FILE *m_out;
    int m_count = 0;
};

} // namespace kestrel
