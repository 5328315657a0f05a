// The files the executable carries (decoder library, two fonts): reading
// them from the main window's resource and writing them out once.
#pragma once

#include "shell/includedata.h"

#include <QString>

class QIODevice;

namespace vimbo {

// The main window's embedded-file components, by their names in the resource.
struct EmbeddedFiles
{
    TIncludeData DecoderData;
    TIncludeData FontData1;
    TIncludeData FontData2;

    // The component of that name, or null.
    TIncludeData* component(const QByteArray& name);

    // Fills the components from a resource stream. Throws EReadError on a
    // component this window does not have or on a damaged stream.
    void read(QIODevice& resource);
    void write(QIODevice& resource) const;
    // Reads the resource linked into the executable.
    static EmbeddedFiles fromExecutable();
};

// Writes `source`'s bytes to `path` unless a file of that name exists; an
// existing file is never compared or replaced. The file appears whole or not
// at all. Returns true when it wrote. Throws EFCreateError when the file
// cannot be made.
bool writeEmbeddedFileIfMissing(const TIncludeData& source, const QString& path);

// Makes the file at `path` hold `source`'s bytes: written when missing,
// replaced (whole, as above) when its bytes differ, so that a new build's
// copy takes the place of an older one. Returns true when it wrote. A missing
// file that cannot be made throws EFCreateError; a differing one that cannot
// be replaced is left as it is (with a warning) and goes on being used.
bool refreshEmbeddedFile(const TIncludeData& source, const QString& path);

} // namespace vimbo
