// Finding the audio files of a folder tree, and the sorted list they are
// gathered in before they join the playlist.
#pragma once

#include <QCollator>
#include <QString>
#include <QStringList>

#include <vector>

namespace vimbo {

// Full paths kept in case-insensitive, locale-aware order at every insertion;
// a path already there is not added again.
class SortedPathList
{
public:
    SortedPathList();
    // False when an equal path is already in the list.
    bool Add(const QString& path);
    const QStringList& Paths() const { return m_paths; }
    qsizetype Count() const { return m_paths.size(); }

private:
    QCollator m_collator;
    QStringList m_paths;
    std::vector<QCollatorSortKey> m_keys;
};

// Adds every ".mp3", ".wav" and ".cda" file (extensions in any case, hidden
// files included) of `folder` and of all folders below it to `list`.
// `folder` ends with a "/". Hidden (dot) folders are not searched, folders
// that cannot be read are passed over, and each real folder is searched once
// however many links lead to it, so a link back to an ancestor ends.
void ScanDirectory(const QString& folder, SortedPathList& list);

// Whether `fileName` is one the player takes in by a folder search.
bool IsAudioFileName(const QString& fileName);

} // namespace vimbo
