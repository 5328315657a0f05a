#include "mp3decplayer.h"

#include <QFile>

#include <dlfcn.h>

void TMp3DecPlayer::LibraryCloser::operator()(void* handle) const
{
    dlclose(handle);
}

TMp3DecPlayer::TMp3DecPlayer() = default;
TMp3DecPlayer::~TMp3DecPlayer() = default;

bool TMp3DecPlayer::Init()
{
    m_library.reset();
    m_getVersion = nullptr;
    std::unique_ptr<void, LibraryCloser> library(
        dlopen(QFile::encodeName(Mp3DecPath).constData(), RTLD_NOW | RTLD_LOCAL));
    if (!library) {
        m_lastError = QString::fromLocal8Bit(dlerror());
        return false;
    }
    auto getVersion = reinterpret_cast<const char* (*)()>(dlsym(library.get(), "mp3dec_get_version"));
    if (!getVersion) {
        m_lastError = QStringLiteral("%1 is not the decoder library").arg(Mp3DecPath);
        return false;
    }
    m_library = std::move(library);
    m_getVersion = getVersion;
    m_lastError.clear();
    return true;
}

QString TMp3DecPlayer::LibraryVersion() const
{
    return m_getVersion ? QString::fromLatin1(m_getVersion()) : QString();
}

void TMp3DecPlayer::Stop()
{
}
