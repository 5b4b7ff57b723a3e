// Pairing links, pairing codes, the local-server rule and the pending pairing request.

#include "Core/LocalServerUrl.h"
#include "Core/MacPairLink.h"
#include "Core/PairCode.h"
#include "Core/PairingRequest.h"

#include "RelayRig.h"

#include <QSignalSpy>

class TestPairLink : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rules_data();
    void rules();
    void longLinks();
    void requestNotifiesOnlyOnChange();
};

void TestPairLink::rules_data() {
    QTest::addColumn<QByteArray>("kind");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("expected");
    for (const QByteArrayList& row : table("Core/pairing.txt"))
        QTest::addRow("%s: %s", row[0].constData(), row[1].constData())
            << row[0] << row[2] << QString::fromUtf8(row[3]);
}

void TestPairLink::rules() {
    QFETCH(QByteArray, kind);
    QFETCH(QByteArray, input);
    QFETCH(QString, expected);
    const auto link = MacPairLink::fromUrl(QUrl::fromEncoded(input));
    const QString got = kind == "code" ? PairCode::clean(QString::fromUtf8(input))
                        : kind == "link"
                            ? (link ? link->code + u' ' + link->server.value_or(u"~"_qs) : u"-"_qs)
                        : isLocalServer(QString::fromUtf8(input)) ? u"yes"_qs
                                                                  : u"no"_qs;
    QCOMPARE(got, expected);
}

void TestPairLink::longLinks() {
    const QString base = u"wrenbox-mac://pair?code=ABC234&server="_qs;
    const QString atCap = base + QString(MacPairLink::maxEncodedLength - base.size(), u'a');
    QVERIFY(MacPairLink::fromUrl(QUrl(atCap)));
    QVERIFY(!MacPairLink::fromUrl(QUrl(atCap + u'a')));
    QVERIFY(!MacPairLink::fromUrl(
        QUrl(u"wrenbox-mac://pair?code=ABC234"_qs + u"&code=x"_qs.repeated(150'000))));
    QVERIFY(!MacPairLink::fromUrl(QUrl(u"wrenbox-mac://pair?"_qs + u"%C0"_qs.repeated(2000))));
    QVERIFY(!isLocalServer(std::nullopt));
}

void TestPairLink::requestNotifiesOnlyOnChange() {
    PairingRequest request;
    QSignalSpy spy(&request, &PairingRequest::pendingChanged);
    const MacPairLink link{std::nullopt, u"ABC234"_qs};
    for (const auto& pending : {std::optional(link), std::optional(link),
                                std::optional(MacPairLink{u"http://localhost"_qs, u"ABC234"_qs}),
                                std::optional<MacPairLink>(), std::optional<MacPairLink>()})
        request.setPending(pending);
    QCOMPARE(spy.count(), 3);
    QVERIFY(!request.pending());
}

QTEST_GUILESS_MAIN(TestPairLink)
#include "tst_pairlink.moc"
