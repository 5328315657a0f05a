// MP3 and WAV files through the decoder library's C entries: open, play to
// the end (or for a bounded time), and every notification turned back into
// its record on the way. The sound goes to the library's "null" output,
// which takes it as fast as it is decoded; SDL, started all the same, gets
// its dummy driver.
#include "fuzzfiles.h"
#include "mp3dec.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace {

// The longest one input may play; a stream claiming hours ends here.
constexpr auto kMostPlayTime = std::chrono::milliseconds(1500);

struct Posted
{
    uint32_t message;
    uintptr_t wparam;
    intptr_t lparam;
};

struct Mailbox
{
    std::mutex lock;
    std::condition_variable arrived;
    std::deque<Posted> posts;

    static void post(void* context, uint32_t message, uintptr_t wparam, intptr_t lparam)
    {
        auto* box = static_cast<Mailbox*>(context);
        const std::lock_guard hold(box->lock);
        box->posts.push_back({message, wparam, lparam});
        box->arrived.notify_one();
    }
};

// Reads what the player posts until the stream has ended or was refused, or
// the time is up.
void playOut(MP3_Player* player, Mailbox& box)
{
    const auto deadline = std::chrono::steady_clock::now() + kMostPlayTime;
    std::unique_lock hold(box.lock);
    for (;;) {
        if (!box.arrived.wait_until(hold, deadline, [&] { return !box.posts.empty(); }))
            return;
        const Posted p = box.posts.front();
        box.posts.pop_front();
        MP3_Message msg{};
        if (control_win32_params_to_message(player, &msg, p.message, p.wparam, p.lparam) != 0)
            continue;
        if (msg.code == MP3_NOTIFY_NACK && msg.data.nack.command != MP3_CMD_INPUT_SEEK)
            return; // the file was refused: nothing plays
        if (msg.code == MP3_NOTIFY_PLAYER_STATE && msg.data.state.state == MP3_PLAYER_STATE_EOS)
            return;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray path =
        fuzzing::WriteInput(QStringLiteral("fuzz.audio"), data, size).toLocal8Bit();
    Mailbox box;
    const MP3_NotificationTarget target{&Mailbox::post, &box};
    MP3_Player* player = nullptr;
    if (player_new(&player, &target) != 0)
        std::abort(); // no audio system: the run would test nothing
    control_message_send_S(player, MP3_CMD_OUTPUT_OPEN, "null");
    control_message_send_S(player, MP3_CMD_INPUT_OPEN, path.constData());
    control_message_send_N(player, MP3_CMD_PLAY);
    // A seek into the middle while playing decodes from a frame not at the start.
    control_message_send_II(player, MP3_CMD_INPUT_SEEK, 1, 2);
    playOut(player, box);
    player_delete(player);
    return 0;
}
