// The component's hidden-window procedure: posted messages in, events out.
#include "mp3decplayer.h"

namespace {

QString text(const char* s)
{
    return s ? QString::fromUtf8(s) : QString();
}

template <typename Event, typename... Args> void raise(const Event& event, Args&&... args)
{
    if (event)
        event(std::forward<Args>(args)...);
}

void raiseModuleInfo(const TNotifyModuleInfoEvent& event, TMp3DecPlayer* sender, const MP3_ModuleInfo& info)
{
    raise(event, sender, info.id, info.nb_devices, text(info.name), text(info.description));
}

void raiseDeviceInfo(const TNotifyDeviceInfoEvent& event, TMp3DecPlayer* sender, const MP3_DeviceInfo& info)
{
    raise(event, sender, info.module_id, info.index, info.flags, text(info.name), text(info.description));
}

void raiseFilterInfo(const TNotifyFilterInfoEvent& event, TMp3DecPlayer* sender, const MP3_FilterInfo& info)
{
    raise(event, sender, info.id, text(info.name));
}

} // namespace

qintptr TMp3DecPlayer::NotificationWndProc(quint32 Message, quintptr WParam, qintptr LParam)
{
    if (Message < kFirstNotificationMessage)
        return 0; // the platform's own messages: nothing of ours
    MP3_Message record{};
    if (DecodeNotification(Message, WParam, LParam, record) != 0)
        return 0;
    raise(OnNotifyMessage, this, record);
    DispatchNotification(record);
    return 0;
}

int TMp3DecPlayer::DecodeNotification(quint32 message, quintptr wparam, qintptr lparam, MP3_Message& record)
{
    if (!FPlayer)
        return -1;
    return m_entries.params_to_message(FPlayer, &record, message, wparam, lparam);
}

void TMp3DecPlayer::DispatchNotification(const MP3_Message& Msg)
{
    const auto& d = Msg.data;
    switch (Msg.code) {
    case MP3_NOTIFY_READY: raise(OnNotifyReady, this); break;
    case MP3_NOTIFY_ACK: raise(OnNotifyAck, this, d.ack.command); break;
    case MP3_NOTIFY_NACK: raise(OnNotifyNack, this, d.nack.command, d.nack.code); break;
    case MP3_NOTIFY_PONG: raise(OnNotifyPong, this, d.pong.tag); break;
    case MP3_NOTIFY_EXITED: raise(OnNotifyExited, this); break;
    case MP3_NOTIFY_PLAYER_STATE: raise(OnNotifyPlayerState, this, int(d.state.state)); break;
    case MP3_NOTIFY_PLAYER_MODE: raise(OnNotifyPlayerMode, this, int(d.mode.mode)); break;
    case MP3_NOTIFY_PLAYER_ENVIRONMENT_INTEGER:
        raise(OnNotifyPlayerEnvironmentInteger, this, text(d.environment_integer.name),
              int(d.environment_integer.value));
        break;
    case MP3_NOTIFY_PLAYER_ENVIRONMENT_STRING:
        raise(OnNotifyPlayerEnvironmentString, this, text(d.environment_string.name),
              text(d.environment_string.value));
        break;
    case MP3_NOTIFY_INPUT_STATE: raise(OnNotifyInputState, this, int(d.state.state)); break;
    case MP3_NOTIFY_INPUT_NAME: raise(OnNotifyInputName, this, text(d.name.name)); break;
    case MP3_NOTIFY_INPUT_CAPS: raise(OnNotifyInputCaps, this, d.caps.caps); break;
    case MP3_NOTIFY_INPUT_POSITION: raise(OnNotifyInputPosition, this, d.position.offset, d.position.range); break;
    case MP3_NOTIFY_INPUT_POSITION_RANGE: raise(OnNotifyInputPositionRange, this, int(d.range.range)); break;
    case MP3_NOTIFY_INPUT_TIMECODE:
        raise(OnNotifyInputTimecode, this, d.timecode.hours, d.timecode.minutes, d.timecode.seconds,
              d.timecode.fractions);
        break;
    case MP3_NOTIFY_INPUT_TIMECODE_GRANULARITY:
        raise(OnNotifyInputTimecodeGranularity, this, d.granularity.granularity);
        break;
    case MP3_NOTIFY_INPUT_MODULE: raise(OnNotifyInputModule, this, d.module.id); break;
    case MP3_NOTIFY_INPUT_MODULE_INFO: raiseModuleInfo(OnNotifyInputModuleInfo, this, d.module_info); break;
    case MP3_NOTIFY_INPUT_DEVICE_INFO: raiseDeviceInfo(OnNotifyInputDeviceInfo, this, d.device_info); break;
    case MP3_NOTIFY_INPUT_FILTER_INFO: raiseFilterInfo(OnNotifyInputFilterInfo, this, d.filter_info); break;
    case MP3_NOTIFY_OUTPUT_STATE: raise(OnNotifyOutputState, this, int(d.state.state)); break;
    case MP3_NOTIFY_OUTPUT_NAME: raise(OnNotifyOutputName, this, text(d.name.name)); break;
    case MP3_NOTIFY_OUTPUT_CAPS: raise(OnNotifyOutputCaps, this, d.caps.caps); break;
    case MP3_NOTIFY_OUTPUT_VOLUME:
        raise(OnNotifyOutputVolume, this, d.volume.master_level, d.volume.pcm_level, d.volume.balance);
        break;
    case MP3_NOTIFY_OUTPUT_BALANCE: raise(OnNotifyOutputBalance, this, d.volume.balance); break;
    case MP3_NOTIFY_OUTPUT_PCM_LEVEL: raise(OnNotifyOutputPcmLevel, this, d.volume.pcm_level); break;
    case MP3_NOTIFY_OUTPUT_MASTER_LEVEL: raise(OnNotifyOutputMasterLevel, this, d.volume.master_level); break;
    case MP3_NOTIFY_OUTPUT_CHANNELS: raise(OnNotifyOutputChannels, this, d.channels.channels); break;
    case MP3_NOTIFY_OUTPUT_PORTS: raise(OnNotifyOutputPorts, this, quint32(d.ports.ports)); break;
    case MP3_NOTIFY_OUTPUT_MODULE: raise(OnNotifyOutputModule, this, d.module.id); break;
    case MP3_NOTIFY_OUTPUT_MODULE_INFO: raiseModuleInfo(OnNotifyOutputModuleInfo, this, d.module_info); break;
    case MP3_NOTIFY_OUTPUT_DEVICE_INFO: raiseDeviceInfo(OnNotifyOutputDeviceInfo, this, d.device_info); break;
    case MP3_NOTIFY_OUTPUT_FILTER_INFO: raiseFilterInfo(OnNotifyOutputFilterInfo, this, d.filter_info); break;
    case MP3_NOTIFY_STREAM_MIME_TYPE: raise(OnNotifyStreamMimeType, this, text(d.name.name)); break;
    case MP3_NOTIFY_STREAM_DURATION: raise(OnNotifyStreamDuration, this, d.duration.duration); break;
    case MP3_NOTIFY_STREAM_PARAMETERS:
        raise(OnNotifyStreamParameters, this, d.stream_parameters.frequency, d.stream_parameters.bitrate,
              d.stream_parameters.nb_channels);
        break;
    case MP3_NOTIFY_STREAM_PROPERTIES:
        raise(OnNotifyStreamProperties, this, d.stream_properties.nb_properties, d.stream_properties.properties);
        break;
    // Quality and equaliser come before the three codec-module codes.
    case MP3_NOTIFY_CODEC_QUALITY: raise(OnNotifyCodecQuality, this, d.quality.quality); break;
    case MP3_NOTIFY_CODEC_EQUALIZER:
        if (d.equalizer.equalizer)
            raise(OnNotifyCodecEqualizer, this, *d.equalizer.equalizer);
        break;
    case MP3_NOTIFY_CODEC_MODULE: raise(OnNotifyCodecModule, this, d.module.id); break;
    case MP3_NOTIFY_CODEC_MODULE_INFO: raiseModuleInfo(OnNotifyCodecModuleInfo, this, d.module_info); break;
    case MP3_NOTIFY_CODEC_DEVICE_INFO: raiseDeviceInfo(OnNotifyCodecDeviceInfo, this, d.device_info); break;
    case MP3_NOTIFY_NOTIFICATION_MASK: raise(OnNotifyNotificationMask, this, d.mask.mask); break;
    case MP3_NOTIFY_DEBUG_LEVEL: raise(OnNotifyDebugLevel, this, d.debug_level.level); break;
    case MP3_NOTIFY_PROGRESS:
        raise(OnNotifyProgress, this, d.progress.source, d.progress.code, d.progress.value, text(d.progress.msg));
        break;
    case MP3_NOTIFY_DEBUG: raise(OnNotifyDebug, this, d.debug.source, d.debug.level, text(d.debug.msg)); break;
    case MP3_NOTIFY_ERROR: raise(OnNotifyError, this, d.error.source, d.error.code, text(d.error.msg)); break;
    default: break; // 96 to 99, below 73, above 123: only OnNotifyMessage
    }
}
