// The decoder player component: puts the decoder library behind one object.
// It loads the library the player wrote out, creates one asynchronous player
// in it, sends it numbered control messages and turns the player's posted
// notifications into events, which run on the GUI thread in posting order.
#pragma once

#include "mp3dec.h"
#include "platform/errors.h"

#include <QObject>
#include <QString>

#include <functional>

class TMp3DecPlayer;

class EMp3DecException : public EVimboError
{
public:
    using EVimboError::EVimboError;
    const char* className() const override { return "EMp3DecException"; }
};

// Event types. Every event's first parameter is the component.
using TNotifyEvent = std::function<void(TMp3DecPlayer* Sender)>;
using TNotifyMessageEvent = std::function<void(TMp3DecPlayer* Sender, MP3_Message& Msg)>;
using TNotifyAckEvent = std::function<void(TMp3DecPlayer* Sender, quint8 Command)>;
using TNotifyNackEvent = std::function<void(TMp3DecPlayer* Sender, quint8 Command, qint16 Code)>;
using TNotifyPongEvent = std::function<void(TMp3DecPlayer* Sender, quint32 Tag)>;
using TNotifyPlayerStateEvent = std::function<void(TMp3DecPlayer* Sender, int State)>;
using TNotifyPlayerModeEvent = std::function<void(TMp3DecPlayer* Sender, int Mode)>;
using TNotifyEnvironmentIntegerEvent = std::function<void(TMp3DecPlayer* Sender, const QString& Name, int Value)>;
using TNotifyEnvironmentStringEvent =
    std::function<void(TMp3DecPlayer* Sender, const QString& Name, const QString& Value)>;
using TNotifyInputStateEvent = std::function<void(TMp3DecPlayer* Sender, int State)>;
using TNotifyInputNameEvent = std::function<void(TMp3DecPlayer* Sender, const QString& Name)>;
using TNotifyInputCapsEvent = std::function<void(TMp3DecPlayer* Sender, quint32 Caps)>;
using TNotifyInputPositionEvent = std::function<void(TMp3DecPlayer* Sender, quint32 Offset, quint32 Range)>;
using TNotifyInputPositionRangeEvent = std::function<void(TMp3DecPlayer* Sender, int Range)>;
using TNotifyInputTimecodeEvent =
    std::function<void(TMp3DecPlayer* Sender, quint8 Hours, quint8 Minutes, quint8 Seconds, quint8 Fractions)>;
using TNotifyInputTimecodeGranularityEvent = std::function<void(TMp3DecPlayer* Sender, quint32 Granularity)>;
using TNotifyModuleEvent = std::function<void(TMp3DecPlayer* Sender, qint16 ID)>;
using TNotifyModuleInfoEvent = std::function<void(TMp3DecPlayer* Sender, quint8 ID, quint8 NbDevices,
                                                  const QString& Name, const QString& Description)>;
using TNotifyDeviceInfoEvent = std::function<void(TMp3DecPlayer* Sender, quint8 ModuleID, quint8 Index,
                                                  quint8 Flags, const QString& Name, const QString& Description)>;
using TNotifyFilterInfoEvent = std::function<void(TMp3DecPlayer* Sender, quint8 ID, const QString& Name)>;
using TNotifyInputModuleEvent = TNotifyModuleEvent;
using TNotifyInputModuleInfoEvent = TNotifyModuleInfoEvent;
using TNotifyInputDeviceInfoEvent = TNotifyDeviceInfoEvent;
using TNotifyInputFilterInfoEvent = TNotifyFilterInfoEvent;
using TNotifyOutputStateEvent = std::function<void(TMp3DecPlayer* Sender, int State)>;
using TNotifyOutputNameEvent = std::function<void(TMp3DecPlayer* Sender, const QString& Name)>;
using TNotifyOutputCapsEvent = std::function<void(TMp3DecPlayer* Sender, quint32 Caps)>;
using TNotifyOutputVolumeEvent =
    std::function<void(TMp3DecPlayer* Sender, quint8 MasterLevel, quint8 PcmLevel, quint8 Balance)>;
using TNotifyOutputBalanceEvent = std::function<void(TMp3DecPlayer* Sender, quint8 Balance)>;
using TNotifyOutputPcmLevelEvent = std::function<void(TMp3DecPlayer* Sender, quint8 PcmLevel)>;
using TNotifyOutputMasterLevelEvent = std::function<void(TMp3DecPlayer* Sender, quint8 MasterLevel)>;
using TNotifyOutputChannelsEvent = std::function<void(TMp3DecPlayer* Sender, quint8 Channels)>;
using TNotifyOutputPortsEvent = std::function<void(TMp3DecPlayer* Sender, quint32 Ports)>;
using TNotifyOutputModuleEvent = TNotifyModuleEvent;
using TNotifyOutputModuleInfoEvent = TNotifyModuleInfoEvent;
using TNotifyOutputDeviceInfoEvent = TNotifyDeviceInfoEvent;
using TNotifyOutputFilterInfoEvent = TNotifyFilterInfoEvent;
using TNotifyStreamMimeTypeEvent = std::function<void(TMp3DecPlayer* Sender, const QString& MimeType)>;
using TNotifyStreamDurationEvent = std::function<void(TMp3DecPlayer* Sender, quint32 Duration)>;
using TNotifyStreamParametersEvent =
    std::function<void(TMp3DecPlayer* Sender, quint32 Frequency, qint16 Bitrate, quint8 NbChannels)>;
using TNotifyStreamPropertiesEvent =
    std::function<void(TMp3DecPlayer* Sender, quint32 NbProperties, const MP3_Property* Properties)>;
using TNotifyCodecModuleEvent = TNotifyModuleEvent;
using TNotifyCodecModuleInfoEvent = TNotifyModuleInfoEvent;
using TNotifyCodecDeviceInfoEvent = TNotifyDeviceInfoEvent;
using TNotifyCodecQualityEvent = std::function<void(TMp3DecPlayer* Sender, quint8 Quality)>;
using TNotifyCodecEqualizerEvent = std::function<void(TMp3DecPlayer* Sender, const MP3_EqualizerInfo& Equalizer)>;
using TNotifyNotificationMaskEvent = std::function<void(TMp3DecPlayer* Sender, quint32 Mask)>;
using TNotifyDebugLevelEvent = std::function<void(TMp3DecPlayer* Sender, quint8 Level)>;
using TNotifyProgressEvent =
    std::function<void(TMp3DecPlayer* Sender, quint8 Source, quint8 Code, qint16 Value, const QString& Msg)>;
using TNotifyDebugEvent = std::function<void(TMp3DecPlayer* Sender, quint8 Source, quint8 Level, const QString& Msg)>;
using TNotifyErrorEvent = std::function<void(TMp3DecPlayer* Sender, quint8 Source, qint16 Code, const QString& Msg)>;

class TMp3DecPlayer
{
public:
    // Messages below this number are the platform's own and get its default handling.
    static constexpr quint32 kFirstNotificationMessage = 0x9000;

    TMp3DecPlayer();
    ~TMp3DecPlayer();
    TMp3DecPlayer(const TMp3DecPlayer&) = delete;
    TMp3DecPlayer& operator=(const TMp3DecPlayer&) = delete;

    // Published properties.
    quint32 Priority() const;
    void SetPriority(quint32 value);
    QString Mp3DecPath;

    // Loads the library and creates the player. False when an entry is
    // missing; throws EMp3DecException when the library or the player
    // cannot be had.
    bool Init();
    void ResetExternalInterface();
    QString ErrorString(int Code);
    int GetVersion(quint8 Which);
    bool LibraryLoaded() const { return FLibrary != nullptr; }
    bool PlayerCreated() const { return FPlayer != nullptr; }

    // Commands. Each loads the library and makes the player when needed and
    // returns the library's result, or 0 when there is no player.
    int Synchronize();
    int Ping(int Value);
    int Play();
    int Pause();
    int Stop();
    int InputSeek(int Offset, int Range);
    int InputOpen(const QString& Name);
    int InputClose();
    int InputSendMessage(quint16 Kind, const void* Data, int Size);
    int InputAddFilter(const QString& Name, int Value);
    int InputRemoveFilter(const QString& Name, int Value);
    int InputFilterList();
    int InputModuleRegister(const QString& Name);
    int InputModuleQuery(int Module);
    int InputModulesList();
    int OutputOpen(const QString& Name);
    int OutputClose();
    int OutputSendMessage(quint16 Kind, const void* Data, int Size);
    int OutputMute();
    int OutputUnmute();
    int OutputReset();
    int OutputDrain();
    int OutputAddFilter(const QString& Name, int Value);
    int OutputRemoveFilter(const QString& Name, int Value);
    int OutputFilterList();
    int OutputModuleRegister(const QString& Name);
    int OutputModuleQuery(int Module);
    int OutputModulesList();
    int CodecSendMessage(quint16 Kind, const void* Data, int Size);
    int CodecModuleRegister(const QString& Name);
    int CodecModuleQuery(int Module);
    int CodecModulesList();
    int SetPlayerMode(int Mode);
    int GetPlayerMode();
    int SetPlayerEnvironmentInteger(const QString& Name, int Value);
    int GetPlayerEnvironmentInteger(const QString& Name);
    int SetPlayerEnvironmentString(const QString& Name, const QString& Value);
    int GetPlayerEnvironmentString(const QString& Name);
    int UnsetPlayerEnvironment(const QString& Name);
    int SetInputName(const QString& Name);
    int GetInputName();
    int SetInputModule(int Module);
    int GetInputModule();
    int SetInputPositionRange(int Range);
    int GetInputPositionRange();
    int SetInputTimecodeGranularity(int Granularity);
    int GetInputTimecodeGranularity();
    int SetOutputName(const QString& Name);
    int GetOutputName();
    int SetOutputModule(int Module);
    int GetOutputModule();
    int SetOutputVolume(int MasterLevel, int PcmLevel, int Balance);
    int GetOutputVolume();
    int SetOutputChannels(int Channels);
    int GetOutputChannels();
    int SetOutputPorts(int Ports);
    int GetOutputPorts();
    int SetCodecQuality(quint8 Quality);
    int GetCodecQuality();
    int SetCodecEqualizer(const MP3_EqualizerInfo* Equalizer);
    int GetCodecEqualizer();
    int SetNotificationMask(int Mask);
    int GetNotificationMask();
    int SetDebugLevel(int Level);
    int GetDebugLevel();

    // The hidden window's procedure: turns one posted message into events.
    qintptr NotificationWndProc(quint32 Message, quintptr WParam, qintptr LParam);
    // Raises the event of one decoded notification (the procedure's last step).
    void DispatchNotification(const MP3_Message& Msg);

    // Published events.
    TNotifyMessageEvent OnNotifyMessage;
    TNotifyEvent OnNotifyReady;
    TNotifyAckEvent OnNotifyAck;
    TNotifyNackEvent OnNotifyNack;
    TNotifyPongEvent OnNotifyPong;
    TNotifyEvent OnNotifyExited;
    TNotifyPlayerStateEvent OnNotifyPlayerState;
    TNotifyPlayerModeEvent OnNotifyPlayerMode;
    TNotifyEnvironmentIntegerEvent OnNotifyPlayerEnvironmentInteger;
    TNotifyEnvironmentStringEvent OnNotifyPlayerEnvironmentString;
    TNotifyInputStateEvent OnNotifyInputState;
    TNotifyInputNameEvent OnNotifyInputName;
    TNotifyInputCapsEvent OnNotifyInputCaps;
    TNotifyInputPositionEvent OnNotifyInputPosition;
    TNotifyInputPositionRangeEvent OnNotifyInputPositionRange;
    TNotifyInputTimecodeEvent OnNotifyInputTimecode;
    TNotifyInputTimecodeGranularityEvent OnNotifyInputTimecodeGranularity;
    TNotifyInputModuleEvent OnNotifyInputModule;
    TNotifyInputModuleInfoEvent OnNotifyInputModuleInfo;
    TNotifyInputDeviceInfoEvent OnNotifyInputDeviceInfo;
    TNotifyInputFilterInfoEvent OnNotifyInputFilterInfo;
    TNotifyOutputStateEvent OnNotifyOutputState;
    TNotifyOutputNameEvent OnNotifyOutputName;
    TNotifyOutputCapsEvent OnNotifyOutputCaps;
    TNotifyOutputVolumeEvent OnNotifyOutputVolume;
    TNotifyOutputBalanceEvent OnNotifyOutputBalance;
    TNotifyOutputPcmLevelEvent OnNotifyOutputPcmLevel;
    TNotifyOutputMasterLevelEvent OnNotifyOutputMasterLevel;
    TNotifyOutputChannelsEvent OnNotifyOutputChannels;
    TNotifyOutputPortsEvent OnNotifyOutputPorts;
    TNotifyOutputModuleEvent OnNotifyOutputModule;
    TNotifyOutputModuleInfoEvent OnNotifyOutputModuleInfo;
    TNotifyOutputDeviceInfoEvent OnNotifyOutputDeviceInfo;
    TNotifyOutputFilterInfoEvent OnNotifyOutputFilterInfo;
    TNotifyStreamMimeTypeEvent OnNotifyStreamMimeType;
    TNotifyStreamDurationEvent OnNotifyStreamDuration;
    TNotifyStreamParametersEvent OnNotifyStreamParameters;
    TNotifyStreamPropertiesEvent OnNotifyStreamProperties;
    TNotifyCodecModuleEvent OnNotifyCodecModule;
    TNotifyCodecModuleInfoEvent OnNotifyCodecModuleInfo;
    TNotifyCodecDeviceInfoEvent OnNotifyCodecDeviceInfo;
    TNotifyCodecQualityEvent OnNotifyCodecQuality;
    TNotifyCodecEqualizerEvent OnNotifyCodecEqualizer;
    TNotifyNotificationMaskEvent OnNotifyNotificationMask;
    TNotifyDebugLevelEvent OnNotifyDebugLevel;
    TNotifyProgressEvent OnNotifyProgress;
    TNotifyDebugEvent OnNotifyDebug;
    TNotifyErrorEvent OnNotifyError;

private:
    // The library's entries, in the order they are resolved.
    struct Entries
    {
        decltype(&::player_new) player_new;
        decltype(&::player_delete) player_delete;
        decltype(&::player_set_priority) player_set_priority;
        decltype(&::player_get_priority) player_get_priority;
        decltype(&::mp3dec_error_string) mp3dec_error_string;
        decltype(&::mp3dec_get_version) mp3dec_get_version;
        decltype(&::control_message_send_N) send_N;
        decltype(&::control_message_send_P) send_P;
        decltype(&::control_message_send_S) send_S;
        decltype(&::control_message_send_SS) send_SS;
        decltype(&::control_message_send_SI) send_SI;
        decltype(&::control_message_send_IPI) send_IPI;
        decltype(&::control_message_send_I) send_I;
        decltype(&::control_message_send_II) send_II;
        decltype(&::control_message_send_III) send_III;
        decltype(&::control_message_send_IIII) send_IIII;
        decltype(&::control_win32_params_to_message) params_to_message;
    };

    bool EnsurePlayer();
    void LoadDecoderLibrary();
    void* ResolveExport(const char* name);
    int DecodeNotification(quint32 message, quintptr wparam, qintptr lparam, MP3_Message& record);

    int sendN(int code);
    int sendI(int code, int value);
    int sendS(int code, const QString& text);
    int sendSI(int code, const QString& text, int value);
    int sendIPI(int code, quint16 kind, const void* data, int size);

    MP3_Player* FPlayer = nullptr;
    quint32 FPriority = 3;
    QObject* FWindowHandle = nullptr;
    void* FLibrary = nullptr;
    Entries m_entries{};
    MP3_NotificationTarget m_target{};
};
