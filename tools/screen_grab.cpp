// Saves the whole X screen (of $DISPLAY) as a PNG file. Used by
// scripts/screenshots, which runs the program under Xvfb.
//   screen-grab OUTPUT.png
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: screen-grab OUTPUT.png\n");
        return 2;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        std::fprintf(stderr, "screen-grab: no screen\n");
        return 1;
    }
    QPixmap image = screen->grabWindow(0);
    if (image.isNull() || !image.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "screen-grab: cannot save %s\n", argv[1]);
        return 1;
    }
    return 0;
}
