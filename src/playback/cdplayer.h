// Audio CD playback. A ".cda" playlist entry names one track of a disc: the
// track by the two digits before ".cda", the disc by the folder part of the
// path (a drive's device node or a disc image libcdio opens; anything else
// means the default drive). TCdPlayer is the device the main window drives
// for such entries: its commands run in order on a thread of its own, which
// also reads the disc and feeds the sound output, so no call here waits for
// a drive.
#pragma once

#include <QString>
#include <QStringList>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace vimbo {

constexpr qint32 kCdSectorsPerSecond = 75;
constexpr qint32 kCdSectorBytes = 2352;
constexpr qint32 kCdFramesPerSector = kCdSectorBytes / 4; // 16-bit stereo at 44.1 kHz

// Times as the device reports them: minutes in the lowest byte, seconds in
// the next, frames (75 a second) in the third.
quint32 PackMsf(qint32 sectors);
qint32 MsfSectors(quint32 msf);
// minutes * 60 + seconds; the frames are left out.
qint32 MsfSeconds(quint32 msf);

// The track number a ".cda" file name gives: the two characters before its
// last four. -1 when they are not both decimal digits.
qint32 CdTrackNumberOf(const QString& fileName);

// The disc a ".cda" path names: its folder part when that is a file or a
// device node, otherwise the default drive; empty when there is none.
QString CdSourceOf(const QString& path);
// The first CD drive the system reports; empty when there is none.
QString DefaultCdDrive();
// Every CD drive the system reports.
QStringList CdDrives();
// Whether a ".cda" entry is still there: it is a file, or its disc's source
// exists. Looks at the file system only, never at a drive's contents.
bool CdTrackFileExists(const QString& path);

struct CdDiscTrack
{
    qint32 number = 0;
    qint32 start = 0;   // first sector
    qint32 sectors = 0; // length
    QString title;      // from CD-Text, when the disc has it
};

struct CdDisc
{
    QString source;
    QString title;
    std::vector<CdDiscTrack> tracks; // the audio tracks, in order
    const CdDiscTrack* track(qint32 number) const;
};

// Reads the table of contents of the disc in `source`. False with `error`
// naming the source when there is no disc, no drive or a broken image.
// Blocks while a drive spins up: callers on the GUI thread use it only on
// the user's explicit request.
bool ReadCdDisc(const QString& source, CdDisc& disc, QString& error);

enum class TCdMode { NotReady, Stopped, Playing, Recording, Seeking, Paused, Open };

class TCdPlayer
{
public:
    TCdPlayer();
    ~TCdPlayer();
    TCdPlayer(const TCdPlayer&) = delete;
    TCdPlayer& operator=(const TCdPlayer&) = delete;

    // The ".cda" path whose disc Open opens.
    QString FileName;
    // Called on the player's thread when opening fails or a command cannot
    // be carried out; `closed` tells that the device is no longer open.
    std::function<void(const QString& text, bool closed)> OnError;
    // The sound output's name for SDL; empty is the default device.
    QString OutputName;

    void Open();
    void Close();
    void Stop();
    void Play();
    void Resume();
    // Pause when playing, resume when paused; any other mode: nothing.
    void PauseOrResume();
    void Seek(quint32 msf);
    // Seek to the start of a track. The table of contents may not have
    // been read yet when this is asked for, so the thread looks it up.
    void SeekTrack(qint32 track);
    // 0..100, on the same curve as the decoder's volume.
    void SetVolume(qint32 level);

    // The state as last known; these never wait for the device.
    bool IsOpen() const;
    TCdMode Mode() const;
    quint32 Position() const; // on the whole disc
    quint32 TrackStartPosition(qint32 track) const;
    quint32 TrackLength(qint32 track) const;
    // The disc as read at Open (empty until then).
    CdDisc Disc() const;

    // The sound sent to the output since it was last opened, in sectors.
    qint64 SectorsPlayed() const;

private:
    struct Command
    {
        enum Kind { Open, Close, Stop, Play, Resume, PauseOrResume, Seek, SeekTrack, Quit } kind;
        QString source;
        qint64 value = 0;
    };
    struct Device;

    void post(Command command);
    void run();
    void serve(const Command& command);
    void open(const QString& source);
    void close();
    void play();
    void pause();
    bool seek(qint32 sector);
    void fill();
    void stopOutput();
    bool startOutput(QString& error);
    void fail(const QString& text, bool closed);
    void setMode(TCdMode mode);
    static void feed(void* self, uint8_t* stream, int bytes);

    mutable std::mutex m_commandsMutex;
    std::condition_variable m_wake;
    std::deque<Command> m_commands;

    // Guarded by m_stateMutex: what the queries report.
    mutable std::mutex m_stateMutex;
    bool m_open = false;
    TCdMode m_mode = TCdMode::NotReady;
    CdDisc m_disc;
    qint32 m_heard = 0;  // sector the listener is at
    qint64 m_playedSamples = 0; // handed to the output

    // The player thread's own.
    Device* m_device = nullptr;
    qint32 m_next = 0;      // next sector to read
    qint32 m_end = 0;       // first sector after the disc's audio
    bool m_positioned = true; // false after a seek that failed: nothing to play

    // Shared with SDL's audio callback, guarded by m_fifoMutex.
    std::mutex m_fifoMutex;
    std::vector<int16_t> m_fifo;
    size_t m_read = 0;
    float m_gain = 0.125f;
    uint32_t m_outputDevice = 0;

    // Last, and started in the constructor's body: the thread uses every
    // member above from its first instruction.
    std::thread m_thread;
};

} // namespace vimbo
