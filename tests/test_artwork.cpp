// Samples characteristic pixels of every flag on the composed board, so that a
// flag in the wrong tile, a swapped colour or a shifted cloth fails; and that no
// cloth paints outside its rectangle.
#include "app/fanbord.h"
#include "app/qt/artwork.h"
#include "app/qt/board.h"
#include "app/qt/qt_platform.h"
#include "catalogue/catalogue.h"

#include <QPainter>
#include <QtTest>

using namespace fanbord;

namespace {

class NoMedia final : public MediaFramework {
public:
    std::unique_ptr<MediaGraph> createGraph() override { return nullptr; }
    void playBlocking(const std::string&) override {}
};

// Broad colour classes, tolerant of each flag's own shade.
bool isClass(const QColor& c, const QString& cls) {
    const int h = c.hsvHue(), s = c.hsvSaturation(), v = c.value();
    const bool reddish = h >= 0 && (h <= 12 || h >= 340);
    if (cls == "white") return s < 40 && v > 215;
    if (cls == "black") return v < 70;
    if (cls == "red") return reddish && s > 130 && v > 130;
    if (cls == "maroon") return reddish && s > 100 && v >= 60 && v <= 150;
    if (cls == "orange") return h >= 15 && h <= 38 && s > 100 && v > 120;
    if (cls == "yellow") return h >= 40 && h <= 64 && s > 130 && v > 170;
    if (cls == "green") return h >= 75 && h <= 175 && s > 100 && v > 60;
    if (cls == "blue") return h >= 190 && h <= 250 && s > 100 && v > 50;
    return false;
}

struct Sample {
    int x, y;
    const char* cls;
};

// Points in cloth coordinates (68 x 36), away from edges and emblems' detail.
const std::vector<std::vector<Sample>>& samples() {
    static const std::vector<std::vector<Sample>> s = {
        /* Australien */ {{40, 5, "blue"}, {60, 30, "blue"}, {17, 9, "red"}, {17, 27, "white"}},
        /* Belgien */ {{11, 18, "black"}, {34, 18, "yellow"}, {57, 18, "red"}},
        /* Cypern */ {{5, 30, "white"}, {63, 5, "white"}, {5, 5, "white"}},
        /* Danmark */ {{10, 8, "red"}, {50, 5, "red"}, {25, 5, "white"}, {50, 18, "white"}},
        /* England */ {{10, 8, "white"}, {60, 30, "white"}, {34, 18, "red"}, {34, 3, "red"}, {5, 18, "red"}},
        /* Finland */ {{8, 8, "white"}, {55, 30, "white"}, {24, 5, "blue"}, {55, 18, "blue"}},
        /* Grekland */ {{50, 2, "blue"}, {50, 6, "white"}, {50, 30, "white"}, {50, 34, "blue"}, {3, 3, "blue"}, {9, 9, "white"}},
        /* Holland */ {{34, 6, "red"}, {34, 18, "white"}, {34, 30, "blue"}},
        /* Honduras */ {{34, 5, "blue"}, {10, 18, "white"}, {34, 31, "blue"}},
        /* Italien */ {{11, 18, "green"}, {34, 18, "white"}, {57, 18, "red"}},
        /* Jordanien */ {{45, 6, "black"}, {50, 18, "white"}, {50, 30, "green"}, {4, 18, "red"}},
        /* Kanada */ {{6, 18, "red"}, {62, 18, "red"}, {20, 4, "white"}, {48, 32, "white"}, {34, 20, "red"}},
        /* Litauen */ {{34, 6, "yellow"}, {34, 18, "green"}, {34, 30, "red"}},
        /* Malta */ {{17, 28, "white"}, {51, 18, "red"}, {60, 5, "red"}},
        /* Norge */ {{8, 8, "red"}, {55, 5, "red"}, {24, 5, "blue"}, {55, 18, "blue"}},
        /* Oman */ {{5, 25, "red"}, {50, 5, "white"}, {50, 18, "red"}, {50, 31, "green"}},
        /* Polen */ {{34, 8, "white"}, {34, 28, "red"}},
        /* Portugal */ {{8, 30, "green"}, {8, 5, "green"}, {55, 18, "red"}, {60, 5, "red"}},
        /* Quatar */ {{5, 18, "white"}, {50, 18, "maroon"}, {60, 4, "maroon"}},
        /* Rumänien */ {{11, 18, "blue"}, {34, 18, "yellow"}, {57, 18, "red"}},
        /* Ryssland */ {{34, 6, "white"}, {34, 18, "blue"}, {34, 30, "red"}},
        /* Slovenien */ {{55, 6, "white"}, {55, 18, "blue"}, {55, 30, "red"}},
        /* Sverige */ {{8, 8, "blue"}, {55, 30, "blue"}, {25, 5, "yellow"}, {55, 18, "yellow"}},
        /* Tanzania */ {{4, 4, "green"}, {64, 32, "blue"}, {34, 18, "black"}},
        /* Tyskland */ {{34, 6, "black"}, {34, 18, "red"}, {34, 30, "yellow"}},
        /* Uganda */ {{5, 3, "black"}, {5, 9, "yellow"}, {5, 15, "red"}, {5, 21, "black"}, {63, 27, "yellow"}, {63, 33, "red"}},
        /* Ukraina */ {{34, 9, "blue"}, {34, 27, "yellow"}},
        /* Venezuela */ {{34, 6, "yellow"}, {5, 18, "blue"}, {34, 30, "red"}},
        /* Wales */ {{5, 5, "white"}, {62, 3, "white"}, {5, 31, "green"}, {62, 33, "green"}},
        /* Österrike */ {{34, 6, "red"}, {34, 18, "white"}, {34, 30, "red"}},
    };
    return s;
}

} // namespace

class ArtworkTest : public QObject {
    Q_OBJECT
public:
    NoMedia media;
    std::unique_ptr<qt::QtPlatform> platform;
    QImage board;

private slots:
    void initTestCase() {
        QCOMPARE(int(samples().size()), kNationCount);
        platform = std::make_unique<qt::QtPlatform>(media);
        board = platform->board()->surface();
    }

    void flagsOnTheBoard_data() {
        QTest::addColumn<int>("nation");
        for (int i = 0; i < kNationCount; ++i)
            QTest::newRow(kPieces[i].slug.data()) << i;
    }
    void flagsOnTheBoard() {
        QFETCH(int, nation);
        const int x0 = 11 + 80 * (nation % 6), y0 = 17 + 66 * (nation / 6);
        for (const Sample& s : samples()[nation]) {
            const QColor c = board.pixelColor(x0 + s.x, y0 + s.y);
            QVERIFY2(isClass(c, s.cls), qPrintable(QStringLiteral("(%1,%2) is %3, not %4")
                                                       .arg(s.x).arg(s.y).arg(c.name(), s.cls)));
        }
    }

    // The cloth fills its rectangle: every border pixel of it is opaque flag, not frame.
    void clothFillsItsRectangle_data() { flagsOnTheBoard_data(); }
    void clothFillsItsRectangle() {
        QFETCH(int, nation);
        const QImage tile = qt::artPicture(layout::Art::Tile, nation, 1.0);
        for (int x = 3; x <= 70; ++x)
            for (int y : {9, 44})
                QVERIFY(qAlpha(tile.pixel(x, y)) == 255);
        const QImage flag = qt::renderSvg(
            QStringLiteral(":/flags/%1.svg").arg(QString::fromUtf8(kPieces[nation].slug.data())), 68, 36, 1.0);
        QVERIFY2(!flag.isNull() && qAlpha(flag.pixel(0, 0)) == 255 && qAlpha(flag.pixel(67, 35)) == 255,
                 "flag cloth has transparent corners");
    }

    // Nothing of a cloth lands outside its rectangle, at either pixel ratio.
    void clothStaysInItsRectangle_data() { flagsOnTheBoard_data(); }
    void clothStaysInItsRectangle() {
        QFETCH(int, nation);
        constexpr int margin = 20;
        for (const int dpr : {1, 2}) {
            QImage canvas((68 + 2 * margin) * dpr, (36 + 2 * margin) * dpr, QImage::Format_ARGB32_Premultiplied);
            canvas.fill(Qt::transparent);
            canvas.setDevicePixelRatio(dpr);
            QPainter p(&canvas);
            p.setRenderHint(QPainter::Antialiasing);
            qt::paintCloth(p, nation, QRectF(margin, margin, 68, 36));
            p.end();
            const QRect cloth(margin * dpr, margin * dpr, 68 * dpr, 36 * dpr);
            for (int y = 0; y < canvas.height(); ++y)
                for (int x = 0; x < canvas.width(); ++x)
                    if (!cloth.contains(x, y) && qAlpha(canvas.pixel(x, y)) != 0)
                        QFAIL(qPrintable(QStringLiteral("paint at (%1,%2) at ratio %3").arg(x).arg(y).arg(dpr)));
        }
    }

    void swedishFlagStandsAlone() {
        const QImage flag = qt::artPicture(layout::Art::SwedishFlag, 0, 1.0);
        QVERIFY(isClass(flag.pixelColor(8, 8), "blue"));
        QVERIFY(isClass(flag.pixelColor(25, 18), "yellow"));
    }
};

QTEST_MAIN(ArtworkTest)
#include "test_artwork.moc"
