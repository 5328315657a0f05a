// The decoder player component: loads the decoder library the player wrote
// out and drives it.
#pragma once

#include <QString>

#include <memory>

class TMp3DecPlayer
{
public:
    TMp3DecPlayer();
    ~TMp3DecPlayer();
    TMp3DecPlayer(const TMp3DecPlayer&) = delete;
    TMp3DecPlayer& operator=(const TMp3DecPlayer&) = delete;

    // Full path of the library file to load.
    QString Mp3DecPath;

    // Loads the library and checks that it is ours. False when it cannot be
    // loaded or lacks the entries the player needs.
    bool Init();
    bool IsInitialized() const { return m_library != nullptr; }
    QString LastError() const { return m_lastError; }
    // Version string reported by the loaded library; empty before Init.
    QString LibraryVersion() const;
    void Stop();

private:
    struct LibraryCloser
    {
        void operator()(void* handle) const;
    };
    std::unique_ptr<void, LibraryCloser> m_library;
    const char* (*m_getVersion)() = nullptr;
    QString m_lastError;
};
