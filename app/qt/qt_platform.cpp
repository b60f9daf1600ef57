#include "app/qt/qt_platform.h"

#include "app/layout.h"
#include "app/qt/artwork.h"
#include "app/qt/board_accessible.h"
#include "board/board_keys.h"

#include <QAccessible>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QFontDatabase>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <chrono>
#include <ctime>

namespace fanbord::qt {

class MainWindow final : public QWidget {
public:
    std::function<void()> onClose;

protected:
    void closeEvent(QCloseEvent* e) override {
        // The system closing the window unloads it; the program ends there.
        e->ignore();
        if (onClose)
            onClose();
    }
};

namespace {

QColor toQColor(Rgb c) { return QColor(c.r, c.g, c.b); }

// The row's font at the text size of the table; the nearest sans-serif where
// the family is missing. A wider stand-in steps down as its caption is painted.
QFont fontFor(const layout::WidgetRow& s) {
    QFont f(QString::fromUtf8(s.font.data(), qsizetype(s.font.size())));
    f.setStyleHint(QFont::SansSerif);
    if (!QFontDatabase::families().contains(f.family()))
        f.setFamily(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(layout::fontPixels(s));
    return f;
}

} // namespace

QtPlatform::QtPlatform(MediaFramework& media, std::function<void()> atEnd) : BoardPlatform(media, std::move(atEnd)) {
    static const bool accessibleBoard = (QAccessible::installFactory(boardAccessibleFactory), true);
    Q_UNUSED(accessibleBoard);
    wake_.setSingleShot(true);
    wake_.setTimerType(Qt::PreciseTimer);
    window_ = std::make_unique<MainWindow>();
    window_->setWindowFlag(Qt::FramelessWindowHint);
    window_->setWindowTitle(QStringLiteral("Fanbord"));
    window_->setFixedSize(layout::kWindowWidth, layout::kWindowHeight);
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(iconPicture(32)));
    icon.addPixmap(QPixmap::fromImage(iconPicture(64)));
    window_->setWindowIcon(icon);
    window_->onClose = [this] { unloadWindow(); };

    build();
    const auto stops = tabStops();
    for (std::size_t i = 1; i < stops.size(); ++i)
        QWidget::setTabOrder(focusViewOf(*stops[i - 1]), focusViewOf(*stops[i]));
}

QtPlatform::~QtPlatform() = default;

QWidget* QtPlatform::window() const {
    return window_.get();
}

QWidget* QtPlatform::focusViewOf(const layout::WidgetRow& s) const {
    if (s.kind != layout::Kind::Button)
        return board_;
    return static_cast<QtButton*>(s.name == layout::Name::Info ? widgets_.Info : widgets_.Quit)->view();
}

QWidget* QtPlatform::viewOf(const layout::WidgetRow& s) const {
    if (!s.parent)
        return window_.get();
    if (*s.parent == layout::Name::picProgBack)
        return static_cast<QtPictureBox*>(widgets_.picProgBack)->view();
    return board_;
}

std::unique_ptr<PictureBox> QtPlatform::makeBox(const layout::WidgetRow& s) {
    const qreal dpr = qApp->devicePixelRatio();
    if (s.name == layout::Name::Pico) {
        board_ = new BoardView(viewOf(s), artPicture(s.art, s.index, dpr));
        board_->setAutoFillBackground(false);
        board_->setFocusPolicy(Qt::StrongFocus);
        board_->setAccessibleName(QStringLiteral("Fanbord"));
        board_->resize(s.width, s.height);
        return std::make_unique<QtPictureBox>(board_, s.width, s.height, QColor(), QImage(), dpr);
    }
    auto* view = new BoxView(viewOf(s));
    view->resize(s.width, s.height);
    auto box = std::make_unique<QtPictureBox>(view, s.width, s.height,
                                              s.background ? toQColor(*s.background) : QColor(Qt::transparent),
                                              artPicture(s.art, s.index, dpr), dpr);
    view->box = box.get();
    view->progressBar = s.name == layout::Name::picProgBack;
    return box;
}

std::unique_ptr<Image> QtPlatform::makeImage(const layout::WidgetRow& s, std::function<void()> click) {
    auto image = std::make_unique<QtImage>(s, *board_);
    const QImage art = artPicture(s.art, s.index, qApp->devicePixelRatio());
    if (!art.isNull())
        image->setPicture(std::make_shared<QtPicture>(art));
    image->onClick = std::move(click);
    board_->add(*image, QPoint(s.left, s.top));
    if (s.name == layout::Name::Flagga)
        board_->addTile(image.get());
    return image;
}

std::unique_ptr<Label> QtPlatform::makeLabel(const layout::WidgetRow& s) {
    auto label = std::make_unique<QtLabel>(s, *board_);
    label->font = fontFor(s);
    label->text = s.textColour ? toQColor(*s.textColour) : board_->palette().windowText().color();
    if (s.background)
        label->background = toQColor(*s.background);
    board_->add(*label, QPoint(s.left, s.top));
    return label;
}

std::unique_ptr<Button> QtPlatform::makeButton(const layout::WidgetRow& s, std::function<void()> click) {
    auto button =
        std::make_unique<QtButton>(viewOf(s), s.width, s.height, toQColor(s.background.value_or(layout::kCyan)),
                                   artPicture(s.art, s.index, qApp->devicePixelRatio()));
    button->view()->setAccessibleName(QString::fromUtf8(s.caption.data(), qsizetype(s.caption.size())));
    QObject::connect(button->view(), &QAbstractButton::clicked, std::move(click));
    return button;
}

std::unique_ptr<Timer> QtPlatform::makeTimer(const layout::WidgetRow& s, std::function<void()> tick) {
    return std::make_unique<QtTimer>(s.intervalMs, std::move(tick));
}

void QtPlatform::start() {
    QTimer::singleShot(0, window_.get(), [this] {
        if (events_)
            events_->Form_Load();
    });
}

void QtPlatform::showWindow() {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        window_->move(area.x() + (area.width() - window_->width()) / 2,
                      area.y() + (area.height() - window_->height()) / 2);
    }
    window_->show();
}

void QtPlatform::yieldFor(double seconds) {
    // Handle what is pending; when nothing is, sleep in the event loop until
    // the next event or the caller's time, whichever comes first.
    if (seconds > 0) {
        wake_.start(waitMilliseconds(seconds));
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        wake_.stop();
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

double QtPlatform::clock() const {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&t, &local);
    const double fraction = duration<double>(now.time_since_epoch()).count() - double(t);
    return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + fraction;
}

std::string QtPlatform::programFolder() const {
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath()).toStdString();
}

char QtPlatform::folderSeparator() const {
    return QDir::separator().toLatin1();
}

QImage QtPlatform::shownImage(const PictureBox& box) const {
    if (&box == widgets_.Pico)
        return board_->surface();
    return static_cast<const QtPictureBox&>(box).composed();
}

void QtPlatform::blockCopy(CopyTarget dst, int x, int y, int w, int h, CopySource src, int xs, int ys) {
    // Device pixels, so the copy stays exact on HiDPI screens.
    const QImage from = shownImage(src.box);
    auto& target = static_cast<QtPictureBox&>(dst.box);
    QImage& to = target.layer();
    const qreal dpr = to.devicePixelRatio();
    const BlockCopy copy = clipped(
        {{qRound(xs * dpr), qRound(ys * dpr), qRound(w * dpr), qRound(h * dpr)}, qRound(x * dpr), qRound(y * dpr)},
        from.width(), from.height(), to.width(), to.height());
    if (copy.source.empty())
        return;
    QImage piece = from.copy(copy.source.left, copy.source.top, copy.source.width, copy.source.height);
    piece.setDevicePixelRatio(1.0);
    to.setDevicePixelRatio(1.0);
    QPainter p(&to);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(copy.x, copy.y, piece);
    p.end();
    to.setDevicePixelRatio(dpr);
    target.view()->update();
}

void QtPlatform::showAbout(const std::string& title, const std::string& text) {
    QMessageBox box(window_.get());
    box.setWindowTitle(QString::fromStdString(title));
    box.setText(QStringLiteral("<b>%1</b>").arg(QString::fromStdString(title).toHtmlEscaped()));
    box.setInformativeText(QString::fromStdString(text).replace(QLatin1Char('\r'), QLatin1Char('\n')));
    box.setIconPixmap(QPixmap::fromImage(iconPicture(32)));
    box.setStandardButtons(QMessageBox::Ok);
    // Modal by hand: Qt drops the window system's close of a window that a
    // modal box blocks, and closing the window ends the program, box or not.
    box.setWindowModality(Qt::NonModal);
    QEventLoop open;
    QObject::connect(&box, &QMessageBox::finished, &open, &QEventLoop::quit);
    board_->setEnabled(false);
    box.show();
    open.exec();
    board_->setEnabled(true);
}

} // namespace fanbord::qt
