// Writes the program's icon as PNG files for the desktop's icon theme:
// skelvo-icon FOLDER SIZE... writes FOLDER/skelvo-SIZE.png for each size.
#include "app/AppIcon.h"

#include <QGuiApplication>
#include <QString>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: skelvo-icon FOLDER SIZE...\n");
        return 2;
    }
    // Painting needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        const QString file = folder + QStringLiteral("/skelvo-%1.png").arg(size);
        if (size <= 0 || !SkelvoIconImage(size).save(file)) {
            std::fprintf(stderr, "skelvo-icon: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
