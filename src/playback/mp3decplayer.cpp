#include "mp3decplayer.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>

#include <dlfcn.h>

namespace {

const QString kLoadFailure = QStringLiteral("Failure while loading mp3 decoder...");

// One posted notification on its way to the GUI thread.
class NotificationEvent : public QEvent
{
public:
    static QEvent::Type type()
    {
        static const auto registered = QEvent::Type(QEvent::registerEventType());
        return registered;
    }
    NotificationEvent(quint32 message, quintptr wparam, qintptr lparam)
        : QEvent(type()), message(message), wparam(wparam), lparam(lparam)
    {
    }
    const quint32 message;
    const quintptr wparam;
    const qintptr lparam;
};

// Receives the library's posts on the GUI thread, in the order they were
// posted, and hands each to the component's window procedure.
class NotificationWindow : public QObject
{
public:
    explicit NotificationWindow(TMp3DecPlayer* owner) : m_owner(owner) {}

    // Runs on the library's thread: only queues.
    static void post(void* context, uint32_t message, uintptr_t wparam, intptr_t lparam)
    {
        QCoreApplication::postEvent(static_cast<QObject*>(context), new NotificationEvent(message, wparam, lparam));
    }

protected:
    bool event(QEvent* e) override
    {
        if (e->type() != NotificationEvent::type())
            return QObject::event(e);
        const auto* n = static_cast<NotificationEvent*>(e);
        m_owner->NotificationWndProc(n->message, n->wparam, n->lparam);
        return true;
    }

private:
    TMp3DecPlayer* m_owner;
};

} // namespace

TMp3DecPlayer::TMp3DecPlayer() : Mp3DecPath(QStringLiteral("mp3dec.dll"))
{
    FWindowHandle = new NotificationWindow(this);
    m_target = {&NotificationWindow::post, FWindowHandle};
    ResetExternalInterface();
}

TMp3DecPlayer::~TMp3DecPlayer()
{
    // The player goes first: once player_delete returns nothing more is
    // posted, and whatever is still queued dies with the window.
    if (MP3_Player* player = std::exchange(FPlayer, nullptr))
        m_entries.player_delete(player);
    ResetExternalInterface();
    delete FWindowHandle;
}

void TMp3DecPlayer::ResetExternalInterface()
{
    if (FLibrary)
        dlclose(FLibrary);
    FLibrary = nullptr;
    m_entries = Entries{};
}

quint32 TMp3DecPlayer::Priority() const
{
    return FPlayer ? quint32(m_entries.player_get_priority(FPlayer)) : FPriority;
}

void TMp3DecPlayer::SetPriority(quint32 value)
{
    if (FPlayer)
        m_entries.player_set_priority(FPlayer, int(value));
    else
        FPriority = value;
}

bool TMp3DecPlayer::Init()
{
    return EnsurePlayer();
}

bool TMp3DecPlayer::EnsurePlayer()
{
    if (FPlayer)
        return true;
    if (!FLibrary)
        LoadDecoderLibrary();
    if (!FLibrary)
        return false;
    if (m_entries.player_new(&FPlayer, &m_target) != 0) {
        FPlayer = nullptr;
        throw EMp3DecException(kLoadFailure);
    }
    if (FPriority != 3)
        m_entries.player_set_priority(FPlayer, int(FPriority));
    return true;
}

void TMp3DecPlayer::LoadDecoderLibrary()
{
    FLibrary = dlopen(QFile::encodeName(Mp3DecPath).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!FLibrary) {
        qWarning("mp3 decoder: %s", dlerror());
        throw EMp3DecException(kLoadFailure);
    }
    const auto resolve = [this](auto& slot, const char* name) {
        slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(ResolveExport(name));
    };
    resolve(m_entries.player_new, "player_new");
    resolve(m_entries.player_delete, "player_delete");
    resolve(m_entries.player_set_priority, "player_set_priority");
    resolve(m_entries.player_get_priority, "player_get_priority");
    resolve(m_entries.mp3dec_error_string, "mp3dec_error_string");
    resolve(m_entries.mp3dec_get_version, "mp3dec_get_version");
    resolve(m_entries.send_N, "control_message_send_N");
    resolve(m_entries.send_P, "control_message_send_P");
    resolve(m_entries.send_S, "control_message_send_S");
    resolve(m_entries.send_SS, "control_message_send_SS");
    resolve(m_entries.send_SI, "control_message_send_SI");
    resolve(m_entries.send_IPI, "control_message_send_IPI");
    resolve(m_entries.send_I, "control_message_send_I");
    resolve(m_entries.send_II, "control_message_send_II");
    resolve(m_entries.send_III, "control_message_send_III");
    resolve(m_entries.send_IIII, "control_message_send_IIII");
    resolve(m_entries.params_to_message, "control_win32_params_to_message");
}

void* TMp3DecPlayer::ResolveExport(const char* name)
{
    if (!FLibrary)
        return nullptr;
    void* address = dlsym(FLibrary, name);
    if (!address) {
        // One missing entry makes the whole library unusable; the next
        // command tries the load again.
        qWarning("mp3 decoder: %s lacks %s", qPrintable(Mp3DecPath), name);
        ResetExternalInterface();
    }
    return address;
}

QString TMp3DecPlayer::ErrorString(int Code)
{
    return EnsurePlayer() ? QString::fromUtf8(m_entries.mp3dec_error_string(Code)) : QString();
}

int TMp3DecPlayer::GetVersion(quint8 Which)
{
    return FPlayer ? m_entries.mp3dec_get_version(Which) : 0;
}

int TMp3DecPlayer::sendN(int code)
{
    return EnsurePlayer() ? m_entries.send_N(FPlayer, code) : 0;
}

int TMp3DecPlayer::sendI(int code, int value)
{
    return EnsurePlayer() ? m_entries.send_I(FPlayer, code, value) : 0;
}

int TMp3DecPlayer::sendS(int code, const QString& text)
{
    return EnsurePlayer() ? m_entries.send_S(FPlayer, code, text.toUtf8().constData()) : 0;
}

int TMp3DecPlayer::sendSI(int code, const QString& text, int value)
{
    return EnsurePlayer() ? m_entries.send_SI(FPlayer, code, text.toUtf8().constData(), value) : 0;
}

int TMp3DecPlayer::sendIPI(int code, quint16 kind, const void* data, int size)
{
    return EnsurePlayer() ? m_entries.send_IPI(FPlayer, code, int(kind), data, size) : 0;
}

int TMp3DecPlayer::Synchronize() { return sendN(MP3_CMD_SYNCHRONIZE); }
int TMp3DecPlayer::Ping(int Value) { return sendI(MP3_CMD_PING, Value); }
int TMp3DecPlayer::Play() { return sendN(MP3_CMD_PLAY); }
int TMp3DecPlayer::Pause() { return sendN(MP3_CMD_PAUSE); }
int TMp3DecPlayer::Stop() { return sendN(MP3_CMD_STOP); }
int TMp3DecPlayer::InputSeek(int Offset, int Range)
{
    return EnsurePlayer() ? m_entries.send_II(FPlayer, MP3_CMD_INPUT_SEEK, Offset, Range) : 0;
}
int TMp3DecPlayer::InputOpen(const QString& Name) { return sendS(MP3_CMD_INPUT_OPEN, Name); }
int TMp3DecPlayer::InputClose() { return sendN(MP3_CMD_INPUT_CLOSE); }
int TMp3DecPlayer::InputSendMessage(quint16 Kind, const void* Data, int Size)
{
    return sendIPI(MP3_CMD_INPUT_SEND_MESSAGE, Kind, Data, Size);
}
int TMp3DecPlayer::InputAddFilter(const QString& Name, int Value) { return sendSI(MP3_CMD_INPUT_ADD_FILTER, Name, Value); }
int TMp3DecPlayer::InputRemoveFilter(const QString& Name, int Value)
{
    return sendSI(MP3_CMD_INPUT_REMOVE_FILTER, Name, Value);
}
int TMp3DecPlayer::InputFilterList() { return sendN(MP3_CMD_INPUT_FILTER_LIST); }
int TMp3DecPlayer::InputModuleRegister(const QString& Name) { return sendS(MP3_CMD_INPUT_MODULE_REGISTER, Name); }
int TMp3DecPlayer::InputModuleQuery(int Module) { return sendI(MP3_CMD_INPUT_MODULE_QUERY, Module); }
int TMp3DecPlayer::InputModulesList() { return sendN(MP3_CMD_INPUT_MODULES_LIST); }
int TMp3DecPlayer::OutputOpen(const QString& Name) { return sendS(MP3_CMD_OUTPUT_OPEN, Name); }
int TMp3DecPlayer::OutputClose() { return sendN(MP3_CMD_OUTPUT_CLOSE); }
int TMp3DecPlayer::OutputSendMessage(quint16 Kind, const void* Data, int Size)
{
    return sendIPI(MP3_CMD_OUTPUT_SEND_MESSAGE, Kind, Data, Size);
}
int TMp3DecPlayer::OutputMute() { return sendN(MP3_CMD_OUTPUT_MUTE); }
int TMp3DecPlayer::OutputUnmute() { return sendN(MP3_CMD_OUTPUT_UNMUTE); }
int TMp3DecPlayer::OutputReset() { return sendN(MP3_CMD_OUTPUT_RESET); }
int TMp3DecPlayer::OutputDrain() { return sendN(MP3_CMD_OUTPUT_DRAIN); }
int TMp3DecPlayer::OutputAddFilter(const QString& Name, int Value)
{
    return sendSI(MP3_CMD_OUTPUT_ADD_FILTER, Name, Value);
}
int TMp3DecPlayer::OutputRemoveFilter(const QString& Name, int Value)
{
    return sendSI(MP3_CMD_OUTPUT_REMOVE_FILTER, Name, Value);
}
int TMp3DecPlayer::OutputFilterList() { return sendN(MP3_CMD_OUTPUT_FILTER_LIST); }
int TMp3DecPlayer::OutputModuleRegister(const QString& Name) { return sendS(MP3_CMD_OUTPUT_MODULE_REGISTER, Name); }
int TMp3DecPlayer::OutputModuleQuery(int Module) { return sendI(MP3_CMD_OUTPUT_MODULE_QUERY, Module); }
int TMp3DecPlayer::OutputModulesList() { return sendN(MP3_CMD_OUTPUT_MODULES_LIST); }
int TMp3DecPlayer::CodecSendMessage(quint16 Kind, const void* Data, int Size)
{
    return sendIPI(MP3_CMD_CODEC_SEND_MESSAGE, Kind, Data, Size);
}
int TMp3DecPlayer::CodecModuleRegister(const QString& Name) { return sendS(MP3_CMD_CODEC_MODULE_REGISTER, Name); }
int TMp3DecPlayer::CodecModuleQuery(int Module) { return sendI(MP3_CMD_CODEC_MODULE_QUERY, Module); }
int TMp3DecPlayer::CodecModulesList() { return sendN(MP3_CMD_CODEC_MODULES_LIST); }
int TMp3DecPlayer::SetPlayerMode(int Mode) { return sendI(MP3_CMD_SET_PLAYER_MODE, Mode); }
int TMp3DecPlayer::GetPlayerMode() { return sendN(MP3_CMD_GET_PLAYER_MODE); }
int TMp3DecPlayer::SetPlayerEnvironmentInteger(const QString& Name, int Value)
{
    return sendSI(MP3_CMD_SET_PLAYER_ENVIRONMENT_INTEGER, Name, Value);
}
int TMp3DecPlayer::GetPlayerEnvironmentInteger(const QString& Name)
{
    return sendS(MP3_CMD_GET_PLAYER_ENVIRONMENT_INTEGER, Name);
}
int TMp3DecPlayer::SetPlayerEnvironmentString(const QString& Name, const QString& Value)
{
    return EnsurePlayer() ? m_entries.send_SS(FPlayer, MP3_CMD_SET_PLAYER_ENVIRONMENT_STRING,
                                              Name.toUtf8().constData(), Value.toUtf8().constData())
                          : 0;
}
int TMp3DecPlayer::GetPlayerEnvironmentString(const QString& Name)
{
    return sendS(MP3_CMD_GET_PLAYER_ENVIRONMENT_STRING, Name);
}
int TMp3DecPlayer::UnsetPlayerEnvironment(const QString& Name) { return sendS(MP3_CMD_UNSET_PLAYER_ENVIRONMENT, Name); }
int TMp3DecPlayer::SetInputName(const QString& Name) { return sendS(MP3_CMD_SET_INPUT_NAME, Name); }
int TMp3DecPlayer::GetInputName() { return sendN(MP3_CMD_GET_INPUT_NAME); }
int TMp3DecPlayer::SetInputModule(int Module) { return sendI(MP3_CMD_SET_INPUT_MODULE, Module); }
int TMp3DecPlayer::GetInputModule() { return sendN(MP3_CMD_GET_INPUT_MODULE); }
int TMp3DecPlayer::SetInputPositionRange(int Range) { return sendI(MP3_CMD_SET_INPUT_POSITION_RANGE, Range); }
int TMp3DecPlayer::GetInputPositionRange() { return sendN(MP3_CMD_GET_INPUT_POSITION_RANGE); }
int TMp3DecPlayer::SetInputTimecodeGranularity(int Granularity)
{
    return sendI(MP3_CMD_SET_INPUT_TIMECODE_GRANULARITY, Granularity);
}
int TMp3DecPlayer::GetInputTimecodeGranularity() { return sendN(MP3_CMD_GET_INPUT_TIMECODE_GRANULARITY); }
int TMp3DecPlayer::SetOutputName(const QString& Name) { return sendS(MP3_CMD_SET_OUTPUT_NAME, Name); }
int TMp3DecPlayer::GetOutputName() { return sendN(MP3_CMD_GET_OUTPUT_NAME); }
int TMp3DecPlayer::SetOutputModule(int Module) { return sendI(MP3_CMD_SET_OUTPUT_MODULE, Module); }
int TMp3DecPlayer::GetOutputModule() { return sendN(MP3_CMD_GET_OUTPUT_MODULE); }
int TMp3DecPlayer::SetOutputVolume(int MasterLevel, int PcmLevel, int Balance)
{
    return EnsurePlayer() ? m_entries.send_III(FPlayer, MP3_CMD_SET_OUTPUT_VOLUME, MasterLevel, PcmLevel, Balance) : 0;
}
int TMp3DecPlayer::GetOutputVolume() { return sendN(MP3_CMD_GET_OUTPUT_VOLUME); }
int TMp3DecPlayer::SetOutputChannels(int Channels) { return sendI(MP3_CMD_SET_OUTPUT_CHANNELS, Channels); }
int TMp3DecPlayer::GetOutputChannels() { return sendN(MP3_CMD_GET_OUTPUT_CHANNELS); }
int TMp3DecPlayer::SetOutputPorts(int Ports) { return sendI(MP3_CMD_SET_OUTPUT_PORTS, Ports); }
int TMp3DecPlayer::GetOutputPorts() { return sendN(MP3_CMD_GET_OUTPUT_PORTS); }
int TMp3DecPlayer::SetCodecQuality(quint8 Quality) { return sendI(MP3_CMD_SET_CODEC_QUALITY, Quality); }
int TMp3DecPlayer::GetCodecQuality() { return sendN(MP3_CMD_GET_CODEC_QUALITY); }
int TMp3DecPlayer::SetCodecEqualizer(const MP3_EqualizerInfo* Equalizer)
{
    return EnsurePlayer() ? m_entries.send_P(FPlayer, MP3_CMD_SET_CODEC_EQUALIZER, Equalizer) : 0;
}
int TMp3DecPlayer::GetCodecEqualizer() { return sendN(MP3_CMD_GET_CODEC_EQUALIZER); }
int TMp3DecPlayer::SetNotificationMask(int Mask) { return sendI(MP3_CMD_SET_NOTIFICATION_MASK, Mask); }
int TMp3DecPlayer::GetNotificationMask() { return sendN(MP3_CMD_GET_NOTIFICATION_MASK); }
int TMp3DecPlayer::SetDebugLevel(int Level) { return sendI(MP3_CMD_SET_DEBUG_LEVEL, Level); }
int TMp3DecPlayer::GetDebugLevel() { return sendN(MP3_CMD_GET_DEBUG_LEVEL); }
