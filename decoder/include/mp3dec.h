/*
 * mp3dec: Vimbo's MP3/WAV decoder library.
 *
 * The player writes this library out of its own executable as "mp3dec.dll",
 * loads it with dlopen and looks each entry up by name. All entries use the C
 * calling convention and plain C types.
 *
 * The library runs an asynchronous player on threads of its own:
 *
 *  - player_new() creates a player and its thread. The caller hands over a
 *    notification target: the library posts every notification through
 *    target->post, from its own thread, one at a time and in order. The
 *    caller queues each post onto its main loop and, there, turns it back
 *    into a message with control_win32_params_to_message().
 *  - control_message_send_*() queue one command. The call returns at once:
 *    0 when the command was queued, a negative MP3DEC_ERR_* code when it was
 *    refused on the spot. Every queued command is answered later with an
 *    MP3_NOTIFY_ACK (done) or MP3_NOTIFY_NACK (refused, with an error code
 *    that mp3dec_error_string() explains); "get" commands are answered with
 *    the notification that carries the value, followed by the ack.
 *  - Commands are carried out in the order they were sent.
 *
 * Positions. While a stream plays the player reports MP3_NOTIFY_INPUT_POSITION
 * with an Offset measured in a Range. By default the range is the stream's
 * length in tenths of a second (rounded up), so one unit is 0.1 s of audio;
 * MP3_CMD_SET_INPUT_POSITION_RANGE chooses another range. As playback
 * advances every offset value is reported once, in order, none skipped
 * (a seek jumps, of course). Offsets follow what is heard: audio waiting in
 * the output queue is not counted as played.
 *
 * Output volume. MP3_CMD_SET_OUTPUT_VOLUME takes (MasterLevel, PcmLevel,
 * Balance). Levels run 0..100 on a perceptual scale: the gain is
 * (level/100)^3, so 50 is about -18 dB and 100 leaves the samples untouched.
 * Balance runs 0 (left only) .. 50 (centre) .. 100 (right only). -1 leaves
 * a field as it is; any other value outside 0..100 is held to the nearer
 * end. A player starts at 100, 100, 50. Levels are applied as the audio
 * leaves for the device: a change is heard at once, and a level sent along
 * with MP3_CMD_PLAY (commands already queued when the player serves it)
 * applies from the stream's first sample.
 *
 * Equaliser. MP3_CMD_SET_CODEC_EQUALIZER takes an MP3_EqualizerInfo: 64
 * signed values, 32 bands of the left channel then 32 of the right. Band i
 * covers i/32 .. (i+1)/32 of the Nyquist range. A value v in -80..+80 sets
 * the band's gain to v * 12/80 dB: 0 is flat, +80 is +12 dB, -80 is -12 dB.
 * Values outside the range are clamped. MP3 streams are equalised by the
 * decoder on its 32 sub-bands, WAV streams by a 32-band filter over the same
 * band edges.
 *
 * Threads: all entries may be called from any one thread (the player's
 * owner); a player must not be used after player_delete().
 */
#ifndef MP3DEC_H
#define MP3DEC_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(MP3DEC_BUILDING)
#define MP3DEC_API __attribute__((visibility("default")))
#else
#define MP3DEC_API
#endif

/* ---- Handles and the notification target ------------------------------ */

typedef struct MP3_Player MP3_Player;

/* The window-message number the library posts its notifications under.
 * Numbers from 0x9000 up are never used by the platform's own messages. */
#define MP3DEC_NOTIFY_MESSAGE 0x9001u

/* Where notifications go. `post` is called on the library's thread with
 * (context, message number, first parameter, second parameter); it must only
 * queue the three values for the owner's main loop and return quickly. */
typedef struct MP3_NotificationTarget {
    void (*post)(void *context, uint32_t message, uintptr_t wparam, intptr_t lparam);
    void *context;
} MP3_NotificationTarget;

/* ---- Error codes -------------------------------------------------------- */

#define MP3DEC_OK 0
#define MP3DEC_ERR_INVALID_PLAYER (-1)   /* null or deleted player */
#define MP3DEC_ERR_INVALID_ARGUMENT (-2) /* a null text, a value out of range */
#define MP3DEC_ERR_UNKNOWN_COMMAND (-3)  /* no such control code */
#define MP3DEC_ERR_WRONG_FORM (-4)       /* code sent with the wrong argument form */
#define MP3DEC_ERR_NOT_SUPPORTED (-5)    /* a code this engine has no use for */
#define MP3DEC_ERR_NO_INPUT (-6)         /* play or seek with no stream open */
#define MP3DEC_ERR_OPEN_FAILED (-7)      /* the file cannot be opened */
#define MP3DEC_ERR_DECODE (-8)           /* the stream cannot be decoded */
#define MP3DEC_ERR_OUTPUT (-9)           /* the audio output cannot be opened */
#define MP3DEC_ERR_QUEUE_FULL (-10)      /* too many commands waiting */
#define MP3DEC_ERR_NOT_FOUND (-11)       /* no environment value of that name */
#define MP3DEC_ERR_NOT_A_NOTIFICATION (-12) /* params_to_message: not ours */
#define MP3DEC_ERR_TRUNCATED (-13)       /* a file shorter than its header says */
#define MP3DEC_ERR_NO_MEMORY (-14)

/* ---- Control codes (commands) ------------------------------------------ */
/* Form: the control_message_send_* entry that carries the command. */

#define MP3_CMD_SYNCHRONIZE 2                       /* N: acked once all earlier commands are done */
#define MP3_CMD_PING 3                              /* I(tag): answered with MP3_NOTIFY_PONG(tag) */
#define MP3_CMD_PLAY 4                              /* N: start, or resume after pause */
#define MP3_CMD_PAUSE 5                             /* N: halt output, keep the position */
#define MP3_CMD_STOP 6                              /* N: halt output, back to the start */
#define MP3_CMD_INPUT_SEEK 7                        /* II(offset, range): go to offset/range; an offset
                                                       below 0 is the start, beyond range the end */
#define MP3_CMD_INPUT_OPEN 8                        /* S(path): open an MP3 or WAV file; replacing an
                                                       open stream reports no STOPPED state (a failed
                                                       open closes the old one and does) */
#define MP3_CMD_INPUT_CLOSE 9                       /* N */
#define MP3_CMD_INPUT_SEND_MESSAGE 10               /* IPI: not supported */
#define MP3_CMD_INPUT_ADD_FILTER 11                 /* SI: not supported */
#define MP3_CMD_INPUT_REMOVE_FILTER 12              /* SI: not supported */
#define MP3_CMD_INPUT_FILTER_LIST 13                /* N: not supported */
#define MP3_CMD_INPUT_MODULE_REGISTER 14            /* S: not supported */
#define MP3_CMD_INPUT_MODULE_QUERY 15               /* I: not supported */
#define MP3_CMD_INPUT_MODULES_LIST 16               /* N: not supported */
#define MP3_CMD_OUTPUT_OPEN 17                      /* S(device name, "" = default) */
#define MP3_CMD_OUTPUT_CLOSE 18                     /* N: release the audio device */
#define MP3_CMD_OUTPUT_SEND_MESSAGE 19              /* IPI: not supported */
#define MP3_CMD_OUTPUT_MUTE 20                      /* N: silence output, keep levels */
#define MP3_CMD_OUTPUT_UNMUTE 21                    /* N */
#define MP3_CMD_OUTPUT_RESET 22                     /* N: drop audio waiting in the output */
#define MP3_CMD_OUTPUT_DRAIN 23                     /* N: acked once waiting audio has played */
#define MP3_CMD_OUTPUT_ADD_FILTER 24                /* SI: not supported */
#define MP3_CMD_OUTPUT_REMOVE_FILTER 25             /* SI: not supported */
#define MP3_CMD_OUTPUT_FILTER_LIST 26               /* N: not supported */
#define MP3_CMD_OUTPUT_MODULE_REGISTER 27           /* S: not supported */
#define MP3_CMD_OUTPUT_MODULE_QUERY 28              /* I: not supported */
#define MP3_CMD_OUTPUT_MODULES_LIST 29              /* N: not supported */
#define MP3_CMD_CODEC_SEND_MESSAGE 30               /* IPI: not supported */
#define MP3_CMD_CODEC_MODULE_REGISTER 31            /* S: not supported */
#define MP3_CMD_CODEC_MODULE_QUERY 32               /* I: not supported */
#define MP3_CMD_CODEC_MODULES_LIST 33               /* N: not supported */
#define MP3_CMD_SET_PLAYER_MODE 34                  /* I(mode): stored, reported back */
#define MP3_CMD_GET_PLAYER_MODE 35                  /* N -> MP3_NOTIFY_PLAYER_MODE */
#define MP3_CMD_SET_PLAYER_ENVIRONMENT_INTEGER 36   /* SI(name, value) */
#define MP3_CMD_GET_PLAYER_ENVIRONMENT_INTEGER 37   /* S(name) -> ..._ENVIRONMENT_INTEGER */
#define MP3_CMD_SET_PLAYER_ENVIRONMENT_STRING 38    /* SS(name, value) */
#define MP3_CMD_GET_PLAYER_ENVIRONMENT_STRING 39    /* S(name) -> ..._ENVIRONMENT_STRING */
#define MP3_CMD_UNSET_PLAYER_ENVIRONMENT 40         /* S(name) */
#define MP3_CMD_SET_INPUT_NAME 41                   /* S: same as INPUT_OPEN */
#define MP3_CMD_GET_INPUT_NAME 42                   /* N -> MP3_NOTIFY_INPUT_NAME */
#define MP3_CMD_SET_INPUT_MODULE 43                 /* I: not supported */
#define MP3_CMD_GET_INPUT_MODULE 44                 /* N -> MP3_NOTIFY_INPUT_MODULE */
#define MP3_CMD_SET_INPUT_POSITION_RANGE 45         /* I(range > 0); 0 = tenths of a second again */
#define MP3_CMD_GET_INPUT_POSITION_RANGE 46         /* N -> MP3_NOTIFY_INPUT_POSITION_RANGE */
#define MP3_CMD_SET_INPUT_TIMECODE_GRANULARITY 47   /* I(milliseconds, > 0; default 1000) */
#define MP3_CMD_GET_INPUT_TIMECODE_GRANULARITY 48   /* N -> ..._TIMECODE_GRANULARITY */
#define MP3_CMD_SET_OUTPUT_NAME 49                  /* S: same as OUTPUT_OPEN */
#define MP3_CMD_GET_OUTPUT_NAME 50                  /* N -> MP3_NOTIFY_OUTPUT_NAME */
#define MP3_CMD_SET_OUTPUT_MODULE 51                /* I: not supported */
#define MP3_CMD_GET_OUTPUT_MODULE 52                /* N -> MP3_NOTIFY_OUTPUT_MODULE */
#define MP3_CMD_SET_OUTPUT_VOLUME 57                /* III(master, pcm, balance); see above */
#define MP3_CMD_GET_OUTPUT_VOLUME 58                /* N -> MP3_NOTIFY_OUTPUT_VOLUME */
#define MP3_CMD_SET_OUTPUT_CHANNELS 59              /* I: not supported */
#define MP3_CMD_GET_OUTPUT_CHANNELS 60              /* N -> MP3_NOTIFY_OUTPUT_CHANNELS */
#define MP3_CMD_SET_OUTPUT_PORTS 61                 /* I: not supported */
#define MP3_CMD_GET_OUTPUT_PORTS 62                 /* N -> MP3_NOTIFY_OUTPUT_PORTS */
#define MP3_CMD_SET_CODEC_QUALITY 63                /* I(0..255): stored, reported back */
#define MP3_CMD_GET_CODEC_QUALITY 64                /* N -> MP3_NOTIFY_CODEC_QUALITY */
#define MP3_CMD_SET_CODEC_EQUALIZER 65              /* P(MP3_EqualizerInfo *): copied at once */
#define MP3_CMD_GET_CODEC_EQUALIZER 66              /* N -> MP3_NOTIFY_CODEC_EQUALIZER */
#define MP3_CMD_SET_NOTIFICATION_MASK 69            /* I(MP3_NOTIFY_MASK_* bits) */
#define MP3_CMD_GET_NOTIFICATION_MASK 70            /* N -> MP3_NOTIFY_NOTIFICATION_MASK */
#define MP3_CMD_SET_DEBUG_LEVEL 71                  /* I(0..255): 1 reports output timing */
#define MP3_CMD_GET_DEBUG_LEVEL 72                  /* N -> MP3_NOTIFY_DEBUG_LEVEL */

/* ---- Notification codes ------------------------------------------------- */

#define MP3_NOTIFY_READY 73                   /* the player thread runs */
#define MP3_NOTIFY_ACK 74                     /* ack: command */
#define MP3_NOTIFY_NACK 75                    /* nack: command, code */
#define MP3_NOTIFY_PONG 76                    /* pong: tag */
#define MP3_NOTIFY_EXITED 77                  /* the player thread ended */
#define MP3_NOTIFY_PLAYER_STATE 78            /* state: MP3_PLAYER_STATE_* */
#define MP3_NOTIFY_PLAYER_MODE 79             /* mode */
#define MP3_NOTIFY_PLAYER_ENVIRONMENT_INTEGER 80 /* environment_integer */
#define MP3_NOTIFY_PLAYER_ENVIRONMENT_STRING 81  /* environment_string */
#define MP3_NOTIFY_INPUT_STATE 82             /* state: MP3_INPUT_STATE_* */
#define MP3_NOTIFY_INPUT_NAME 83              /* name */
#define MP3_NOTIFY_INPUT_CAPS 84              /* caps: MP3_INPUT_CAPS_* */
#define MP3_NOTIFY_INPUT_POSITION 85          /* position */
#define MP3_NOTIFY_INPUT_POSITION_RANGE 86    /* range */
#define MP3_NOTIFY_INPUT_TIMECODE 87          /* timecode: elapsed time of what is heard */
#define MP3_NOTIFY_INPUT_TIMECODE_GRANULARITY 88 /* granularity (ms) */
#define MP3_NOTIFY_INPUT_MODULE 89            /* module */
#define MP3_NOTIFY_INPUT_MODULE_INFO 90       /* module_info */
#define MP3_NOTIFY_INPUT_DEVICE_INFO 91       /* device_info */
#define MP3_NOTIFY_INPUT_FILTER_INFO 92       /* filter_info */
#define MP3_NOTIFY_OUTPUT_STATE 93            /* state: MP3_OUTPUT_STATE_* */
#define MP3_NOTIFY_OUTPUT_NAME 94             /* name */
#define MP3_NOTIFY_OUTPUT_CAPS 95             /* caps */
/* 96 to 99 are reserved */
#define MP3_NOTIFY_OUTPUT_VOLUME 100          /* volume */
#define MP3_NOTIFY_OUTPUT_BALANCE 101         /* volume (balance field) */
#define MP3_NOTIFY_OUTPUT_PCM_LEVEL 102       /* volume (pcm_level field) */
#define MP3_NOTIFY_OUTPUT_MASTER_LEVEL 103    /* volume (master_level field) */
#define MP3_NOTIFY_OUTPUT_CHANNELS 104        /* channels */
#define MP3_NOTIFY_OUTPUT_PORTS 105           /* ports */
#define MP3_NOTIFY_OUTPUT_MODULE 106          /* module */
#define MP3_NOTIFY_OUTPUT_MODULE_INFO 107     /* module_info */
#define MP3_NOTIFY_OUTPUT_DEVICE_INFO 108     /* device_info */
#define MP3_NOTIFY_OUTPUT_FILTER_INFO 109     /* filter_info */
#define MP3_NOTIFY_STREAM_MIME_TYPE 110       /* name: "audio/mpeg" or "audio/x-wav" */
#define MP3_NOTIFY_STREAM_DURATION 111        /* duration: whole seconds, rounded */
#define MP3_NOTIFY_STREAM_PARAMETERS 112      /* stream_parameters: Hz, kbit/s, channels */
#define MP3_NOTIFY_STREAM_PROPERTIES 113      /* stream_properties */
#define MP3_NOTIFY_CODEC_QUALITY 114          /* quality */
#define MP3_NOTIFY_CODEC_EQUALIZER 115        /* equalizer */
#define MP3_NOTIFY_CODEC_MODULE 116           /* module */
#define MP3_NOTIFY_CODEC_MODULE_INFO 117      /* module_info */
#define MP3_NOTIFY_CODEC_DEVICE_INFO 118      /* device_info */
#define MP3_NOTIFY_NOTIFICATION_MASK 119      /* mask */
#define MP3_NOTIFY_DEBUG_LEVEL 120            /* level */
#define MP3_NOTIFY_PROGRESS 121               /* progress */
#define MP3_NOTIFY_DEBUG 122                  /* debug */
#define MP3_NOTIFY_ERROR 123                  /* error: readable text in msg */

#define MP3_PLAYER_STATE_STOPPED 0
#define MP3_PLAYER_STATE_PLAYING 1
#define MP3_PLAYER_STATE_PAUSED 2
#define MP3_PLAYER_STATE_EOS 3                /* the stream has played to its end */

#define MP3_INPUT_STATE_CLOSED 0
#define MP3_INPUT_STATE_OPEN 1
#define MP3_OUTPUT_STATE_CLOSED 0
#define MP3_OUTPUT_STATE_OPEN 1

#define MP3_INPUT_CAPS_CAN_SEEK 0x1u

/* Sources of errors, debug and progress notifications. */
#define MP3_SOURCE_PLAYER 0
#define MP3_SOURCE_INPUT 1
#define MP3_SOURCE_CODEC 2
#define MP3_SOURCE_OUTPUT 3

/* Notification mask bits: which unrequested notifications are posted.
 * Answers to "get" commands, acks and nacks are always posted. */
#define MP3_NOTIFY_MASK_STATE 0x01u      /* player, input and output states */
#define MP3_NOTIFY_MASK_POSITION 0x02u   /* input positions */
#define MP3_NOTIFY_MASK_TIMECODE 0x04u   /* time codes */
#define MP3_NOTIFY_MASK_STREAM 0x08u     /* mime type, duration, parameters */
#define MP3_NOTIFY_MASK_ERROR 0x10u      /* errors */
#define MP3_NOTIFY_MASK_DEBUG 0x20u      /* debug messages (see debug level) */
#define MP3_NOTIFY_MASK_ALL 0x3Fu        /* the default */

/* ---- Notification records ----------------------------------------------- */
/* The data area of an MP3_Message, by notification code. Texts are
 * zero-terminated strings owned by the library; they stay valid until the
 * next control_win32_params_to_message() on the same player. */

typedef struct MP3_EqualizerInfo {
    int8_t left[32];
    int8_t right[32];
} MP3_EqualizerInfo;

typedef struct MP3_Property {
    const char *name;
    const char *value;
} MP3_Property;

typedef struct { uint8_t command; } MP3_Ack;                                  /* 74 */
typedef struct { uint8_t command; uint8_t reserved; int16_t code; } MP3_Nack;  /* 75 */
typedef struct { uint32_t tag; } MP3_Pong;                                    /* 76 */
typedef struct { uint8_t state; } MP3_State;                                  /* 78, 82, 93 */
typedef struct { int32_t mode; } MP3_Mode;                                    /* 79 */
typedef struct { const char *name; int32_t value; } MP3_EnvironmentInteger;   /* 80 */
typedef struct { const char *name; const char *value; } MP3_EnvironmentString; /* 81 */
typedef struct { const char *name; } MP3_Name;                                /* 83, 94, 110 */
typedef struct { uint32_t caps; } MP3_Caps;                                   /* 84, 95 */
typedef struct { uint32_t offset; uint32_t range; } MP3_Position;             /* 85 */
typedef struct { int32_t range; } MP3_PositionRange;                          /* 86 */
typedef struct {
    uint8_t hours, minutes, seconds, fractions; /* fractions in hundredths */
} MP3_Timecode;                                                               /* 87 */
typedef struct { uint32_t granularity; } MP3_Granularity;                     /* 88 */
typedef struct { int16_t id; } MP3_Module;                                    /* 89, 106, 116 */
typedef struct {
    uint8_t id;
    uint8_t nb_devices;
    const char *name;
    const char *description;
} MP3_ModuleInfo;                                                             /* 90, 107, 117 */
typedef struct {
    uint8_t module_id;
    uint8_t index;
    uint8_t flags;
    const char *name;
    const char *description;
} MP3_DeviceInfo;                                                             /* 91, 108, 118 */
typedef struct { const char *name; uint8_t id; } MP3_FilterInfo;              /* 92, 109 */
typedef struct {
    uint8_t master_level, pcm_level, balance;
} MP3_Volume;                                                                 /* 100 to 103 */
typedef struct { uint8_t channels; } MP3_Channels;                            /* 104 */
typedef struct { uint8_t ports; } MP3_Ports;                                  /* 105 */
typedef struct { uint32_t duration; } MP3_Duration;                           /* 111 */
typedef struct {
    uint32_t frequency;  /* Hz */
    int16_t bitrate;     /* kbit/s, the stream's average */
    uint8_t nb_channels;
} MP3_StreamParameters;                                                       /* 112 */
typedef struct {
    uint32_t nb_properties;
    const MP3_Property *properties;
} MP3_StreamProperties;                                                       /* 113 */
typedef struct { uint8_t quality; } MP3_Quality;                              /* 114 */
typedef struct { const MP3_EqualizerInfo *equalizer; } MP3_Equalizer;         /* 115 */
typedef struct { uint32_t mask; } MP3_Mask;                                   /* 119 */
typedef struct { uint8_t level; } MP3_DebugLevel;                             /* 120 */
typedef struct {
    uint8_t source, code;
    int16_t value;
    const char *msg;
} MP3_Progress;                                                               /* 121 */
typedef struct {
    uint8_t source, level;
    const char *msg;
} MP3_Debug;                                                                  /* 122 */
typedef struct {
    uint8_t source;
    uint8_t reserved;
    int16_t code;  /* an MP3DEC_ERR_* code */
    const char *msg;
} MP3_Error;                                                                  /* 123 */

typedef struct MP3_Message {
    uint32_t code; /* an MP3_NOTIFY_* code */
    union {
        MP3_Ack ack;
        MP3_Nack nack;
        MP3_Pong pong;
        MP3_State state;
        MP3_Mode mode;
        MP3_EnvironmentInteger environment_integer;
        MP3_EnvironmentString environment_string;
        MP3_Name name;
        MP3_Caps caps;
        MP3_Position position;
        MP3_PositionRange range;
        MP3_Timecode timecode;
        MP3_Granularity granularity;
        MP3_Module module;
        MP3_ModuleInfo module_info;
        MP3_DeviceInfo device_info;
        MP3_FilterInfo filter_info;
        MP3_Volume volume;
        MP3_Channels channels;
        MP3_Ports ports;
        MP3_Duration duration;
        MP3_StreamParameters stream_parameters;
        MP3_StreamProperties stream_properties;
        MP3_Quality quality;
        MP3_Equalizer equalizer;
        MP3_Mask mask;
        MP3_DebugLevel debug_level;
        MP3_Progress progress;
        MP3_Debug debug;
        MP3_Error error;
        uint8_t raw[24];
    } data;
} MP3_Message;

/* ---- Entries ------------------------------------------------------------ */

/* Creates a player and starts its thread. Fills *player; returns 0, or a
 * negative MP3DEC_ERR_* code (a null argument, no memory, no audio system). */
MP3DEC_API int player_new(MP3_Player **player, const MP3_NotificationTarget *target);
/* Stops the player's thread, closes its file and output, frees it. Nothing
 * is posted after it returns. A null player is ignored. */
MP3DEC_API void player_delete(MP3_Player *player);
/* Scheduling priority of the player's thread, 1 (lowest) .. 7 (highest),
 * 4 being normal and the default. Higher than normal needs the right to
 * raise priorities; without it the thread keeps its scheduling. */
MP3DEC_API int player_set_priority(MP3_Player *player, int priority);
MP3DEC_API int player_get_priority(MP3_Player *player);

/* A readable text for an MP3DEC_ERR_* code; never null. */
MP3DEC_API const char *mp3dec_error_string(int code);
/* Version parts: which = 0 major, 1 minor, 2 patch; 0 for anything else. */
MP3DEC_API int mp3dec_get_version(uint8_t which);

/* Queue one command (see the control codes for the form each code takes).
 * Texts and the equaliser record are copied before the call returns. */
MP3DEC_API int control_message_send_N(MP3_Player *player, int code);
MP3DEC_API int control_message_send_P(MP3_Player *player, int code, const void *pointer);
MP3DEC_API int control_message_send_S(MP3_Player *player, int code, const char *text);
MP3DEC_API int control_message_send_SS(MP3_Player *player, int code, const char *text1,
                                       const char *text2);
MP3DEC_API int control_message_send_SI(MP3_Player *player, int code, const char *text, int value);
MP3DEC_API int control_message_send_IPI(MP3_Player *player, int code, int value1,
                                        const void *pointer, int value2);
MP3DEC_API int control_message_send_I(MP3_Player *player, int code, int value);
MP3DEC_API int control_message_send_II(MP3_Player *player, int code, int value1, int value2);
MP3DEC_API int control_message_send_III(MP3_Player *player, int code, int value1, int value2,
                                        int value3);
MP3DEC_API int control_message_send_IIII(MP3_Player *player, int code, int value1, int value2,
                                         int value3, int value4);

/* Turns a posted (message, wparam, lparam) back into a notification record.
 * Returns 0 when it was one of this player's notifications and *msg has been
 * filled; a non-zero MP3DEC_ERR_* code otherwise (anything else is left
 * alone and nothing is read through lparam unless the player posted it). */
MP3DEC_API int control_win32_params_to_message(MP3_Player *player, MP3_Message *msg,
                                               uint32_t message, uintptr_t wparam, intptr_t lparam);

#ifdef __cplusplus
}
#endif

#endif /* MP3DEC_H */
