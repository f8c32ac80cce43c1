// Writes the program's icon as PNG files of the hicolor sizes, from the same drawing the
// about box and the window use, so the installed icon cannot drift from it.
//   tovana_writeicons FOLDER    writes FOLDER/NxN/apps/tovana.png for each size
#include "shell/programicon.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: tovana_writeicons FOLDER\n", stderr);
        return EXIT_FAILURE;
    }
    // Drawing needs no screen: the build machine has none.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString apps = QStringLiteral("%1/%2x%2/apps").arg(folder).arg(size);
        if (!QDir().mkpath(apps) ||
            !tov::shell::programPixmap(size).save(apps + "/tovana.png", "PNG")) {
            std::fprintf(stderr, "tovana_writeicons: cannot write %s/tovana.png\n",
                         qPrintable(apps));
            return EXIT_FAILURE;
        }
    }
    return EXIT_SUCCESS;
}
