#pragma once

#include <QString>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <type_traits>

// A property broken by an input: reported with the text involved, and the run
// ends, so libFuzzer keeps the input as a finding.
[[noreturn]] inline void Broken(const char* What, const QString& Detail = {}) {
    std::fprintf(stderr, "\n*** broken: %s\n*** %s\n", What, Detail.toUtf8().constData());
    std::abort();
}

// Detail is the text involved, or a function that makes it, called only when
// the property is broken.
template <typename D = QString> void Require(bool Holds, const char* What, const D& Detail = {}) {
    if (Holds) return;
    if constexpr (std::is_invocable_v<D>)
        Broken(What, Detail());
    else
        Broken(What, Detail);
}

// Calls what must never throw; an exception that escapes is a finding.
template <typename F> auto MustNotThrow(const char* What, F&& Call) -> decltype(Call()) {
    try {
        return Call();
    } catch (const std::exception& e) {
        Broken(What, QStringLiteral("threw: ") + QString::fromLocal8Bit(e.what()));
    } catch (...) {
        Broken(What, QStringLiteral("threw something that is not an exception"));
    }
}
