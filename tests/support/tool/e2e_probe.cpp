// Looks at a window on the X display the way a person would, for the
// end-to-end tests. `e2e_probe WINDOW` prints the share of bright pixels in
// the middle of the window (the message view's picture and texts are bright;
// the test images are not); `e2e_probe WINDOW X Y` prints the colour of one
// pixel as "R G B".
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: e2e_probe WINDOW_ID [X Y]\n");
        return 2;
    }
    const WId window = WId(QByteArray(argv[1]).toULongLong());
    const QImage shot = QGuiApplication::primaryScreen()->grabWindow(window).toImage();
    if (shot.isNull()) {
        std::fprintf(stderr, "e2e_probe: cannot grab window %s\n", argv[1]);
        return 1;
    }
    if (argc >= 4) {
        const QPoint at(QByteArray(argv[2]).toInt(), QByteArray(argv[3]).toInt());
        if (!shot.rect().contains(at))
            return 1;
        const QRgb c = shot.pixel(at);
        std::printf("%d %d %d\n", qRed(c), qGreen(c), qBlue(c));
        return 0;
    }
    const QRect middle(shot.width() / 4, shot.height() / 4, shot.width() / 2, shot.height() / 2);
    qint64 bright = 0;
    for (int y = middle.top(); y <= middle.bottom(); ++y) {
        for (int x = middle.left(); x <= middle.right(); ++x) {
            if (qGray(shot.pixel(x, y)) > 180)
                ++bright;
        }
    }
    std::printf("%.4f\n", double(bright) / double(middle.width() * middle.height()));
    return 0;
}
