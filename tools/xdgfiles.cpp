// Build-time tool: writes the installed desktop entry and MIME package from
// the same definitions the player uses when it registers itself for a user.
//   vimbo-xdgfiles DESKTOP-ENTRY MIME-PACKAGE
#include "shell/associations.h"

#include <QFile>

#include <cstdio>

namespace {

bool writeFile(const char* path, const QByteArray& content)
{
    QFile file(QString::fromLocal8Bit(path));
    if (file.open(QIODevice::WriteOnly) && file.write(content) == content.size())
        return true;
    std::fprintf(stderr, "vimbo-xdgfiles: cannot write %s: %s\n", path,
                 qPrintable(file.errorString()));
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s DESKTOP-ENTRY MIME-PACKAGE\n", argv[0]);
        return 2;
    }
    QStringList types;
    for (const vimbo::PlayerFileType& t : vimbo::playerFileTypes())
        types << QLatin1String(t.type);
    // Installed, the player is found on PATH. A file manager may hand it
    // several files at once; it opens the first.
    const bool ok =
        writeFile(argv[1], vimbo::desktopEntryText(QStringLiteral("vimbo %F"), types)) &&
        writeFile(argv[2], vimbo::mimePackageText(vimbo::ownFileTypes()));
    return ok ? 0 : 1;
}
