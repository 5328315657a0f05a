// Profile files: every section, key and value read, as text and as a
// number, then one key written and the file read again.
#include "fuzzfiles.h"
#include "platform/profile.h"

using vimbo::ProfileFile;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = fuzzing::WriteInput(QStringLiteral("fuzz.ini"), data, size);
    ProfileFile file(path);
    for (const QString& section : file.sections()) {
        for (const QString& key : file.keys(section)) {
            const QString text = file.readString(section, key);
            const qint32 number = file.readInteger(section, key, -1);
            if (ProfileFile::parseInteger(text).value_or(-1) != number)
                std::abort(); // a number read differs from its text's rule
        }
        (void)file.entries(section);
    }

    // A write must read back from the file as written, whatever was there.
    if (file.writeString(QStringLiteral("Fuzz"), QStringLiteral("Written"), QStringLiteral("one two")) &&
        file.writeInteger(QStringLiteral("Fuzz"), QStringLiteral("Number"), -42)) {
        const ProfileFile again(path);
        if (again.readString(QStringLiteral("fuzz"), QStringLiteral("written")) != QStringLiteral("one two") ||
            again.readInteger(QStringLiteral("FUZZ"), QStringLiteral("number"), 0) != -42)
            std::abort();
    }
    file.deleteKey(QStringLiteral("Fuzz"), QStringLiteral("Written"));
    return 0;
}
