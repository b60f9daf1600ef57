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

#include <chrono>
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

QColor toQColor(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

QImage artFor(layout::Art art, int index, qreal dpr) {
    switch (art) {
    case layout::Art::Board:
        return boardPicture(dpr);
    case layout::Art::Tile:
        return tilePicture(index, dpr);
    case layout::Art::SwedishFlag:
        return swedishFlagPicture(dpr);
    case layout::Art::ProgressBar:
        return progressBarPicture(dpr);
    case layout::Art::Marker:
        return markerPicture(dpr);
    case layout::Art::InfoFace:
        return infoFacePicture(dpr);
    case layout::Art::QuitFace:
        return quitFacePicture(dpr);
    case layout::Art::None:
        break;
    }
    return {};
}

// The window's default font, and the nearest sans-serif where a named family is missing.
QFont fontFor(const layout::WidgetSpec& s) {
    QFont f(s.font.empty() ? QStringLiteral("MS Sans Serif")
                           : QString::fromUtf8(s.font.data(), qsizetype(s.font.size())));
    f.setStyleHint(QFont::SansSerif);
    if (!QFontDatabase::families().contains(f.family()))
        f.setFamily(QStringLiteral("DejaVu Sans"));
    // Points at the classic 96 dpi, so the text has the same pixel size everywhere;
    // a wider stand-in family steps down until the caption fits its label.
    int pixels = s.fontPoints > 0 ? qRound(s.fontPoints * 96.0 / 72.0) : 11;
    f.setPixelSize(pixels);
    const QString caption = QString::fromUtf8(s.caption.data(), qsizetype(s.caption.size()));
    while (pixels > 8 && QFontMetrics(f).horizontalAdvance(caption) > s.width - 4)
        f.setPixelSize(--pixels);
    return f;
}

} // namespace

QtPlatform::QtPlatform(MediaFramework& media, std::function<void()> end) : media_(media), end_(std::move(end)) {
    wake_.setSingleShot(true);
    wake_.setTimerType(Qt::PreciseTimer);
    build();
}

QtPlatform::~QtPlatform() = default;

QWidget* QtPlatform::window() const {
    return window_.get();
}

void QtPlatform::build() {
    using namespace layout;
    static const bool accessibleBoard = (QAccessible::installFactory(boardAccessibleFactory), true);
    Q_UNUSED(accessibleBoard);
    window_ = std::make_unique<MainWindow>();
    window_->setWindowFlag(Qt::FramelessWindowHint);
    window_->setWindowTitle(QStringLiteral("Fanbord"));
    window_->setFixedSize(kWindowWidth, kWindowHeight);
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(iconPicture(32)));
    icon.addPixmap(QPixmap::fromImage(iconPicture(64)));
    window_->setWindowIcon(icon);
    window_->onClose = [this] { unloadWindow(); };

    const qreal dpr = qApp->devicePixelRatio();
    std::vector<std::pair<int, QWidget*>> tabOrder;
    auto viewOf = [this](Name n) -> QWidget* {
        if (n == Name::Pico)
            return board_;
        if (n == Name::picProgBack)
            return static_cast<QtPictureBox*>(widgets_.picProgBack)->view();
        return nullptr;
    };

    for (const WidgetSpec& s : layout::widgets()) {
        QWidget* parent = s.parent ? viewOf(*s.parent) : window_.get();
        switch (s.kind) {
        case Kind::PictureBox: {
            QtPictureBox* box = nullptr;
            if (s.name == Name::Pico) {
                board_ = new BoardView(parent, artFor(s.art, s.index, dpr));
                board_->setAutoFillBackground(false);
                board_->setFocusPolicy(Qt::StrongFocus);
                board_->setAccessibleName(QStringLiteral("Fanbord"));
                board_->resize(s.width, s.height);
                box = new QtPictureBox(board_, s.width, s.height, QColor(), QImage(), dpr);
                tabOrder.push_back({s.tabIndex, board_});
            } else {
                auto* view = new BoxView(parent);
                view->resize(s.width, s.height);
                box = new QtPictureBox(view, s.width, s.height,
                                       s.background ? toQColor(*s.background) : QColor(Qt::transparent),
                                       artFor(s.art, s.index, dpr), dpr);
                view->box = box;
                tabOrder.push_back({s.tabIndex, view});
            }
            box->move(s.left, s.top);
            box->setVisible(s.visible);
            owned_.emplace_back(box);
            bind(widgets_, s, box);
            break;
        }
        case Kind::Image: {
            auto* image = new QtImage(*board_, s.width, s.height, s.stretch);
            image->move(s.left, s.top);
            image->setVisible(s.visible);
            const QImage art = artFor(s.art, s.index, dpr);
            if (!art.isNull())
                image->setPicture(std::make_shared<QtPicture>(art));
            board_->addImage(image);
            owned_.emplace_back(image);
            bind(widgets_, s, image);
            if (s.name == Name::Flagga) {
                board_->addTile(image);
                image->onClick = [this, i = s.index] {
                    if (events_)
                        events_->Flagga_Click(static_cast<std::int16_t>(i));
                };
            }
            break;
        }
        case Kind::Label: {
            auto* label = new QtLabel(*board_, s.width, s.height);
            label->move(s.left, s.top);
            label->setVisible(s.visible);
            label->setCaption(std::string(s.caption));
            label->tooltip = std::string(s.tooltip);
            label->font = fontFor(s);
            label->text = s.textColour ? toQColor(*s.textColour) : board_->palette().windowText().color();
            if (s.background)
                label->background = toQColor(*s.background);
            board_->addLabel(label);
            owned_.emplace_back(label);
            bind(widgets_, s, label);
            if (s.name == Name::ShowInfo)
                board_->addCaption(label);
            break;
        }
        case Kind::Button: {
            auto* button = new QtButton(parent, s.width, s.height, toQColor(s.background.value_or(kCyan)),
                                        artFor(s.art, s.index, dpr));
            button->move(s.left, s.top);
            button->setVisible(s.visible);
            owned_.emplace_back(button);
            tabOrder.push_back({s.tabIndex, button->view()});
            const bool isInfo = s.name == Name::Info;
            button->view()->setAccessibleName(isInfo ? QStringLiteral("Info") : QStringLiteral("Sluta"));
            QObject::connect(button->view(), &QAbstractButton::clicked, [this, isInfo] {
                if (!events_)
                    return;
                if (isInfo)
                    events_->Info_Click();
                else
                    events_->Quit_Click();
            });
            bind(widgets_, s, button);
            break;
        }
        case Kind::Timer: {
            const bool isPlay = s.name == Name::playTimer;
            auto timer = std::make_unique<QtTimer>(s.intervalMs, [this, isPlay] {
                if (!events_)
                    return;
                if (isPlay)
                    events_->playTimer_Timer();
                else
                    events_->Timer2_Timer();
            });
            bind(widgets_, s, timer.get());
            timers_.push_back(std::move(timer));
            break;
        }
        }
    }
    std::sort(tabOrder.begin(), tabOrder.end());
    for (std::size_t i = 1; i < tabOrder.size(); ++i)
        QWidget::setTabOrder(tabOrder[i - 1].second, tabOrder[i].second);
    for (auto& [index, view] : tabOrder)
        if (view != board_ && !qobject_cast<QAbstractButton*>(view))
            view->setFocusPolicy(Qt::NoFocus);
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

void QtPlatform::unloadWindow() {
    if (!unloading_) {
        unloading_ = true;
        std::int16_t cancel = 0;
        if (events_)
            events_->Form_Unload(cancel);
    }
    endProgram();
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

void QtPlatform::yield() {
    // Handle what is pending; when nothing is, sleep in the event loop until
    // the next event or a few milliseconds, so waits cost next to no CPU.
    wake_.start(4);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
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
