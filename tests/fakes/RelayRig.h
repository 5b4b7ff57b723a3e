#pragma once

#include "Core/AppModel.h"
#include "Core/Relay/RelayError.h"
#include "Core/Relay/RelayRunner.h"
#include "Core/Tasks.h"
#include "FakePlatform.h"
#include "FakeRelay.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <exception>
#include <initializer_list>
#include <memory>
#include <optional>

// The command lines the model runs most, as tests script the fake relay with them.
inline const QStringList statusArgs{"relay", "status", "--json"};
inline const QStringList doctorArgs{"relay", "doctor", "--json"};
inline const QStringList unpairArgs{"relay", "unpair", "--json"};
inline const QStringList runArgs{"relay", "run", "--events", "json"};

// A relay answer kept as a file beside the fake relay: tests/fakes/answers/<name>.json.
inline QByteArray answer(const char* name) {
    QFile file(QStringLiteral(WRENBOX_ANSWERS_DIR "/%1.json").arg(QLatin1String(name)));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("no relay answer named %s", name);
    return file.readAll().trimmed();
}

// The rows of a table kept as a text file beside its test (a path under tests/): one row a line,
// its columns separated by " ¦ ", with C escapes (\\, \n, \r, \t, \f, \0, \xHH) in each column;
// blank lines and lines starting with "#" are skipped.
inline QList<QByteArrayList> table(const char* file) {
    QFile in(QStringLiteral(WRENBOX_TEST_DIR "/%1").arg(QLatin1String(file)));
    if (!in.open(QIODevice::ReadOnly))
        qFatal("no table named %s", file);
    QList<QByteArrayList> rows;
    for (const QString& line : QString::fromUtf8(in.readAll()).split(u'\n')) {
        if (line.trimmed().isEmpty() || line.startsWith(u'#'))
            continue;
        QByteArrayList& columns = rows.emplace_back();
        for (QString text : line.split(u'¦')) {
            text = text.mid(text.startsWith(u' ') ? 1 : 0);
            text.chop(text.endsWith(u' ') ? 1 : 0);
            QByteArray out = text.toUtf8();
            for (qsizetype i = out.indexOf('\\'); i >= 0 && i + 1 < out.size();
                 i = out.indexOf('\\', i + 1)) {
                const char e = out[i + 1];
                const qsizetype k = QByteArray("nrtf0").indexOf(e);
                const char c = e == 'x' ? char(out.mid(i + 2, 2).toInt(nullptr, 16))
                                        : (k >= 0 ? "\n\r\t\f"[k] : e);
                out.replace(i, e == 'x' ? 4 : 2, QByteArray(1, c));
            }
            columns.append(out);
        }
    }
    return rows;
}

// One data row per table row, its columns as one QByteArrayList named "row", named by its first
// `tagColumns` columns.
inline void addRows(const char* file, int tagColumns = 1) {
    QTest::addColumn<QByteArrayList>("row");
    for (const QByteArrayList& row : table(file)) {
        QByteArrayList tag;
        for (int i = 0; i < tagColumns; ++i)
            tag.append(row.value(i).left(40));
        QTest::newRow(tag.join(' ').constData()) << row;
    }
}

// Whether a table row's kind is one its test knows. A misspelled kind fails the test rather than
// falling into another kind's branch.
[[nodiscard]] inline bool knownKind(const QByteArray& kind,
                                    std::initializer_list<const char*> known) {
    for (const char* each : known) {
        if (kind == each)
            return true;
    }
    QTest::qFail(("no such kind in this table: " + kind).constData(), __FILE__, __LINE__);
    return false;
}

// Sets an environment variable (or unsets it, given no value) for one scope.
class ScopedEnv {
public:
    explicit ScopedEnv(const char* name, const std::optional<QByteArray>& value = std::nullopt)
        : m_name(name)
        , m_old(qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt) {
        set(value);
    }
    ~ScopedEnv() { set(m_old); }
    Q_DISABLE_COPY(ScopedEnv)

private:
    void set(const std::optional<QByteArray>& value) {
        value ? qputenv(m_name, *value) : qunsetenv(m_name);
    }
    const char* m_name;
    std::optional<QByteArray> m_old;
};

// A task run to its end in the background, its outcome kept for the test (test macros cannot
// be used inside a coroutine).
template <typename T> struct Outcome {
    bool done = false;
    std::optional<std::conditional_t<std::is_void_v<T>, bool, T>> value; // none for void tasks
    std::exception_ptr error;
    std::optional<RelayError> relayError; // when the error is one
};

template <typename T> std::shared_ptr<Outcome<T>> launch(QCoro::Task<T> task) {
    auto out = std::make_shared<Outcome<T>>();
    auto collect = [](QCoro::Task<T> running, std::shared_ptr<Outcome<T>> into) -> QCoro::Task<> {
        try {
            if constexpr (std::is_void_v<T>)
                co_await std::move(running);
            else
                into->value = co_await std::move(running);
        } catch (const RelayError& e) {
            into->relayError = e;
            into->error = std::current_exception();
        } catch (...) {
            into->error = std::current_exception();
        }
        into->done = true;
    };
    detach(collect(std::move(task), out), "test task");
    return out;
}

template <typename T> [[nodiscard]] bool finish(const std::shared_ptr<Outcome<T>>& outcome) {
    return QTest::qWaitFor([&] { return outcome->done; }, 20'000);
}

// A model over the fake relay (a real child process) and the fake platform with its manual
// clock, in a home folder of its own and outside a dry run. The relay answers the status with
// `status` and the health report with an empty one until a test scripts others.
struct RelayRig {
    QTemporaryDir home;
    ScopedEnv homeEnv{"HOME", QFile::encodeName(home.path())};
    FakeRelay relay;
    FakePlatform fake;
    std::unique_ptr<AppModel> model; // after the fakes: goes before them

    explicit RelayRig(const char* status = "status-unpaired") {
        fake.bundle.helperPath = relay.helperPath();
        relay.reply(statusArgs, answer(status));
        relay.reply(doctorArgs, "{}");
        relay.runStream({});
    }
    // Whatever a derived rig holds over the model is gone by now.
    ~RelayRig() {
        model.reset();
        drain();
    }
    RelayRig(const RelayRig&) = delete;
    RelayRig& operator=(const RelayRig&) = delete;

    AppModel& make() {
        model = std::make_unique<AppModel>(fake.platform());
        return *model;
    }
    // Starts the model (made if need be) and waits until its first refresh is in.
    [[nodiscard]] bool start() {
        if (!model)
            make();
        model->start();
        return settle() && model->loaded();
    }

    // Waits until the model is quiet: no check under way, no relay command running, and every
    // stopped relay reaped, so whatever the model makes of those answers and exits has happened.
    [[nodiscard]] bool settle() {
        return QTest::qWaitFor(
            [this] {
                if (model && model->isChecking())
                    return false;
                const auto calls = QCoreApplication::instance()->findChildren<QProcess*>(
                    Qt::FindDirectChildrenOnly);
                for (const QProcess* call : calls) {
                    if (call->state() != QProcess::NotRunning)
                        return false;
                }
                if (!model)
                    return true;
                const RelayRunner& runner = *model->m_runner;
                return runner.findChildren<QProcess*>().size() == (runner.isRunning() ? 1 : 0);
            },
            20'000);
    }

    // Output bytes for the model's relay, as if the relay had printed them.
    void consume(const QByteArray& chunk) { model->m_runner->consume(chunk); }
    void startRelay() { model->m_runner->start(); }
    const RelayRunner& runner() const { return *model->m_runner; }

    // Moves the clock; sleepers whose time ran out resume on the next turn of the event loop.
    void advance(std::chrono::milliseconds span) {
        fake.clock.advance(span);
        QCoreApplication::processEvents();
    }

    // How often the relay was run with exactly these arguments.
    int count(const QStringList& args) const { return int(relay.calls().count(args)); }

    // Lines the long-running relay prints, one JSON object each.
    void print(const QList<QByteArray>& lines) {
        for (const QByteArray& line : lines)
            consume(line + '\n');
    }

    // Tasks of a destroyed model wake on the next turns of the event loop and end there.
    static void drain() {
        for (int turn = 0; turn < 3; ++turn) {
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }
};
