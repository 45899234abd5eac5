// make-icons FOLDER: writes the program's icon into FOLDER/<N>x<N>/apps/
// vellumark.png for each size a desktop's icon theme looks for.
#include "resources/program_icon.h"

#include <QDir>
#include <QString>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-icons FOLDER\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString folder = root + QStringLiteral("/%1x%1/apps").arg(size);
        const QString file = folder + QStringLiteral("/vellumark.png");
        if (!QDir().mkpath(folder) || !vellumark::DrawProgramIcon(size).save(file, "PNG")) {
            std::fprintf(stderr, "make-icons: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
