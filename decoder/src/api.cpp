// The C entries. Every entry checks its player handle against the players
// that exist, so a null, stale or foreign handle is refused, not followed.
#include "mp3dec.h"
#include "player.h"

#include <cstring>
#include <mutex>
#include <new>
#include <set>

using mp3dec::Command;
using mp3dec::Form;
using mp3dec::Player;

struct MP3_Player
{
    Player player;
    explicit MP3_Player(const MP3_NotificationTarget& target) : player(target) {}
};

namespace {

std::mutex g_playersMutex;
std::set<MP3_Player*> g_players;

bool alive(MP3_Player* p)
{
    std::lock_guard lock(g_playersMutex);
    return p && g_players.count(p) != 0;
}

// Queues `command` after checking that `code` goes with `form`; a command
// that cannot be carried out is still queued, to be answered with its nack
// in order with the others.
int send(MP3_Player* p, int code, Form form, Command command)
{
    if (!alive(p))
        return MP3DEC_ERR_INVALID_PLAYER;
    command.code = code;
    const auto expected = mp3dec::formOf(code);
    if (!command.refusal) {
        if (!expected)
            command.refusal = MP3DEC_ERR_UNKNOWN_COMMAND;
        else if (*expected != form)
            command.refusal = MP3DEC_ERR_WRONG_FORM;
    }
    return p->player.send(std::move(command));
}

Command textCommand(const char* a, const char* b = "")
{
    Command c;
    if (!a || !b)
        c.refusal = MP3DEC_ERR_INVALID_ARGUMENT;
    else {
        c.text[0] = a;
        c.text[1] = b;
    }
    return c;
}

Command intCommand(int a, int b = 0, int c = 0, int d = 0)
{
    Command command;
    command.value[0] = a;
    command.value[1] = b;
    command.value[2] = c;
    command.value[3] = d;
    return command;
}

} // namespace

extern "C" {

MP3DEC_API int player_new(MP3_Player** player, const MP3_NotificationTarget* target)
{
    if (!player || !target || !target->post)
        return MP3DEC_ERR_INVALID_ARGUMENT;
    auto* p = new (std::nothrow) MP3_Player(*target);
    if (!p)
        return MP3DEC_ERR_NO_MEMORY;
    if (!p->player.running()) {
        delete p;
        return MP3DEC_ERR_NO_MEMORY;
    }
    {
        std::lock_guard lock(g_playersMutex);
        g_players.insert(p);
    }
    *player = p;
    return MP3DEC_OK;
}

MP3DEC_API void player_delete(MP3_Player* player)
{
    {
        std::lock_guard lock(g_playersMutex);
        if (!player || g_players.erase(player) == 0)
            return;
    }
    delete player;
}

MP3DEC_API int player_set_priority(MP3_Player* player, int priority)
{
    return alive(player) ? player->player.setPriority(priority) : MP3DEC_ERR_INVALID_PLAYER;
}

MP3DEC_API int player_get_priority(MP3_Player* player)
{
    return alive(player) ? player->player.priority() : MP3DEC_ERR_INVALID_PLAYER;
}

MP3DEC_API const char* mp3dec_error_string(int code)
{
    switch (code) {
    case MP3DEC_OK: return "No error";
    case MP3DEC_ERR_INVALID_PLAYER: return "No such player";
    case MP3DEC_ERR_INVALID_ARGUMENT: return "An argument is missing or out of range";
    case MP3DEC_ERR_UNKNOWN_COMMAND: return "Unknown command";
    case MP3DEC_ERR_WRONG_FORM: return "The command was sent with the wrong arguments";
    case MP3DEC_ERR_NOT_SUPPORTED: return "The command is not supported by this player";
    case MP3DEC_ERR_NO_INPUT: return "No stream is open";
    case MP3DEC_ERR_OPEN_FAILED: return "The file cannot be opened";
    case MP3DEC_ERR_DECODE: return "The file cannot be decoded";
    case MP3DEC_ERR_OUTPUT: return "The audio output cannot be opened";
    case MP3DEC_ERR_QUEUE_FULL: return "Too many commands are waiting";
    case MP3DEC_ERR_NOT_FOUND: return "No environment value of that name";
    case MP3DEC_ERR_NOT_A_NOTIFICATION: return "Not a notification of this player";
    case MP3DEC_ERR_TRUNCATED: return "The file is shorter than its header says";
    case MP3DEC_ERR_NO_MEMORY: return "Out of memory";
    default: return "Unknown error";
    }
}

MP3DEC_API int mp3dec_get_version(uint8_t which)
{
    switch (which) {
    case 0: return 1;
    case 1: return 0;
    case 2: return 0;
    default: return 0;
    }
}

MP3DEC_API int control_message_send_N(MP3_Player* player, int code)
{
    return send(player, code, Form::N, Command());
}

MP3DEC_API int control_message_send_P(MP3_Player* player, int code, const void* pointer)
{
    Command c;
    // Only the equaliser travels by pointer; its 64 bytes are copied now.
    if (!pointer)
        c.refusal = MP3DEC_ERR_INVALID_ARGUMENT;
    else if (code == MP3_CMD_SET_CODEC_EQUALIZER)
        std::memcpy(&c.equalizer, pointer, sizeof c.equalizer);
    return send(player, code, Form::P, std::move(c));
}

MP3DEC_API int control_message_send_S(MP3_Player* player, int code, const char* text)
{
    return send(player, code, Form::S, textCommand(text));
}

MP3DEC_API int control_message_send_SS(MP3_Player* player, int code, const char* text1, const char* text2)
{
    return send(player, code, Form::SS, textCommand(text1, text2));
}

MP3DEC_API int control_message_send_SI(MP3_Player* player, int code, const char* text, int value)
{
    Command c = textCommand(text);
    c.value[0] = value;
    return send(player, code, Form::SI, std::move(c));
}

MP3DEC_API int control_message_send_IPI(MP3_Player* player, int code, int value1, const void*, int value2)
{
    // No command of this form has a meaning here: the pointer is never read.
    return send(player, code, Form::IPI, intCommand(value1, value2));
}

MP3DEC_API int control_message_send_I(MP3_Player* player, int code, int value)
{
    return send(player, code, Form::I, intCommand(value));
}

MP3DEC_API int control_message_send_II(MP3_Player* player, int code, int value1, int value2)
{
    return send(player, code, Form::II, intCommand(value1, value2));
}

MP3DEC_API int control_message_send_III(MP3_Player* player, int code, int value1, int value2, int value3)
{
    return send(player, code, Form::III, intCommand(value1, value2, value3));
}

// A test build leaves this entry out to show that a library missing any
// entry is refused as a whole.
#ifndef MP3DEC_OMIT_SEND_IIII_FOR_TESTS
MP3DEC_API int control_message_send_IIII(MP3_Player* player, int code, int value1, int value2, int value3,
                                         int value4)
{
    return send(player, code, Form::IIII, intCommand(value1, value2, value3, value4));
}
#endif

MP3DEC_API int control_win32_params_to_message(MP3_Player* player, MP3_Message* msg, uint32_t message,
                                               uintptr_t wparam, intptr_t lparam)
{
    return alive(player) ? player->player.toMessage(msg, message, wparam, lparam) : MP3DEC_ERR_INVALID_PLAYER;
}

} // extern "C"
