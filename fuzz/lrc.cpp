// LRC files: the timed lines, and the look-up built from them.
#include "lyrics/lrc.h"
#include "fuzzfiles.h"
#include "lyrics/lyrics.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzzing::BytesOf(data, size);
    const QMap<qint32, QString> lines = vimbo::ReadLrc(bytes);
    const vimbo::LyricLines lookUp = vimbo::LyricLines::FromLrc(bytes);
    for (auto it = lines.begin(); it != lines.end(); ++it) {
        if (lookUp.LineAt(it.key()) != it.value())
            std::abort();
    }
    // Writing the lines back gives a file that reads without fault.
    QList<std::pair<qint32, QString>> list;
    for (auto it = lines.begin(); it != lines.end(); ++it)
        list.append({it.key(), it.value()});
    (void)vimbo::ReadLrc(vimbo::WriteLrc(list));
    return 0;
}
