// Profile files: every section, key and value read, as text and as a
// number, then keys written and the file read again.
#include "platform/profile.h"
#include "fuzzfiles.h"

using vimbo::ProfileFile;

namespace {

const QString kSection = QStringLiteral("Fuzz");

bool isWrittenSection(const QString& section)
{
    return section.compare(kSection, Qt::CaseInsensitive) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = fuzzing::WriteInput(QStringLiteral("fuzz.ini"), data, size);
    ProfileFile file(path);
    QList<QList<std::pair<QString, QString>>> before;
    const QStringList sections = file.sections();
    for (const QString& section : sections) {
        for (const QString& key : file.keys(section)) {
            const QString text = file.readString(section, key);
            const qint32 number = file.readInteger(section, key, -1);
            if (ProfileFile::parseInteger(text).value_or(-1) != number)
                std::abort(); // a number read differs from its text's rule
        }
        before.append(file.entries(section));
    }

    // A write must read back from the file as written, whatever was there,
    // and leave every other section reading as it did.
    if (file.writeString(kSection, QStringLiteral("Written"), QStringLiteral("one two")) &&
        file.writeInteger(kSection, QStringLiteral("Number"), -42)) {
        const ProfileFile again(path);
        if (again.readString(QStringLiteral("fuzz"), QStringLiteral("written")) !=
                QStringLiteral("one two") ||
            again.readInteger(QStringLiteral("FUZZ"), QStringLiteral("number"), 0) != -42)
            std::abort();
        for (qsizetype i = 0; i < sections.size(); ++i) {
            if (!isWrittenSection(sections[i]) && again.entries(sections[i]) != before[i])
                std::abort();
        }
    }
    file.deleteKey(kSection, QStringLiteral("Written"));
    return 0;
}
