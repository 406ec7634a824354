// Saves what the X screen shows as a PNG file.
//
//   rt604screengrab OUT.png [x y width height]

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 6) {
        std::fputs("usage: rt604screengrab OUT.png [x y width height]\n", stderr);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 1;
    QPixmap shot = argc == 6 ? screen->grabWindow(0, std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]),
                                                  std::atoi(argv[5]))
                             : screen->grabWindow(0);
    if (shot.isNull() || !shot.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "rt604screengrab: cannot save %s\n", argv[1]);
        return 1;
    }
    return 0;
}
