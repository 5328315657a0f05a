// Decoder benchmark, run on demand:
//   build/bench/decoder_bench [FILE.mp3]
// Without a file it makes a 5-minute 128 kbit/s MP3 with sox and lame.
// Reports the player thread's CPU seconds to decode and equalise the whole
// file as fast as the output takes it, mpg123's CPU seconds for the same file
// (mpg123 -q -w /dev/null), the process's peak memory, and the time from
// Play, and from a seek, to the first audio buffer handed to the output.
#include "mp3dec.h"
#include "peakmemory.h"

#include <dlfcn.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

std::mutex g_mutex;
std::deque<std::pair<uintptr_t, intptr_t>> g_posted;

void post(void*, uint32_t, uintptr_t w, intptr_t l)
{
    std::lock_guard lock(g_mutex);
    g_posted.emplace_back(w, l);
}

// Waits for a notification that `match` accepts; returns it, or code 0 on timeout.
template <typename Match> MP3_Message waitFor(MP3_Player* p, Match match, int timeoutSeconds = 600)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    while (std::chrono::steady_clock::now() < until) {
        std::deque<std::pair<uintptr_t, intptr_t>> batch;
        {
            std::lock_guard lock(g_mutex);
            batch.swap(g_posted);
        }
        for (auto [w, l] : batch) {
            MP3_Message m{};
            if (control_win32_params_to_message(p, &m, MP3DEC_NOTIFY_MESSAGE, w, l) == 0 && match(m))
                return m;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return MP3_Message{};
}

bool isState(const MP3_Message& m, int state)
{
    return m.code == MP3_NOTIFY_PLAYER_STATE && m.data.state.state == state;
}

// Microseconds from the first-buffer debug message.
long firstBufferMicros(MP3_Player* p)
{
    const MP3_Message m = waitFor(p, [](const MP3_Message& m) {
        return m.code == MP3_NOTIFY_DEBUG && std::strstr(m.data.debug.msg, "first buffer");
    });
    return m.code ? std::atol(std::strstr(m.data.debug.msg, "queued ") + 7) : -1;
}

// CPU time of the named thread of this process, from the scheduler's own
// nanosecond account (tick-sampled utime/stime is far too coarse here).
double threadCpuSeconds(const std::string& name)
{
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string threadName;
        std::getline(comm, threadName);
        if (threadName != name)
            continue;
        std::ifstream schedstat(task.path() / "schedstat");
        long long onCpuNs = -1;
        schedstat >> onCpuNs;
        return double(onCpuNs) / 1e9;
    }
    return -1;
}

double childCpuSeconds(std::vector<std::string> argv)
{
    std::vector<char*> args;
    for (auto& a : argv)
        args.push_back(a.data());
    args.push_back(nullptr);
    pid_t pid;
    if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0)
        return -1;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
}

long median(std::vector<long> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    std::string file;
    if (argc > 1) {
        file = argv[1];
    } else {
        const auto dir = std::filesystem::temp_directory_path() / "vimbo-bench";
        std::filesystem::create_directories(dir);
        file = (dir / "five-minutes.mp3").string();
        if (!std::filesystem::exists(file)) {
            const std::string wav = (dir / "five-minutes.wav").string();
            const std::string make = "sox -n -r 44100 -c 2 -b 16 '" + wav +
                                     "' synth 300 pinknoise synth 300 sine mix 220-880 vol 0.5 && lame --quiet -b 128 '" +
                                     wav + "' '" + file + "'";
            if (std::system(make.c_str()) != 0)
                return 1;
        }
    }
    // SDL's disk driver stands in for the sound card during the latency runs.
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);

    MP3_NotificationTarget target{post, nullptr};
    MP3_Player* p = nullptr;
    if (player_new(&p, &target) != 0)
        return 1;
    // The thread names itself when it starts: wait for that before reading its clock.
    waitFor(p, [](const MP3_Message& m) { return m.code == MP3_NOTIFY_READY; });
    MP3_EqualizerInfo eq{};
    for (int band = 0; band < 32; ++band)
        eq.left[band] = eq.right[band] = int8_t((band % 5 - 2) * 20); // a busy curve
    control_message_send_P(p, MP3_CMD_SET_CODEC_EQUALIZER, &eq);
    control_message_send_I(p, MP3_CMD_SET_DEBUG_LEVEL, 1);
    control_message_send_S(p, MP3_CMD_INPUT_OPEN, file.c_str());
    // The null output takes audio as fast as it comes: the decoder sets the pace.
    control_message_send_S(p, MP3_CMD_OUTPUT_OPEN, "null");

    const double cpuBefore = threadCpuSeconds("mp3dec player");
    const auto wallStart = std::chrono::steady_clock::now();
    control_message_send_N(p, MP3_CMD_PLAY);
    const long playLatency = firstBufferMicros(p);
    waitFor(p, [](const MP3_Message& m) { return isState(m, MP3_PLAYER_STATE_EOS); });
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    const double decodeCpu = threadCpuSeconds("mp3dec player") - cpuBefore;

    // Latencies through SDL at a realistic pace: plays from the start and seeks while playing.
    control_message_send_S(p, MP3_CMD_OUTPUT_OPEN, "");
    std::vector<long> plays{playLatency}, seeks;
    for (int i = 0; i < 10; ++i) {
        control_message_send_N(p, MP3_CMD_STOP);
        control_message_send_N(p, MP3_CMD_PLAY);
        plays.push_back(firstBufferMicros(p));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        control_message_send_II(p, MP3_CMD_INPUT_SEEK, 37 * (i + 1), 400);
        seeks.push_back(firstBufferMicros(p));
    }
    const long peak = peakMemoryKiB();
    player_delete(p);

    const double mpg123Cpu = childCpuSeconds({"mpg123", "-q", "-w", "/dev/null", file});
    std::printf("file: %s\n", file.c_str());
    std::printf("decode + equalise, player thread: %.2f CPU s (%.2f s wall)\n", decodeCpu, wall);
    std::printf("mpg123 -q -w /dev/null:           %.2f CPU s  -> ratio %.2f (goal <= 1.2)\n", mpg123Cpu,
                decodeCpu / mpg123Cpu);
    std::printf("peak memory (VmHWM) of the playing process: %ld KiB\n", peak);
    std::printf("Play -> first buffer: median %ld us over %zu; InputSeek -> first buffer: median %ld us over %zu "
                "(goal < 50000 us each)\n",
                median(plays), plays.size(), median(seeks), seeks.size());
    return 0;
}
