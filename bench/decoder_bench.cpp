// Decoder benchmark, run on demand:
//   build/bench/decoder_bench [FILE.mp3]
// Without a file it makes a 5-minute 128 kbit/s MP3 with sox and lame.
// Reports the player thread's CPU seconds to decode and equalise the whole
// file as fast as the output takes it, mpg123's CPU seconds for the same file
// (mpg123 -q -w /dev/null), the process's peak memory, the time from Play,
// and from a seek, to the first audio buffer handed to the output, the level
// of a start's first 100 ms against the level set with it, and how soon a
// volume change is heard.
#include "mp3dec.h"
#include "peakmemory.h"

#include <dlfcn.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
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

// Root mean square of the left channel of 16-bit stereo frames [from, to).
double rms(const std::vector<int16_t>& pcm, size_t from, size_t to)
{
    to = std::min(to, pcm.size() / 2);
    double sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += double(pcm[2 * i]) * pcm[2 * i];
    return to > from ? std::sqrt(sum / double(to - from)) : 0;
}

// Starts the file as the player does (open, play, volume 50) into SDL's disk
// driver at the real pace, then raises the volume to 100 a second in.
// Prints the level of the first 100 ms against the level that follows, and
// how much audio after the change still played at the old level.
void levelRun(const std::string& file)
{
    const std::string dump = (std::filesystem::temp_directory_path() / "vimbo-bench-level.raw").string();
    setenv("SDL_DISKAUDIOFILE", dump.c_str(), 1);
    MP3_NotificationTarget target{post, nullptr};
    MP3_Player* p = nullptr;
    if (player_new(&p, &target) != 0)
        return;
    waitFor(p, [](const MP3_Message& m) { return m.code == MP3_NOTIFY_READY; });
    control_message_send_S(p, MP3_CMD_INPUT_OPEN, file.c_str());
    control_message_send_N(p, MP3_CMD_PLAY);
    control_message_send_III(p, MP3_CMD_SET_OUTPUT_VOLUME, -1, 50, -1);
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    const auto writtenAtChange = std::filesystem::file_size(dump) / 4;
    control_message_send_III(p, MP3_CMD_SET_OUTPUT_VOLUME, -1, 100, -1);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    player_delete(p);
    std::ifstream in(dump, std::ios::binary);
    std::vector<int16_t> pcm;
    const auto bytes = std::filesystem::file_size(dump);
    pcm.resize(bytes / 2);
    in.read(reinterpret_cast<char*>(pcm.data()), std::streamsize(pcm.size() * 2));
    std::filesystem::remove(dump);
    size_t first = 0;
    while (first < pcm.size() / 2 && pcm[2 * first] == 0 && pcm[2 * first + 1] == 0)
        ++first;
    const double head = rms(pcm, first, first + 4410);
    const double after = rms(pcm, first + 13230, first + 35280);
    // The change is heard where 10 ms blocks turn louder than twice the quiet level.
    size_t heard = writtenAtChange;
    while (heard + 441 <= pcm.size() / 2 && rms(pcm, heard, heard + 441) < 2 * after)
        heard += 441;
    std::printf("first 100 ms at volume 50: rms %.0f, 0.3-0.8 s: rms %.0f (ratio %.2f, goal 1)\n", head, after,
                head / after);
    // What was written when the command went out has been heard; the device
    // buffer being played then (1024 frames) is the most that can follow it.
    std::printf("volume 50 -> 100 heard within %.0f ms of the command: %.0f ms of audio at the old level after "
                "what had been written, plus at most one 1024-frame device buffer (goal <= 30 ms)\n",
                double(heard - writtenAtChange + 1024) * 1000 / 44100, double(heard - writtenAtChange) * 1000 / 44100);
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

    levelRun(file);
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
