// Setup on the screens of small laptops. The offscreen platform is given two screens side by
// side (1280 x 800 and 1366 x 768) and draws window frames.

#include "Core/PairingRequest.h"
#include "Features/Setup/SetupView.h"

#include "RelayRig.h"
#include "ViewRig.h"

#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>

class TestSetupPlacement : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void staysOnItsScreen() {
        QByteArray checks;
        for (int i = 0; i < 12; ++i)
            checks +=
                u"{\"id\": \"c%1\", \"status\": \"info\", \"title\": \"Check %1\", \"detail\": "
                u"\"A detail long enough to fill a line of the diagnostics text.\"},"_qs.arg(i)
                    .toUtf8();
        QCOMPARE(QGuiApplication::screens().size(), 2);
        for (QScreen* screen : QGuiApplication::screens()) {
            const QRect area = screen->availableGeometry();
            RelayRig rig;
            rig.relay.reply(doctorArgs,
                            R"({"problems": 0, "checks": [)" + checks + R"({"id": "x"}]})");
            PairingRequest pairing;
            SetupView view(rig.make(), rig.fake.platform(), pairing);
            view.setScreen(screen);
            view.move(area.topLeft() + QPoint(40, 30));
            view.show();
            QVERIFY(rig.settle());
            child<QToolButton>(&view, u"details"_qs)->click();
            QVERIFY(area.contains(view.frameGeometry()));
            QVERIFY(view.width() == 600 && view.height() >= 620);
            // Content that fits is shown whole, without a scroll bar.
            auto* scroll = view.findChild<QScrollArea*>();
            QCOMPARE(scroll->verticalScrollBar()->maximum() > 0,
                     scroll->widget()->heightForWidth(600) > view.height());
            // Opening the details scrolled their button into view.
            auto* copy = child<QPushButton>(&view, u"Copy diagnostics"_qs);
            QVERIFY(copy->isVisible() && copy->visibleRegion().boundingRect() == copy->rect());
        }
    }
};

int main(int argc, char** argv) {
    QTemporaryDir dir;
    QFile file(dir.filePath(u"screens.json"_qs));
    if (!file.open(QIODevice::WriteOnly) || file.write(R"({"windowFrameMargins": true, "screens": [
            {"name": "laptop", "x": 0, "y": 0, "width": 1280, "height": 800, "logicalDpi": 96},
            {"name": "wide", "x": 1280, "y": 0, "width": 1366, "height": 768, "logicalDpi": 96}]})") <
                                                0)
        return 1;
    file.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(file.fileName()));
    QApplication app(argc, argv);
    TestSetupPlacement test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_setupplacement.moc"
