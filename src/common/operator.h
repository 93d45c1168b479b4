#pragma once
// The operator as the core sees it: messages and file choices. The UI answers
// with message boxes and file dialogs; tests answer with a recorder.
#include <QString>

namespace kestrel {

class Operator {
public:
    enum class Icon { None, Information, Question, Warning, Critical };
    virtual ~Operator() = default;
    // A message box with an OK button. An empty title means the application title "Kestrel".
    virtual void message(const QString &text, const QString &title = {}, Icon icon = Icon::None) = 0;
    // Returns the chosen path, or an empty string when the operator cancels.
    virtual QString askOpenFile(const QString &folder, const QString &filter) = 0;
    virtual QString askSaveFile(const QString &folder, const QString &filter) = 0;
};

// Answers nothing and records nothing: for code that runs without an operator (benchmarks).
class SilentOperator : public Operator {
public:
    void message(const QString &, const QString &, Icon) override {}
    QString askOpenFile(const QString &, const QString &) override { return {}; }
    QString askSaveFile(const QString &, const QString &) override { return {}; }
};

} // namespace kestrel
