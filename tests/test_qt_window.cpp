#include "app/fanbord.h"
#include "app/qt/board.h"
#include "app/qt/qt_platform.h"

#include <QApplication>
#include <QtTest>

using namespace fanbord;

namespace {

// Plays nothing and ends nothing: the window on its own.
class SilentMedia final : public MediaFramework {
public:
    std::unique_ptr<MediaGraph> createGraph() override { return nullptr; }
    void playBlocking(const std::string&) override { ++blips; }
    int blips = 0;
};

QRgb pixel(const QImage& img, int x, int y) {
    const qreal dpr = img.devicePixelRatio();
    return img.pixel(qRound(x * dpr), qRound(y * dpr));
}

} // namespace

class QtWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        platform = std::make_unique<qt::QtPlatform>(media);
        form = std::make_unique<Fanbord>(*platform);
        platform->connect(*form);
        form->AppPath = appPathFrom(platform->programFolder());
        form->Init();
        platform->showWindow();
        QVERIFY(QTest::qWaitForWindowExposed(platform->window()));
    }
    void cleanup() {
        form.reset();
        platform.reset();
    }

public:
    SilentMedia media;
    std::unique_ptr<qt::QtPlatform> platform;
    std::unique_ptr<Fanbord> form;

private slots:
    void windowIsFramelessAndFixed() {
        QWidget* w = platform->window();
        QCOMPARE(w->size(), QSize(566, 420));
        QVERIFY(w->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(!w->windowIcon().isNull());
        QCOMPARE(platform->board()->size(), QSize(572, 420));
    }

    void widgetsStartWhereTheLayoutPutsThem() {
        const Widgets& ws = platform->widgets();
        QCOMPARE(ws.Flagga[22]->left(), 328.0);
        QCOMPARE(ws.Flagga[22]->top(), 206.0);
        QVERIFY(!ws.Info->visible());
        QVERIFY(!ws.Kompis->visible());
        QVERIFY(!ws.Sverige->visible());
        QVERIFY(!ws.picProgBack->visible());
        QVERIFY(ws.picProg->visible());
        auto* bar = static_cast<qt::QtPictureBox*>(ws.picProgBack)->view();
        auto* marker = static_cast<qt::QtPictureBox*>(ws.picProg)->view();
        QVERIFY(!marker->isVisible()); // hidden with its bar
        ws.picProgBack->setVisible(true);
        QVERIFY(marker->isVisible());
        QCOMPARE(bar->geometry(), QRect(8, 350, 452, 16));
        QCOMPARE(marker->geometry(), QRect(-10, 0, 10, 10));
        QCOMPARE(ws.Flagga[28]->tooltip(), std::string("Wales flagga"));
    }

    void hiddenKompisStillTakesDrawing() {
        const Widgets& ws = platform->widgets();
        ws.Kompis->outline(0, 0, 67, 35, Rgb{0, 0, 0});
        const QImage snap = qt::imageOf(ws.Kompis->snapshot());
        QCOMPARE(snap.deviceIndependentSize().toSize(), QSize(68, 36));
        QCOMPARE(QColor(pixel(snap, 0, 0)), QColor(Qt::black));
        QCOMPARE(QColor(pixel(snap, 67, 35)), QColor(Qt::black));
        QCOMPARE(QColor(pixel(snap, 30, 18)), QColor(Qt::white));
        ws.Kompis->clear();
        QCOMPARE(QColor(pixel(qt::imageOf(ws.Kompis->snapshot()), 0, 0)), QColor(Qt::white));
    }

    void blockCopyIsExactAndClipped() {
        const Widgets& ws = platform->widgets();
        const QImage board = platform->board()->surface();
        platform->blockCopy(*ws.Kompis, 0, 0, 68, 36, *ws.Pico, 331, 215);
        const QImage snap = qt::imageOf(ws.Kompis->snapshot());
        for (int y = 0; y < 36; y += 5)
            for (int x = 0; x < 68; x += 5)
                QCOMPARE(pixel(snap, x, y), pixel(board, 331 + x, 215 + y));
        ws.Kompis->clear();
        platform->blockCopy(*ws.Kompis, 0, 0, 68, 36, *ws.Pico, 540, 400); // mostly outside the board
        const QImage clipped = qt::imageOf(ws.Kompis->snapshot());
        QCOMPARE(pixel(clipped, 10, 10), pixel(board, 550, 410));
        QCOMPARE(QColor(pixel(clipped, 50, 30)), QColor(Qt::white)); // nothing copied from beyond the edge
    }
};

QTEST_MAIN(QtWindowTest)
#include "test_qt_window.moc"
