#include "directoryscan.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSet>


namespace vimbo {

SortedPathList::SortedPathList()
{
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
}

bool SortedPathList::Add(const QString& path)
{
    // Sort keys ignore the collator's case setting on some back ends, so
    // the key is made of the case-folded path (as the playlist's rebuild
    // does). Paths that differ in case only are different files here: they
    // sit next to each other, and only the very same path is left out.
    QCollatorSortKey key = m_collator.sortKey(path.toCaseFolded());
    qsizetype lo = 0, hi = m_paths.size();
    while (lo < hi) {
        const qsizetype mid = (lo + hi) / 2;
        int order = m_keys[size_t(mid)].compare(key);
        if (order == 0)
            order = m_paths[mid].compare(path);
        if (order == 0)
            return false;
        if (order < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    m_paths.insert(lo, path);
    m_keys.insert(m_keys.begin() + lo, std::move(key));
    return true;
}

bool IsAudioFileName(const QString& fileName)
{
    return fileName.endsWith(QLatin1String(".mp3"), Qt::CaseInsensitive) ||
           fileName.endsWith(QLatin1String(".wav"), Qt::CaseInsensitive) ||
           fileName.endsWith(QLatin1String(".cda"), Qt::CaseInsensitive);
}

void ScanDirectory(const QString& folder, SortedPathList& list)
{
    // Depth first with a stack of our own: a deep tree cannot exhaust the
    // call stack, and the visited set ends link cycles.
    QSet<QString> visited;
    QStringList pending{folder};
    while (!pending.isEmpty()) {
        const QString current = pending.takeLast();
        const QString real = QFileInfo(current).canonicalFilePath();
        if (real.isEmpty() || visited.contains(real))
            continue;
        visited.insert(real);
        // One pass over the folder; entries that are neither folders nor
        // files (sockets, devices, broken links) are left out.
        QDirIterator it(current, QDir::Dirs | QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
        while (it.hasNext()) {
            it.next();
            const QFileInfo info = it.fileInfo();
            const QString name = info.fileName();
            if (info.isDir()) {
                if (!name.startsWith('.'))
                    pending.append(current + name + '/');
            } else if (IsAudioFileName(name)) {
                list.Add(current + name);
            }
        }
    }
}

} // namespace vimbo
