#pragma once

#include "Core/Relay/RelayError.h"
#include "Core/RelayPhase.h"
#include "Core/Tasks.h"

#include <QByteArray>
#include <QStringList>
#include <QTest>

#include <exception>
#include <memory>
#include <optional>

// Runs a task to completion in the background and keeps its outcome for the test to check.
// (Test macros cannot be used inside a coroutine.)
template <typename T> struct Outcome {
    bool done = false;
    std::optional<T> value;
    std::exception_ptr error;
};

template <> struct Outcome<void> {
    bool done = false;
    std::exception_ptr error;
};

namespace detail {
template <typename T>
QCoro::Task<> captureInto(QCoro::Task<T> task, std::shared_ptr<Outcome<T>> out) {
    try {
        if constexpr (std::is_void_v<T>)
            co_await std::move(task);
        else
            out->value = co_await std::move(task);
    } catch (...) {
        out->error = std::current_exception();
    }
    out->done = true;
}
} // namespace detail

template <typename T> std::shared_ptr<Outcome<T>> launch(QCoro::Task<T> task) {
    auto out = std::make_shared<Outcome<T>>();
    detach(detail::captureInto(std::move(task), out), "test task");
    return out;
}

inline std::optional<RelayError> relayErrorOf(const std::exception_ptr& error) {
    if (!error)
        return std::nullopt;
    try {
        std::rethrow_exception(error);
    } catch (const RelayError& e) {
        return e;
    } catch (...) {
    }
    return std::nullopt;
}

inline char* toString(const RelayPhase& phase) {
    return QTest::toString(phase.debugText());
}

inline const QStringList unpairArgs{"relay", "unpair", "--json"};
inline const QStringList runArgs{"relay", "run", "--events", "json"};
