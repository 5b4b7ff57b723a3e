#include "Features/Setup/PairingRows.h"
#include "Features/Setup/SetupView.h"
#include "SetupFixture.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

// Setup on the screens of small laptops. The offscreen platform is given two screens side by
// side (1280 x 800 and 1366 x 768) and draws window frames.
class SetupPlacementTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void staysOnItsScreen_data() {
        QTest::addColumn<int>("index");
        QTest::newRow("1280 x 800") << 0;
        QTest::newRow("1366 x 768") << 1;
    }
    void staysOnItsScreen() {
        QFETCH(int, index);
        QScreen* screen = QGuiApplication::screens().value(index);
        QVERIFY(screen);
        const QRect area = screen->availableGeometry();

        SetupFixture f;
        QByteArray checks;
        for (int i = 0; i < 12; ++i)
            checks += QStringLiteral(R"({"id": "c%1", "status": "info", "title": "Check %1",
                "detail": "A detail long enough to fill a line of the diagnostics text."},)")
                          .arg(i)
                          .toUtf8();
        f.replyDoctor(R"({"problems": 0, "checks": [)" + checks + R"({"id": "x", "status": "ok",
            "title": "X"}]})");
        SetupView view(*f.model, f.fake.platform(), f.pairing);
        view.setScreen(screen);
        view.move(area.topLeft() + QPoint(40, 30));
        view.show();
        const auto settled = [&] { return !f.model->isChecking() && !view.pairingRows()->busy(); };
        QTRY_VERIFY_WITH_TIMEOUT(settled(), 15000);
        auto* scroll = view.findChild<QScrollArea*>();
        const auto check = [&](const char* when) {
            const int content = scroll->widget()->heightForWidth(600);
            const QString where = QStringLiteral("%1: frame %2,%3 %4x%5 on %6x%7, content %8")
                                      .arg(when)
                                      .arg(view.frameGeometry().x())
                                      .arg(view.frameGeometry().y())
                                      .arg(view.frameGeometry().width())
                                      .arg(view.frameGeometry().height())
                                      .arg(area.width())
                                      .arg(area.height())
                                      .arg(content);
            QVERIFY2(area.contains(view.frameGeometry()), qPrintable(where));
            QVERIFY2(view.width() == 600 && view.height() >= 620, qPrintable(where));
            // Content that fits is shown whole, without a scroll bar.
            QVERIFY2((scroll->verticalScrollBar()->maximum() > 0) == (content > view.height()),
                     qPrintable(where));
            // The diagnostics' button can be reached: shown whole inside the window.
            QPushButton* copy = view.copyDiagnosticsButton();
            scroll->ensureWidgetVisible(copy);
            QVERIFY2(copy->isVisible() && copy->visibleRegion().boundingRect() == copy->rect(),
                     qPrintable(where));
        };

        view.detailsToggle()->click();
        QVERIFY(view.showsDetails());
        // Opening the details scrolls their button into view by itself.
        QPushButton* copy = view.copyDiagnosticsButton();
        QCOMPARE(copy->visibleRegion().boundingRect(), copy->rect());
        check("details open");

        // A pairing link pairs at once and swaps the form for the paired row; the window follows.
        f.relay.reply({"relay", "pair", "ABC234", "--server", "https://wrenbox.app", "--json"},
                      R"({"device": {"id": "d1", "name": "Studio"}})");
        f.replyStatus(SetupFixture::paired(QStringLiteral("Studio")));
        f.pairing.setPending(MacPairLink{QStringLiteral("https://wrenbox.app"), "ABC234"});
        QTRY_VERIFY_WITH_TIMEOUT(view.pairingRows()->pairedRow()->isVisible() && settled(), 15000);
        check("after pairing");
    }
};

int main(int argc, char** argv) {
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("screens.json"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly) || file.write(R"({"windowFrameMargins": true, "screens": [
            {"name": "laptop", "x": 0, "y": 0, "width": 1280, "height": 800, "logicalDpi": 96},
            {"name": "wide", "x": 1280, "y": 0, "width": 1366, "height": 768, "logicalDpi": 96}]})") <
                                                0)
        return 1;
    file.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config));
    QApplication app(argc, argv);
    SetupPlacementTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SetupPlacementTest.moc"
