#include "Core/LocalServerUrl.h"
#include "Core/PairCode.h"

#include <QtTest>

class CoreRulesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void isLocalServer_data();
    void isLocalServer();
    void alphabet();
    void clean_data();
    void clean();
};

void CoreRulesTest::isLocalServer_data() {
    QTest::addColumn<std::optional<QString>>("server");
    QTest::addColumn<bool>("local");

    const auto row = [](const char* name, const QString& server, bool local) {
        QTest::newRow(name) << std::optional<QString>(server) << local;
    };
    QTest::newRow("absent") << std::optional<QString>() << false;
    row("empty", QString(), false);
    row("localhost with port", QStringLiteral("http://localhost:8080"), true);
    row("LOCALHOST in capitals", QStringLiteral("HTTP://LOCALHOST:3000"), true);
    row("IPv4 loopback", QStringLiteral("http://127.0.0.1:9"), true);
    row("IPv4 loopback, other scheme", QStringLiteral("wss://127.0.0.1"), true);
    row("bracketed IPv6 loopback", QStringLiteral("http://[::1]:8080"), true);
    row("subdomain of localhost", QStringLiteral("https://dev.localhost"), true);
    row("capital subdomain", QStringLiteral("https://API.Dev.LocalHost:443/x"), true);
    row("user info and path", QStringLiteral("http://me@localhost/path?q=1"), true);
    row("other 127 address", QStringLiteral("http://127.0.0.2"), false);
    row("all-zero address", QStringLiteral("http://0.0.0.0:8080"), false);
    row("other IPv6 address", QStringLiteral("http://[::2]"), false);
    row("long IPv6 loopback", QStringLiteral("http://[0:0:0:0:0:0:0:1]"), false);
    row("bare word", QStringLiteral("localhost"), false);
    row("bare word with port", QStringLiteral("localhost:3000"), false);
    row("remote host", QStringLiteral("https://wrenbox.app"), false);
    row("localhost as a prefix", QStringLiteral("http://localhost.example.com"), false);
    row("localhost without the dot", QStringLiteral("http://evillocalhost"), false);
    row("percent-encoded localhost", QStringLiteral("http://%6Cocalhost"), false);
    row("empty host", QStringLiteral("http://:8080"), false);
    row("scheme-relative", QStringLiteral("//localhost:8080"), true);
    row("port and query", QStringLiteral("http://127.0.0.1:3000?next=/x@y"), true);
    row("not a URL", QStringLiteral("https://a b"), false);
}

void CoreRulesTest::isLocalServer() {
    QFETCH(std::optional<QString>, server);
    QFETCH(bool, local);
    QCOMPARE(::isLocalServer(server), local);
}

void CoreRulesTest::alphabet() {
    const QSet<QChar>& alphabet = PairCode::alphabet();
    QCOMPARE(alphabet.size(), 31);
    for (const QChar c : QStringLiteral("ABCDEFGHJKMNPQRSTUVWXYZ23456789"))
        QVERIFY2(alphabet.contains(c), qPrintable(QString(c)));
    for (const QChar c : QStringLiteral("ILO01abc-"))
        QVERIFY2(!alphabet.contains(c), qPrintable(QString(c)));
}

void CoreRulesTest::clean_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("code");

    QTest::newRow("hyphenated lower case") << "abc-234"
                                           << "ABC234";
    QTest::newRow("already clean") << "ZZ99XX"
                                   << "ZZ99XX";
    QTest::newRow("seven valid keeps six") << "ABCDEFG"
                                           << "ABCDEF";
    QTest::newRow("only excluded characters") << "01ILOilo"
                                              << "";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("spaces and punctuation") << " a.b c!2 3-4 "
                                            << "ABC234";
    QTest::newRow("excluded letters dropped") << "iloveyou"
                                              << "VEYU";
    QTest::newRow("upper-casing can add letters") << QStringLiteral("straße") << "STRASS";
    QTest::newRow("non-Latin dropped") << QStringLiteral("ф7ж8Ё9") << "789";
}

void CoreRulesTest::clean() {
    QFETCH(QString, text);
    QFETCH(QString, code);
    QCOMPARE(PairCode::clean(text), code);
}

QTEST_GUILESS_MAIN(CoreRulesTest)
#include "tst_corerules.moc"
