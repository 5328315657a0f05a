// vimbo-formpack OUTPUT Component=FILE...
// Writes the main window's resource stream: each named component with the
// file's bytes as its stored "IncludedData.Data" property.

#include "platform/errors.h"
#include "shell/embeddedfiles.h"

#include <QBuffer>
#include <QSaveFile>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUTPUT Component=FILE...\n", argv[0]);
        return 2;
    }
    try {
        vimbo::EmbeddedFiles files;
        for (int i = 2; i < argc; ++i) {
            const QString arg = QString::fromLocal8Bit(argv[i]);
            const qsizetype eq = arg.indexOf('=');
            const QString name = arg.left(eq);
            const QString path = arg.mid(eq + 1);
            TIncludeData* target = files.component(name.toLatin1());
            if (eq <= 0 || !target) {
                std::fprintf(stderr, "%s: unknown component in '%s'\n", argv[0], argv[i]);
                return 2;
            }
            target->IncludedData.LoadFromFile(path);
            if (target->IncludedData.IsEmpty()) {
                std::fprintf(stderr, "%s: '%s' is missing or empty\n", argv[0], qPrintable(path));
                return 1;
            }
        }
        QSaveFile out(QString::fromLocal8Bit(argv[1]));
        if (!out.open(QIODevice::WriteOnly))
            throw EFCreateError(out.errorString());
        files.write(out);
        if (!out.commit())
            throw EFCreateError(out.errorString());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
        return 1;
    }
    return 0;
}
