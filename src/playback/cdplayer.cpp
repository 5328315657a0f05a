#include "cdplayer.h"

#include "platform/paths.h"

#include <QDir>
#include <QFileInfo>

#include <SDL.h>
#include <cdio/cdio.h>
#include <cdio/cdtext.h>
#include <cdio/logging.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

namespace vimbo {

namespace {

// Sectors read at a time, and how much sound is kept ahead of the listener:
// small enough that a start or a seek is heard at once, large enough that
// a busy machine does not run the output dry.
constexpr qint32 kReadSectors = 4;
constexpr qint32 kAheadSectors = 24; // 320 ms

QString cdioText(const char* text)
{
    return text ? QString::fromUtf8(text) : QString();
}

// libcdio reports on stderr by default; its warnings about a damaged image
// are kept for the error text instead.
thread_local QString* t_cdioLog = nullptr;

void logCdio(cdio_log_level_t level, const char* message)
{
    if (level >= CDIO_LOG_WARN && t_cdioLog) {
        if (!t_cdioLog->isEmpty())
            t_cdioLog->append(QLatin1Char(' '));
        t_cdioLog->append(QString::fromLocal8Bit(message).trimmed());
    }
}

struct CdioLogScope
{
    explicit CdioLogScope(QString& log)
    {
        static const bool installed = (cdio_log_set_handler(logCdio), true);
        Q_UNUSED(installed);
        t_cdioLog = &log;
    }
    ~CdioLogScope() { t_cdioLog = nullptr; }
};

// Opens a source with libcdio; a cue sheet through its own reader, so a
// ".cue" whose name does not end that way is still read as one.
CdIo_t* openSource(const QString& source)
{
    const QByteArray name = QFile::encodeName(source);
    if (source.endsWith(QLatin1String(".cue"), Qt::CaseInsensitive))
        return cdio_open_cue(name.constData());
    return cdio_open(name.constData(), DRIVER_UNKNOWN);
}

bool readDisc(CdIo_t* cdio, const QString& source, CdDisc& disc, QString& error)
{
    disc = CdDisc{};
    disc.source = source;
    const track_t first = cdio_get_first_track_num(cdio);
    const track_t last = cdio_get_last_track_num(cdio);
    if (first == CDIO_INVALID_TRACK || last == CDIO_INVALID_TRACK || last < first) {
        error = QStringLiteral("There is no disc in \"%1\"").arg(source);
        return false;
    }
    // A short image reports tracks past its end; the lead-out is where it ends.
    const lsn_t leadOut = cdio_get_track_lsn(cdio, CDIO_CDROM_LEADOUT_TRACK);
    cdtext_t* text = cdio_get_cdtext(cdio);
    if (text)
        disc.title = cdioText(cdtext_get_const(text, CDTEXT_FIELD_TITLE, 0));
    for (track_t t = first; t <= last && t != CDIO_INVALID_TRACK; ++t) {
        if (cdio_get_track_format(cdio, t) != TRACK_FORMAT_AUDIO)
            continue;
        const lsn_t start = cdio_get_track_lsn(cdio, t);
        lsn_t end = cdio_get_track_last_lsn(cdio, t);
        if (leadOut != CDIO_INVALID_LSN && end != CDIO_INVALID_LSN)
            end = std::min(end, leadOut - 1);
        // A short image leaves tracks that end before they begin: they are
        // not on the disc.
        if (start == CDIO_INVALID_LSN || end == CDIO_INVALID_LSN || end < start)
            continue;
        CdDiscTrack track;
        track.number = t;
        track.start = start;
        track.sectors = end - start + 1;
        if (text)
            track.title = cdioText(cdtext_get_const(text, CDTEXT_FIELD_TITLE, t));
        disc.tracks.push_back(track);
    }
    if (disc.tracks.empty()) {
        error = QStringLiteral("The disc in \"%1\" holds no audio tracks").arg(source);
        return false;
    }
    return true;
}

QString sourceMissing(const QString& source)
{
    if (source.isEmpty())
        return QStringLiteral("No CD drive was found");
    return QStringLiteral("Cannot open the CD \"%1\": no such drive or disc image").arg(source);
}

float levelGain(qint32 level)
{
    const double x = std::clamp(level, 0, 100) / 100.0;
    return float(x * x * x);
}

} // namespace

quint32 PackMsf(qint32 sectors)
{
    sectors = std::max(sectors, 0);
    const qint32 seconds = sectors / kCdSectorsPerSecond;
    const quint32 minutes = quint32(std::min(seconds / 60, 255));
    return minutes | quint32(seconds % 60) << 8 | quint32(sectors % kCdSectorsPerSecond) << 16;
}

qint32 MsfSectors(quint32 msf)
{
    return qint32(msf & 0xff) * 60 * kCdSectorsPerSecond + qint32(msf >> 8 & 0xff) * kCdSectorsPerSecond
           + qint32(msf >> 16 & 0xff);
}

qint32 MsfSeconds(quint32 msf)
{
    return qint32(msf & 0xff) * 60 + qint32(msf >> 8 & 0xff);
}

qint32 CdTrackNumberOf(const QString& fileName)
{
    const qsizetype n = fileName.size();
    if (n < 6)
        return -1;
    const QChar a = fileName[n - 6], b = fileName[n - 5];
    const auto digit = [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); };
    if (!digit(a) || !digit(b))
        return -1;
    return (a.unicode() - '0') * 10 + (b.unicode() - '0');
}

QString DefaultCdDrive()
{
    QString log;
    CdioLogScope scope(log);
    char* device = cdio_get_default_device(nullptr);
    const QString name = cdioText(device);
    cdio_free(device);
    return name;
}

QStringList CdDrives()
{
    QString log;
    CdioLogScope scope(log);
    QStringList drives;
    char** devices = cdio_get_devices(DRIVER_DEVICE);
    for (char** d = devices; d && *d; ++d)
        drives.append(QString::fromLocal8Bit(*d));
    cdio_free_device_list(devices);
    return drives;
}

QString CdSourceOf(const QString& path)
{
    const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    if (cut > 0) {
        const QString folder = path.left(cut);
        const QFileInfo info(folder);
        if (info.exists() && !info.isDir())
            return folder;
    }
    return DefaultCdDrive();
}

bool CdTrackFileExists(const QString& path)
{
    // A track file copied from a disc is there as any other file.
    if (QFileInfo(path).isFile())
        return true;
    const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    if (cut > 0) {
        const QFileInfo info(path.left(cut));
        if (info.exists() && !info.isDir())
            return true;
    }
    // A track of "the drive" (a Windows path, a folder) is there while a
    // drive is: the same test the drive's own track files would pass.
    return !DefaultCdDrive().isEmpty();
}

const CdDiscTrack* CdDisc::track(qint32 number) const
{
    for (const CdDiscTrack& t : tracks)
        if (t.number == number)
            return &t;
    return nullptr;
}

bool ReadCdDisc(const QString& source, CdDisc& disc, QString& error)
{
    if (source.isEmpty() || !QFileInfo::exists(source) || QFileInfo(source).isDir()) {
        error = sourceMissing(source);
        return false;
    }
    QString log;
    CdioLogScope scope(log);
    CdIo_t* cdio = openSource(source);
    if (!cdio) {
        error = QStringLiteral("Cannot open the CD \"%1\"").arg(source);
        if (!log.isEmpty())
            error += QStringLiteral(": ") + log;
        return false;
    }
    const bool read = readDisc(cdio, source, disc, error);
    cdio_destroy(cdio);
    return read;
}

// What the player thread holds of an open disc: libcdio's handle, and on a
// real drive the paranoia reader that corrects its reading errors.
struct TCdPlayer::Device
{
    CdIo_t* cdio = nullptr;
    cdrom_drive_t* drive = nullptr;
    cdrom_paranoia_t* paranoia = nullptr;
    qint32 paranoiaAt = -1; // sector the paranoia reader reads next

    ~Device()
    {
        if (paranoia)
            cdio_paranoia_free(paranoia);
        if (drive)
            cdio_cddap_close_no_free_cdio(drive);
        if (cdio)
            cdio_destroy(cdio);
    }

    // Reads `count` sectors from `sector` into `out`. False when the disc
    // cannot be read there.
    bool read(qint32 sector, qint32 count, int16_t* out)
    {
        if (!paranoia)
            return cdio_read_audio_sectors(cdio, out, sector, uint32_t(count)) == DRIVER_OP_SUCCESS;
        if (paranoiaAt != sector) {
            // The reader's seek takes a sector, whatever its comment says.
            cdio_paranoia_seek(paranoia, sector, SEEK_SET);
            paranoiaAt = sector;
        }
        for (qint32 i = 0; i < count; ++i) {
            const int16_t* data = cdio_paranoia_read(paranoia, nullptr);
            if (!data)
                return false;
            std::memcpy(out + i * kCdSectorBytes / 2, data, kCdSectorBytes);
            ++paranoiaAt;
        }
        return true;
    }
};

TCdPlayer::TCdPlayer()
{
    m_thread = std::thread([this] { run(); });
}

TCdPlayer::~TCdPlayer()
{
    post({Command::Quit, {}, 0});
    m_thread.join();
}

void TCdPlayer::post(Command command)
{
    {
        std::lock_guard lock(m_commandsMutex);
        m_commands.push_back(std::move(command));
    }
    m_wake.notify_one();
}

void TCdPlayer::Open()
{
    // The path is read now: a later change of FileName names the next disc.
    post({Command::Open, CdSourceOf(FileName), 0});
}

void TCdPlayer::Close() { post({Command::Close, {}, 0}); }
void TCdPlayer::Stop() { post({Command::Stop, {}, 0}); }
void TCdPlayer::Play() { post({Command::Play, {}, 0}); }
void TCdPlayer::Resume() { post({Command::Resume, {}, 0}); }
void TCdPlayer::PauseOrResume() { post({Command::PauseOrResume, {}, 0}); }
void TCdPlayer::Seek(quint32 msf) { post({Command::Seek, {}, qint64(msf)}); }
void TCdPlayer::SeekTrack(qint32 track) { post({Command::SeekTrack, {}, track}); }

void TCdPlayer::SetVolume(qint32 level)
{
    std::lock_guard lock(m_fifoMutex);
    m_gain = levelGain(level);
}

bool TCdPlayer::IsOpen() const
{
    std::lock_guard lock(m_stateMutex);
    return m_open;
}

TCdMode TCdPlayer::Mode() const
{
    std::lock_guard lock(m_stateMutex);
    return m_mode;
}

quint32 TCdPlayer::Position() const
{
    std::lock_guard lock(m_stateMutex);
    return PackMsf(m_heard);
}

quint32 TCdPlayer::TrackStartPosition(qint32 track) const
{
    std::lock_guard lock(m_stateMutex);
    const CdDiscTrack* t = m_disc.track(track);
    return t ? PackMsf(t->start) : 0;
}

quint32 TCdPlayer::TrackLength(qint32 track) const
{
    std::lock_guard lock(m_stateMutex);
    const CdDiscTrack* t = m_disc.track(track);
    return t ? PackMsf(t->sectors) : 0;
}

CdDisc TCdPlayer::Disc() const
{
    std::lock_guard lock(m_stateMutex);
    return m_disc;
}

qint64 TCdPlayer::SectorsPlayed() const
{
    std::lock_guard lock(m_stateMutex);
    return m_playedSamples / (kCdSectorBytes / 2);
}

void TCdPlayer::setMode(TCdMode mode)
{
    std::lock_guard lock(m_stateMutex);
    m_mode = mode;
}

void TCdPlayer::fail(const QString& text, bool closed)
{
    if (OnError)
        OnError(text, closed);
}

void TCdPlayer::run()
{
    for (;;) {
        Command command;
        {
            std::unique_lock lock(m_commandsMutex);
            // While playing the thread wakes on its own to read ahead and to
            // follow the listener's position.
            if (m_mode == TCdMode::Playing)
                m_wake.wait_for(lock, std::chrono::milliseconds(40), [this] { return !m_commands.empty(); });
            else
                m_wake.wait(lock, [this] { return !m_commands.empty(); });
            if (m_commands.empty()) {
                lock.unlock();
                fill();
                continue;
            }
            command = std::move(m_commands.front());
            m_commands.pop_front();
        }
        if (command.kind == Command::Quit) {
            close();
            // SDL keeps per-thread data (its error text) for threads it did
            // not make itself until it is told they end.
            SDL_TLSCleanup();
            return;
        }
        serve(command);
        if (m_mode == TCdMode::Playing)
            fill();
    }
}

void TCdPlayer::serve(const Command& command)
{
    switch (command.kind) {
    case Command::Open:
        open(command.source);
        return;
    case Command::Close:
        close();
        return;
    case Command::Stop:
        if (m_device && (m_mode == TCdMode::Playing || m_mode == TCdMode::Paused)) {
            // Stopped where the listener was; a stopped disc keeps no sound
            // output open.
            stopOutput();
            seek(m_heard);
            setMode(TCdMode::Stopped);
        }
        return;
    case Command::Play:
        play();
        return;
    case Command::Resume:
        // Resuming only works on a paused device; otherwise it plays.
        if (m_mode == TCdMode::Paused && m_outputDevice) {
            SDL_PauseAudioDevice(m_outputDevice, 0);
            setMode(TCdMode::Playing);
        } else {
            play();
        }
        return;
    case Command::PauseOrResume:
        if (m_mode == TCdMode::Playing)
            pause();
        else if (m_mode == TCdMode::Paused)
            serve({Command::Resume, {}, 0});
        return;
    case Command::Seek:
        if (m_device) {
            m_positioned = seek(MsfSectors(quint32(command.value)));
            setMode(TCdMode::Stopped);
        }
        return;
    case Command::SeekTrack:
        if (m_device) {
            const CdDiscTrack* track = m_disc.track(qint32(command.value));
            m_positioned = track && seek(track->start);
            setMode(TCdMode::Stopped);
            if (!track)
                fail(QStringLiteral("Track %1 is not an audio track of the CD \"%2\"")
                         .arg(command.value)
                         .arg(m_disc.source),
                     false);
        }
        return;
    case Command::Quit:
        return;
    }
}

void TCdPlayer::open(const QString& source)
{
    close();
    if (source.isEmpty() || !QFileInfo::exists(source) || QFileInfo(source).isDir()) {
        fail(sourceMissing(source), true);
        return;
    }
    QString log;
    CdioLogScope scope(log);
    auto device = std::make_unique<Device>();
    device->cdio = openSource(source);
    CdDisc disc;
    QString error;
    if (!device->cdio) {
        error = QStringLiteral("Cannot open the CD \"%1\"").arg(source);
        if (!log.isEmpty())
            error += QStringLiteral(": ") + log;
        fail(error, true);
        return;
    }
    if (!readDisc(device->cdio, source, disc, error)) {
        fail(error, true);
        return;
    }
    const driver_id_t driver = cdio_get_driver_id(device->cdio);
    const bool image = driver == DRIVER_BINCUE || driver == DRIVER_CDRDAO || driver == DRIVER_NRG;
    if (!image) {
        // A real drive: read through paranoia, which re-reads and lines up
        // what the drive gets wrong, but skips what it cannot read rather
        // than stall the sound for ever.
        device->drive = cdio_cddap_identify_cdio(device->cdio, CDDA_MESSAGE_FORGETIT, nullptr);
        if (device->drive && cdio_cddap_open(device->drive) == 0) {
            device->paranoia = cdio_paranoia_init(device->drive);
            cdio_paranoia_modeset(device->paranoia, PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
        }
    }
    m_device = device.release();
    m_end = 0;
    for (const CdDiscTrack& t : disc.tracks)
        m_end = std::max(m_end, t.start + t.sectors);
    m_next = disc.tracks.front().start;
    m_positioned = true;
    std::lock_guard lock(m_stateMutex);
    m_disc = std::move(disc);
    m_open = true;
    m_mode = TCdMode::Stopped;
    m_heard = m_next;
}

void TCdPlayer::close()
{
    stopOutput();
    delete std::exchange(m_device, nullptr);
    std::lock_guard lock(m_stateMutex);
    m_open = false;
    m_mode = TCdMode::NotReady;
    m_disc = CdDisc{};
    m_heard = 0;
}

void TCdPlayer::play()
{
    if (!m_device || !m_positioned)
        return;
    // At the end of the disc a play starts it over.
    if (m_next >= m_end && m_heard >= m_end)
        seek(m_disc.tracks.front().start);
    if (!m_outputDevice) {
        QString error;
        if (!startOutput(error)) {
            fail(error, false);
            return;
        }
    }
    setMode(TCdMode::Playing);
    fill();
    SDL_PauseAudioDevice(m_outputDevice, 0);
}

void TCdPlayer::pause()
{
    if (m_outputDevice)
        SDL_PauseAudioDevice(m_outputDevice, 1);
    setMode(TCdMode::Paused);
}

bool TCdPlayer::seek(qint32 sector)
{
    if (!m_device || sector < 0 || sector >= m_end)
        return false;
    {
        std::lock_guard lock(m_fifoMutex);
        m_fifo.clear();
        m_read = 0;
    }
    // A seek leaves the device stopped there, silent until the next play.
    if (m_outputDevice)
        SDL_PauseAudioDevice(m_outputDevice, 1);
    m_next = sector;
    std::lock_guard lock(m_stateMutex);
    m_heard = sector;
    return true;
}

void TCdPlayer::fill()
{
    if (!m_device || m_mode != TCdMode::Playing)
        return;
    size_t queued;
    {
        std::lock_guard lock(m_fifoMutex);
        queued = m_fifo.size() - m_read;
    }
    const auto queuedSectors = [&] { return qint32(queued / (kCdSectorBytes / 2)); };
    std::vector<int16_t> chunk(size_t(kReadSectors) * kCdSectorBytes / 2);
    while (queuedSectors() < kAheadSectors && m_next < m_end) {
        const qint32 count = std::min(kReadSectors, m_end - m_next);
        if (!m_device->read(m_next, count, chunk.data())) {
            // A disc taken out, a damaged image: the device stops, as it
            // does at the end of the disc.
            qWarning("CD: cannot read sector %d of \"%s\"", m_next, qPrintable(m_disc.source));
            stopOutput();
            std::lock_guard lock(m_stateMutex);
            m_heard = m_next;
            m_mode = TCdMode::Stopped;
            return;
        }
        m_next += count;
        std::lock_guard lock(m_fifoMutex);
        m_fifo.erase(m_fifo.begin(), m_fifo.begin() + std::ptrdiff_t(m_read));
        m_read = 0;
        m_fifo.insert(m_fifo.end(), chunk.begin(), chunk.begin() + std::ptrdiff_t(count) * kCdSectorBytes / 2);
        queued = m_fifo.size();
    }
    const qint32 heard = m_next - queuedSectors();
    bool ended = false;
    {
        std::lock_guard lock(m_stateMutex);
        m_heard = heard;
        if (queued == 0 && m_next >= m_end) {
            m_mode = TCdMode::Stopped;
            ended = true;
        }
    }
    if (ended)
        stopOutput();
}

bool TCdPlayer::startOutput(QString& error)
{
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        error = QStringLiteral("No audio system: %1").arg(QString::fromUtf8(SDL_GetError()));
        return false;
    }
    SDL_AudioSpec want{};
    want.freq = 44100;
    want.format = AUDIO_S16LSB;
    want.channels = 2;
    want.samples = 1024;
    want.callback = &TCdPlayer::feed;
    want.userdata = this;
    SDL_AudioSpec have{};
    {
        std::lock_guard lock(m_stateMutex);
        m_playedSamples = 0;
    }
    const QByteArray name = OutputName.toUtf8();
    m_outputDevice = SDL_OpenAudioDevice(name.isEmpty() ? nullptr : name.constData(), 0, &want, &have, 0);
    if (!m_outputDevice) {
        error = QStringLiteral("Cannot open the audio output: %1").arg(QString::fromUtf8(SDL_GetError()));
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    return true;
}

void TCdPlayer::stopOutput()
{
    if (!m_outputDevice)
        return;
    SDL_CloseAudioDevice(m_outputDevice); // waits for the callback to end
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    m_outputDevice = 0;
    {
        std::lock_guard lock(m_stateMutex);
        m_playedSamples = 0;
    }
    std::lock_guard lock(m_fifoMutex);
    m_fifo.clear();
    m_read = 0;
}

void TCdPlayer::feed(void* self, uint8_t* stream, int bytes)
{
    auto* player = static_cast<TCdPlayer*>(self);
    auto* out = reinterpret_cast<int16_t*>(stream);
    const size_t wanted = size_t(bytes) / sizeof(int16_t);
    size_t taken;
    {
        std::lock_guard lock(player->m_fifoMutex);
        taken = std::min(wanted, player->m_fifo.size() - player->m_read);
        const int16_t* in = player->m_fifo.data() + player->m_read;
        // The gain in 1/65536 steps: whole numbers, cheap for every sample.
        const int32_t gain = int32_t(std::lround(player->m_gain * 65536.0f));
        if (gain >= 65536)
            std::memcpy(out, in, taken * sizeof(int16_t));
        else
            for (size_t i = 0; i < taken; ++i)
                out[i] = int16_t((int32_t(in[i]) * gain + 32768) >> 16);
        player->m_read += taken;
    }
    std::memset(out + taken, 0, (wanted - taken) * sizeof(int16_t));
    std::lock_guard lock(player->m_stateMutex);
    player->m_playedSamples += qint64(taken);
}

} // namespace vimbo
