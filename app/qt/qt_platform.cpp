#include "app/qt/qt_platform.h"

#include "app/layout.h"
#include "app/qt/artwork.h"
#include "app/qt/board_accessible.h"

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
#include <cmath>
#include <cstdio>
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

// A wait longer than this wakes once to look again; a timer cannot count further.
constexpr double kLongestWait = 86400;

QColor toQColor(Rgb c) { return QColor(c.r, c.g, c.b); }

QImage artFor(layout::Art art, int index, qreal dpr) {
    switch (art) {
    case layout::Art::Board: return boardPicture(dpr);
    case layout::Art::Tile: return tilePicture(index, dpr);
    case layout::Art::SwedishFlag: return swedishFlagPicture(dpr);
    case layout::Art::ProgressBar: return progressBarPicture(dpr);
    case layout::Art::Marker: return markerPicture(dpr);
    case layout::Art::InfoFace: return infoFacePicture(dpr);
    case layout::Art::QuitFace: return quitFacePicture(dpr);
    case layout::Art::None: break;
    }
    return {};
}

// The window's default font, and the nearest sans-serif where a named family is missing.
QFont fontFor(const layout::WidgetSpec& s) {
    QFont f(s.font.empty() ? QStringLiteral("MS Sans Serif") : QString::fromUtf8(s.font.data(), qsizetype(s.font.size())));
    f.setStyleHint(QFont::SansSerif);
    if (!QFontDatabase::families().contains(f.family()))
        f.setFamily(QStringLiteral("DejaVu Sans"));
    // Points at the classic 96 dpi, so the text has the same pixel size everywhere;
    // a wider stand-in family steps down until the caption fits its label.
    f.setPixelSize(layout::fontPixels(s));
    return fitted(f, QString::fromUtf8(s.caption.data(), qsizetype(s.caption.size())), s.width - 4);
}

} // namespace

QtPlatform::QtPlatform(MediaFramework& media, std::function<void()> end) : BoardPlatform(media), end_(std::move(end)) {
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
    std::sort(tabOrder_.begin(), tabOrder_.end());
    for (std::size_t i = 1; i < tabOrder_.size(); ++i)
        QWidget::setTabOrder(tabOrder_[i - 1].second, tabOrder_[i].second);
    for (auto& [index, view] : tabOrder_)
        if (view != board_ && !qobject_cast<QAbstractButton*>(view))
            view->setFocusPolicy(Qt::NoFocus);
}

QtPlatform::~QtPlatform() = default;

QWidget* QtPlatform::window() const {
    return window_.get();
}

QWidget* QtPlatform::viewOf(const layout::WidgetSpec& s) const {
    if (!s.parent)
        return window_.get();
    if (*s.parent == layout::Name::picProgBack)
        return static_cast<QtPictureBox*>(widgets_.picProgBack)->view();
    return board_;
}

std::unique_ptr<PictureBox> QtPlatform::makeBox(const layout::WidgetSpec& s) {
    const qreal dpr = qApp->devicePixelRatio();
    if (s.name == layout::Name::Pico) {
        board_ = new BoardView(viewOf(s), artFor(s.art, s.index, dpr));
        board_->setAutoFillBackground(false);
        board_->setFocusPolicy(Qt::StrongFocus);
        board_->setAccessibleName(QStringLiteral("Fanbord"));
        board_->resize(s.width, s.height);
        tabOrder_.push_back({s.tabIndex, board_});
        return std::make_unique<QtPictureBox>(board_, s.width, s.height, QColor(), QImage(), dpr);
    }
    auto* view = new BoxView(viewOf(s));
    view->resize(s.width, s.height);
    auto box = std::make_unique<QtPictureBox>(view, s.width, s.height,
                                              s.background ? toQColor(*s.background) : QColor(Qt::transparent),
                                              artFor(s.art, s.index, dpr), dpr);
    view->box = box.get();
    view->progressBar = s.name == layout::Name::picProgBack;
    tabOrder_.push_back({s.tabIndex, view});
    return box;
}

std::unique_ptr<Image> QtPlatform::makeImage(const layout::WidgetSpec& s, std::function<void()> click) {
    auto image = std::make_unique<QtImage>(*board_, s.width, s.height, s.stretch);
    const QImage art = artFor(s.art, s.index, qApp->devicePixelRatio());
    if (!art.isNull())
        image->setPicture(std::make_shared<QtPicture>(art));
    image->onClick = std::move(click);
    board_->add(*image, QPoint(s.left, s.top));
    if (s.name == layout::Name::Flagga)
        board_->addTile(image.get());
    return image;
}

std::unique_ptr<Label> QtPlatform::makeLabel(const layout::WidgetSpec& s) {
    auto label = std::make_unique<QtLabel>(*board_, s.width, s.height);
    label->setHint(std::string(s.tooltip));
    label->font = fontFor(s);
    label->text = s.textColour ? toQColor(*s.textColour) : board_->palette().windowText().color();
    if (s.background)
        label->background = toQColor(*s.background);
    board_->add(*label, QPoint(s.left, s.top));
    return label;
}

std::unique_ptr<Button> QtPlatform::makeButton(const layout::WidgetSpec& s, std::function<void()> click) {
    auto button =
        std::make_unique<QtButton>(viewOf(s), s.width, s.height, toQColor(s.background.value_or(layout::kCyan)),
                                   artFor(s.art, s.index, qApp->devicePixelRatio()));
    tabOrder_.push_back({s.tabIndex, button->view()});
    button->view()->setAccessibleName(s.name == layout::Name::Info ? QStringLiteral("Info") : QStringLiteral("Sluta"));
    QObject::connect(button->view(), &QAbstractButton::clicked, std::move(click));
    return button;
}

std::unique_ptr<Timer> QtPlatform::makeTimer(const layout::WidgetSpec& s, std::function<void()> tick) {
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

void QtPlatform::endProgram() {
    std::fflush(stdout);
    std::fflush(stderr);
    if (end_)
        end_();
    // Handlers suspended in a yield must never resume, so the process ends here
    // rather than unwinding through the nested event loops.
    std::_Exit(0);
}

void QtPlatform::yieldFor(double seconds) {
    // Handle what is pending; when nothing is, sleep in the event loop until
    // the next event or the caller's time, whichever comes first.
    if (seconds > 0) {
        wake_.start(int(std::ceil(std::min(seconds, kLongestWait) * 1000)));
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

QImage QtPlatform::drawingContext(PictureBox& box) const {
    if (&box == widgets_.Pico)
        return board_->surface();
    return static_cast<QtPictureBox&>(box).composed();
}

void QtPlatform::blockCopy(PictureBox& dst, int x, int y, int w, int h, PictureBox& src, int xs, int ys) {
    // Device pixels, so the copy stays exact on HiDPI screens.
    const QImage from = drawingContext(src);
    QImage& to = static_cast<QtPictureBox&>(dst).layer();
    const qreal dpr = to.devicePixelRatio();
    const QRect source(qRound(xs * dpr), qRound(ys * dpr), qRound(w * dpr), qRound(h * dpr));
    const QRect target(qRound(x * dpr), qRound(y * dpr), source.width(), source.height());
    // Clip to both surfaces; what lies outside the source is not copied.
    const QRect visibleSource = source.intersected(from.rect());
    QRect part = visibleSource.translated(target.topLeft() - source.topLeft()).intersected(to.rect());
    if (part.isEmpty())
        return;
    QImage piece = from.copy(part.translated(source.topLeft() - target.topLeft()));
    piece.setDevicePixelRatio(1.0);
    const qreal toDpr = to.devicePixelRatio();
    to.setDevicePixelRatio(1.0);
    QPainter p(&to);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(part.topLeft(), piece);
    p.end();
    to.setDevicePixelRatio(toDpr);
    if (QWidget* view = static_cast<QtPictureBox&>(dst).view())
        view->update();
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
