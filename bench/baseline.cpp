// The smallest program of the bar's kind, as a yardstick for launch time, memory and CPU:
// a frameless, topmost window in the screen's top-right corner with five picture labels
// (mm:ss) that a plain 1 s QTimer counts down from 10:00.
//
//   baseline [--minutes N]
#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <array>

namespace {

constexpr QSize WindowSize{293, 133}; // the bar's collapsed size
constexpr QSize CellSize{41, 73};
constexpr int ColonCell = 10;

// Digits 0-9 and a colon, drawn once at start-up like the bar's glyph strip.
std::array<QPixmap, 11> renderCells()
{
    std::array<QPixmap, 11> cells;
    QFont font;
    font.setPixelSize(60);
    font.setBold(true);
    for (int i = 0; i < int(cells.size()); ++i) {
        QPixmap pixmap(CellSize);
        pixmap.fill(QColor(2, 2, 102));
        QPainter painter(&pixmap);
        painter.setFont(font);
        painter.setPen(QColor(0, 255, 255));
        painter.drawText(pixmap.rect(), Qt::AlignCenter,
                         i == ColonCell ? QStringLiteral(":") : QString::number(i));
        cells[size_t(i)] = pixmap;
    }
    return cells;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    int secondsLeft = 10 * 60;
    const QStringList args = app.arguments();
    if (args.size() == 3 && args.at(1) == QLatin1String("--minutes"))
        secondsLeft = args.at(2).toInt() * 60;

    const std::array<QPixmap, 11> cells = renderCells();

    // The same window kind as the bar, so both take the same path through the X server.
    QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                                | Qt::X11BypassWindowManagerHint);
    window.setWindowTitle(QStringLiteral("baseline"));
    window.setAttribute(Qt::WA_ShowWithoutActivating);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, QColor(0, 0, 64));
    window.setPalette(palette);
    window.setAutoFillBackground(true);

    std::array<QLabel *, 5> labels{};
    for (int i = 0; i < int(labels.size()); ++i) {
        labels[size_t(i)] = new QLabel(&window);
        labels[size_t(i)]->setGeometry(32 + i * 48, 16, CellSize.width(), CellSize.height());
    }
    auto show = [&] {
        const int minutes = secondsLeft / 60;
        const int seconds = secondsLeft % 60;
        labels[0]->setPixmap(cells[size_t(minutes / 10 % 10)]);
        labels[1]->setPixmap(cells[size_t(minutes % 10)]);
        labels[2]->setPixmap(cells[ColonCell]);
        labels[3]->setPixmap(cells[size_t(seconds / 10)]);
        labels[4]->setPixmap(cells[size_t(seconds % 10)]);
    };
    show();

    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    window.setGeometry(
        QRect(QPoint(screen.right() - WindowSize.width() + 1, screen.top()), WindowSize));
    window.show();

    QTimer timer;
    timer.setInterval(1000);
    QObject::connect(&timer, &QTimer::timeout, &window, [&] {
        if (secondsLeft > 0)
            --secondsLeft;
        show();
    });
    timer.start();
    return app.exec();
}
