#include "app/fanbord.h"
#include "app/qt/board.h"
#include "app/qt/qt_platform.h"

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <map>

using namespace fanbord;

namespace {

// A piece that "plays" for a given time by the wall clock, making no sound.
class TimedGraph final : public MediaGraph {
public:
    explicit TimedGraph(double seconds) : seconds_(seconds) {}
    bool renderFile(const std::string&, std::string&) override { return true; }
    bool run(std::string&) override {
        clock_.start();
        return true;
    }
    void stop() override { stoppedAt_ = currentPosition(); }
    double duration() const override { return seconds_; }
    double currentPosition() const override {
        return stoppedAt_ >= 0 ? stoppedAt_ : clock_.isValid() ? clock_.elapsed() / 1000.0 : 0;
    }

private:
    double seconds_;
    double stoppedAt_ = -1;
    QElapsedTimer clock_;
};

// Plays nothing and ends nothing: the window on its own.
class SilentMedia final : public MediaFramework {
public:
    std::unique_ptr<MediaGraph> createGraph() override {
        return pieceSeconds > 0 ? std::make_unique<TimedGraph>(pieceSeconds) : nullptr;
    }
    double pieceSeconds = 0;
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
        media.blips = 0;
        media.pieceSeconds = 0;
        platform = std::make_unique<qt::QtPlatform>(media);
        form = std::make_unique<Fanbord>(*platform);
        platform->connect(*form);
        form->AppPath = appPathFrom(platform->programFolder(), platform->folderSeparator());
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
        platform->blockCopy(CopyTarget(*ws.Kompis), 0, 0, 68, 36, CopySource(*ws.Pico), 331, 215);
        const QImage snap = qt::imageOf(ws.Kompis->snapshot());
        for (int y = 0; y < 36; y += 5)
            for (int x = 0; x < 68; x += 5)
                QCOMPARE(pixel(snap, x, y), pixel(board, 331 + x, 215 + y));
        ws.Kompis->clear();
        ws.Kompis->outline(40, 20, 60, 30, Rgb{0, 0, 0});
        // Mostly beyond the board's edges.
        platform->blockCopy(CopyTarget(*ws.Kompis), 0, 0, 68, 36, CopySource(*ws.Pico), 540, 400);
        const QImage clipped = qt::imageOf(ws.Kompis->snapshot());
        QCOMPARE(pixel(clipped, 10, 10), pixel(board, 550, 410));
        QCOMPARE(QColor(pixel(clipped, 50, 30)), QColor(Qt::black)); // nothing copied from beyond the edge
    }

    void boardShowsItsArtwork() {
        const QImage shot = platform->window()->grab().toImage();
        QCOMPARE(shot.deviceIndependentSize().toSize(), QSize(566, 420));
        // Drawn at the screen's full resolution, not scaled up afterwards.
        const qreal dpr = qApp->devicePixelRatio();
        QCOMPARE(platform->board()->surface().size(), QSize(qRound(572 * dpr), qRound(420 * dpr)));
        if (qEnvironmentVariableIsSet("QT_SCALE_FACTOR"))
            QCOMPARE(dpr, 2.0);
        QCOMPARE(QColor(pixel(shot, 490, 200)), QColor(0, 255, 255)); // the cyan field
        QCOMPARE(QColor(pixel(shot, 300, 395)), QColor(0, 255, 255)); // where the hidden buttons will be
        const QColor pole(pixel(shot, 503, 200));
        QVERIFY2(pole.saturation() < 40 && pole.value() > 150, qPrintable(pole.name()));
        const QColor crest(pixel(shot, 499, 25));
        QCOMPARE(crest, QColor(0, 0, 128)); // the crest's banner
        // Every tile's frame is dark right around its cloth.
        for (int i = 0; i < kNationCount; ++i) {
            const QColor edge(pixel(shot, 11 + 80 * (i % 6) - 1, 17 + 66 * (i / 6) + 18));
            QVERIFY2(edge.value() < 100, qPrintable(QString::number(i)));
        }
    }

    void clickingATileHoistsItsFramedFlag() {
        QTest::mouseClick(platform->board(), Qt::LeftButton, {}, QPoint(328 + 38, 206 + 30));
        QCOMPARE(media.blips, 1);
        const Widgets& ws = platform->widgets();
        QCOMPARE(ws.Flag->tooltip(), std::string("Sveriges flagga"));
        QCOMPARE(ws.Flagga[22]->left(), 328.0); // back in place after the press
        const QImage shot = platform->window()->grab().toImage();
        const QColor frame(pixel(shot, 507, 112)), frameEnd(pixel(shot, 539, 129));
        QVERIFY2(frame.value() < 60 && frameEnd.value() < 60, qPrintable(frame.name() + frameEnd.name()));
        const QColor blue(pixel(shot, 512, 116)), yellow(pixel(shot, 519, 121));
        QVERIFY2(blue.blue() > 120 && blue.red() < 60, qPrintable(blue.name()));
        QVERIFY2(yellow.red() > 180 && yellow.green() > 150 && yellow.blue() < 80, qPrintable(yellow.name()));
        QCOMPARE(ws.ShowInfo[0]->caption(), std::string("Sveriges"));
    }

    void keyboardWalksTheTilesAndTabsToTheButtons() {
        QWidget* board = platform->board();
        platform->window()->activateWindow();
        board->setFocus(Qt::TabFocusReason);
        QTest::keyClick(board, Qt::Key_Right);
        QTest::keyClick(board, Qt::Key_Down);
        QCOMPARE(QAccessible::queryAccessibleInterface(board)->focusChild()->text(QAccessible::Name),
                 QStringLiteral("Hollands flagga"));
        QTest::keyClick(board, Qt::Key_Return);
        QCOMPARE(platform->widgets().Flag->tooltip(), std::string("Hollands flagga"));
        QCOMPARE(media.blips, 1);
        // With the controls shown, Tab goes from the board to Sluta and then to Info.
        platform->widgets().Quit->setVisible(true);
        platform->widgets().Info->setVisible(true);
        auto* quit = static_cast<qt::QtButton*>(platform->widgets().Quit)->view();
        auto* info = static_cast<qt::QtButton*>(platform->widgets().Info)->view();
        QCOMPARE(board->nextInFocusChain(), static_cast<QWidget*>(quit));
        QWidget* afterQuit = quit->nextInFocusChain();
        while (afterQuit->focusPolicy() == Qt::NoFocus)
            afterQuit = afterQuit->nextInFocusChain();
        QCOMPARE(afterQuit, static_cast<QWidget*>(info));
        QCOMPARE(quit->accessibleName(), QStringLiteral("Sluta"));
    }

    void aboutBoxIsModalWhileTheRollPlays() {
        media.pieceSeconds = 600; // the roll outlasts the test: only closing the box ends it
        form->AutoPlay = true;
        platform->widgets().Info->setVisible(true);
        QString title, text;
        bool hadIcon = false, barShown = false;
        QAccessible::Role boxRole{};
        // Looks once the box is up and the first progress tick has run under it.
        QElapsedTimer waited;
        waited.start();
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            auto* box = platform->window()->findChild<QMessageBox*>();
            barShown = platform->widgets().picProgBack->visible();
            if (!(box && box->isVisible() && barShown) && waited.elapsed() < 20000)
                return;
            poll.stop();
            QVERIFY(box && box->isVisible());
            // Nothing on the board takes a press while the box is open.
            QTest::mouseClick(platform->board(), Qt::LeftButton, {}, QPoint(328 + 38, 206 + 30));
            QTest::mouseClick(static_cast<qt::QtButton*>(platform->widgets().Quit)->view(), Qt::LeftButton);
            title = box->windowTitle();
            text = box->informativeText();
            hadIcon = !box->iconPixmap().isNull();
            boxRole = QAccessible::queryAccessibleInterface(box)->role();
            QCOMPARE(platform->widgets().ShowInfo[0]->caption(), std::string("En virvel för"));
            box->accept();
        });
        poll.start(20);
        auto* info = static_cast<qt::QtButton*>(platform->widgets().Info)->view();
        QTest::mouseClick(info, Qt::LeftButton);
        QCOMPARE(title, QStringLiteral("Information om detta flaggprogram"));
        QCOMPARE(text.count('\n'), 1);
        QVERIFY(hadIcon);
        QCOMPARE(boxRole, QAccessible::AlertMessage); // the box, not the program's frame
        QVERIFY(barShown);
        QCOMPARE(media.blips, 1); // Info's own
        QCOMPARE(platform->widgets().Flag->tooltip(), std::string());
        QCOMPARE(platform->widgets().ShowInfo[0]->caption(), std::string()); // closing stopped the roll
        QCOMPARE(platform->widgets().ShowInfo[1]->caption(), std::string());
    }

    void aTimerTicksWhileItsOwnHandlerWaits() {
        int entries = 0, nested = 0;
        bool waiting = false;
        qt::QtTimer timer(10, [&] {
            if (waiting) {
                ++nested;
                return;
            }
            if (entries++ > 0)
                return;
            waiting = true;
            QElapsedTimer waited;
            waited.start();
            while (nested < 3 && waited.elapsed() < 2000)
                platform->yield();
            waiting = false;
        });
        timer.setEnabled(true);
        QTRY_VERIFY(entries > 0 && !waiting);
        timer.setEnabled(false);
        QVERIFY(nested >= 3);
    }

    void everyAccessibleChildNamesItsParent() {
        QAccessibleInterface* window = QAccessible::queryAccessibleInterface(platform->window());
        QCOMPARE(window->role(), QAccessible::Window);
        // Both ways: what a node lists names it as its parent at that index,
        // and every real window is listed by the node it names.
        const std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
            for (int i = 0; i < node->childCount(); ++i) {
                QAccessibleInterface* child = node->child(i);
                QVERIFY2(child && child->parent() == node && node->indexOfChild(child) == i,
                         qPrintable(QStringLiteral("child %1 of %2").arg(i).arg(node->text(QAccessible::Name))));
                walk(child);
            }
        };
        walk(window);
        for (QWidget* w : platform->window()->findChildren<QWidget*>()) {
            QAccessibleInterface* node = QAccessible::queryAccessibleInterface(w);
            QVERIFY2(node->parent()->indexOfChild(node) >= 0,
                     qPrintable(QStringLiteral("%1, role %2").arg(node->text(QAccessible::Name)).arg(node->role())));
        }
        QAccessibleInterface* info =
            QAccessible::queryAccessibleInterface(static_cast<qt::QtButton*>(platform->widgets().Info)->view());
        QVERIFY(info->state().invisible); // until the ceremony is over
        platform->widgets().Info->setVisible(true);
        QVERIFY(!info->state().invisible);
    }

    // What a screen reader hears of changes is tried with the real client, in e2e_accessibility.
    void screenReadersSeeRolesNamesAndValues() {
        QAccessibleInterface* board = QAccessible::queryAccessibleInterface(platform->board());
        std::map<QString, QAccessibleInterface*> byName;
        QAccessibleInterface* bar = nullptr;
        for (int i = 0; i < board->childCount(); ++i) {
            byName[board->child(i)->text(QAccessible::Name)] = board->child(i);
            if (board->child(i)->role() == QAccessible::ProgressBar)
                bar = board->child(i);
        }
        QAccessibleInterface* sweden = byName["Sveriges flagga"];
        QCOMPARE(sweden->role(), QAccessible::Button);
        QCOMPARE(byName["Sluta"]->role(), QAccessible::Button);
        QVERIFY(byName["Sluta"]->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
        QCOMPARE(byName["Tillhandahöll noter för nationalhymnerna"]->role(), QAccessible::StaticText);
        QVERIFY(byName["Fanbord A-Ö med musik"]->state().invisible);
        platform->widgets().Intro->setVisible(true);
        QVERIFY(!byName["Fanbord A-Ö med musik"]->state().invisible);

        // Press does what a click does: the press feedback, the handler.
        sweden->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QTRY_COMPARE(media.blips, 1);
        QCOMPARE(platform->widgets().Flag->tooltip(), std::string("Sveriges flagga"));
        const QPoint onPole = platform->board()->mapToGlobal(QPoint(520, 120));
        QAccessibleInterface* flag = board->childAt(onPole.x(), onPole.y());
        QCOMPARE(flag->role(), QAccessible::Graphic);
        QCOMPARE(flag->text(QAccessible::Name), QStringLiteral("Sveriges flagga"));

        // The bar's value is the share played, from where its marker stands.
        platform->widgets().picProgBack->setVisible(true);
        platform->widgets().picProg->move(113, 0);
        QCOMPARE(bar->valueInterface()->currentValue().toInt(), 25);
    }
};

QTEST_MAIN(QtWindowTest)
#include "test_qt_window.moc"
