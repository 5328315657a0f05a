// Lyric files of our own (".sly"): a profile whose "Timers" section holds
// the lines by position.
#include "fuzzfiles.h"
#include "lyrics/lyrics.h"
#include "platform/profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = fuzzing::WriteInput(QStringLiteral("fuzz.sly"), data, size);
    const vimbo::ProfileFile file(path);
    const vimbo::LyricLines lines = vimbo::LyricLines::FromProfile(file);
    // A line is found by its position as the file reads it (the first of
    // two copies of a key).
    for (const auto& entry : file.entries(QStringLiteral("Timers"))) {
        bool ok = false;
        const qint32 position = entry.first.toInt(&ok);
        if (ok && QString::number(position) == entry.first &&
            lines.LineAt(position) != file.readString(QStringLiteral("Timers"), entry.first))
            std::abort();
    }
    (void)vimbo::LyricLibrary::AttachedTo(path);
    return 0;
}
