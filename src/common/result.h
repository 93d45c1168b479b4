#pragma once
// What every core operation that can fail gives back: whether it worked, the text that tells the
// operator why not, and what it produced. Nothing in the core throws.
#include <QString>

#include <variant>

namespace kestrel {

template <class T = std::monostate> struct Result {
    bool ok = true;
    QString error; // for the operator; empty when ok
    T value{};

    static Result failure(const QString &e) { return {false, e, {}}; }
};

} // namespace kestrel
