#pragma once
// The operator in tests: records every message and answers file questions from a script.
#include "common/operator.h"

#include <QStringList>

namespace kestrel::test {

class RecordingOperator : public Operator {
public:
    struct Message {
        QString text;
        QString title;
        Icon icon;
    };
    QList<Message> messages;
    QStringList openAnswers; // taken front first; empty list answers "cancelled"
    QStringList saveAnswers;
    QStringList askedFolders;

    void message(const QString &text, const QString &title, Icon icon) override
    {
        messages.append({text, title, icon});
    }
    QString askOpenFile(const QString &folder, const QString &) override
    {
        askedFolders << folder;
        return openAnswers.isEmpty() ? QString() : openAnswers.takeFirst();
    }
    QString askSaveFile(const QString &folder, const QString &) override
    {
        askedFolders << folder;
        return saveAnswers.isEmpty() ? QString() : saveAnswers.takeFirst();
    }
    QStringList texts() const
    {
        QStringList t;
        for (const auto &m : messages)
            t << m.text;
        return t;
    }
};

} // namespace kestrel::test
