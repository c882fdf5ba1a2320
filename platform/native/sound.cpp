// Sounds of the native backend. Wave files play through ALSA's default
// device; the sounds of system events are the files the registry store
// names for them (the scheme ".Default" under AppEvents of the current
// user), so a host configures them as it would on Windows. There are no
// media devices behind the media control commands. The beep rings the
// terminal's bell.
#include <alsa/asoundlib.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/native/paths.h"
#include "platform/native/wave_file.h"
#include "platform/registry.h"
#include "platform/sound.h"

namespace plat {
namespace {

constexpr std::size_t kMaxSoundFile = 64u << 20; // bytes read of a sound file

// ALSA reports its failures on standard error unless told otherwise; the
// player answers false instead.
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

// The sound file registered for a system event: true when the event has a
// key (file empty when it is registered without a sound).
bool EventSound(const char* event, std::string* file) {
    if (!*event || std::strchr(event, '\\') || std::strchr(event, '/')) return false;
    std::string path = "AppEvents\\Schemes\\Apps\\.Default\\";
    path += event;
    path += "\\.Current";
    RegKey key = 0;
    if (reg_open_key(reg_root(RegRoot::CurrentUser), path.c_str(), false, &key) != 0) return false;
    char value[1024] = {};
    std::uint32_t type = 0, size = sizeof value - 1;
    const bool read = reg_query_value(key, "", &type, value, &size) == 0 &&
                      (type == regtype::String || type == regtype::ExpandString);
    reg_close(key);
    file->assign(read ? value : "");
    return true;
}

bool ReadFile(const char* name, std::vector<std::uint8_t>* out) {
    std::uint32_t error = 0;
    const int fd = detail::open_mapped(name, O_RDONLY, 0, &error);
    if (fd < 0) return false;
    std::uint8_t block[65536];
    for (;;) {
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n < 0) {
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        if (out->size() + static_cast<std::size_t>(n) > kMaxSoundFile) {
            ::close(fd);
            return false;
        }
        out->insert(out->end(), block, block + n);
    }
    ::close(fd);
    return true;
}

snd_pcm_format_t SampleFormat(unsigned bits) {
    switch (bits) {
    case 8:
        return SND_PCM_FORMAT_U8;
    case 16:
        return SND_PCM_FORMAT_S16_LE;
    case 24:
        return SND_PCM_FORMAT_S24_3LE;
    default:
        return SND_PCM_FORMAT_S32_LE;
    }
}

// One sound at a time, as the system's player: a new sound stops the one
// that plays. An asynchronous sound plays on the player's thread.
class Player {
public:
    ~Player() { Stop(); }

    bool Play(std::vector<std::uint8_t> bytes, const wave::Format& f, unsigned flags) {
        std::lock_guard<std::mutex> hold(lock_);
        if ((flags & snd::NoStop) && playing_) return false;
        StopLocked();
        snd_pcm_t* pcm = Open(f);
        if (!pcm) return false;
        if (!(flags & (snd::Async | snd::Loop))) return Write(pcm, bytes, f, false);
        stop_ = false;
        playing_ = true;
        const bool loop = (flags & snd::Loop) != 0;
        thread_ = std::thread([this, pcm, bytes = std::move(bytes), f, loop] {
            Write(pcm, bytes, f, loop);
            playing_ = false;
        });
        return true;
    }

    void Stop() {
        std::lock_guard<std::mutex> hold(lock_);
        StopLocked();
    }

private:
    void StopLocked() {
        if (!thread_.joinable()) return;
        stop_ = true;
        thread_.join();
        stop_ = false;
    }

    static snd_pcm_t* Open(const wave::Format& f) {
        static std::once_flag quiet;
        std::call_once(quiet, [] { snd_lib_error_set_handler(QuietAlsa); });
        snd_pcm_t* pcm = nullptr;
        if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, 0) < 0) return nullptr;
        if (snd_pcm_set_params(pcm, SampleFormat(f.bits), SND_PCM_ACCESS_RW_INTERLEAVED, f.channels,
                               f.rate, 1, 250000) < 0) {
            snd_pcm_close(pcm);
            return nullptr;
        }
        return pcm;
    }

    // Writes the samples (again and again while loop, until stopped),
    // then lets the device play them out; true when every frame went.
    bool Write(snd_pcm_t* pcm, const std::vector<std::uint8_t>& bytes, const wave::Format& f,
               bool loop) {
        const std::uint8_t* data = bytes.data() + f.data_offset;
        const snd_pcm_uframes_t frames = f.data_size / f.frame_bytes;
        bool complete = true;
        do {
            snd_pcm_uframes_t done = 0;
            while (done < frames && !stop_) {
                snd_pcm_uframes_t step = frames - done;
                if (step > 4096) step = 4096;
                snd_pcm_sframes_t n = snd_pcm_writei(pcm, data + done * f.frame_bytes, step);
                if (n < 0) n = snd_pcm_recover(pcm, static_cast<int>(n), 1);
                if (n < 0) {
                    complete = false;
                    break;
                }
                done += static_cast<snd_pcm_uframes_t>(n);
            }
            if (!complete) break;
        } while (loop && !stop_ && frames > 0);
        if (stop_) {
            snd_pcm_drop(pcm);
            complete = false;
        } else {
            snd_pcm_drain(pcm);
        }
        snd_pcm_close(pcm);
        return complete;
    }

    std::mutex lock_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> playing_{false};
};

Player& ThePlayer() {
    static Player player;
    return player;
}

bool PlayFile(const char* file, unsigned flags) {
    std::vector<std::uint8_t> bytes;
    if (!*file || !ReadFile(file, &bytes)) return false;
    wave::Format f;
    if (!wave::parse(bytes.data(), bytes.size(), &f)) return false;
    return ThePlayer().Play(std::move(bytes), f, flags);
}

// ------------------------------------------------- media control commands
// The interface's error numbers and texts that the native backend gives.
constexpr std::uint32_t kMciUnrecognizedCommand = 261;
constexpr std::uint32_t kMciInvalidDeviceName = 263;
constexpr std::uint32_t kMciDeviceNotInstalled = 306;
constexpr std::uint32_t kMciMissingDeviceName = 277;

struct MciError {
    std::uint32_t number;
    const char* text;
};
constexpr MciError kMciErrors[] = {
    {kMciUnrecognizedCommand, "The driver cannot recognize the specified command."},
    {kMciInvalidDeviceName, "The specified device is not open or is not recognized by MCI."},
    {kMciMissingDeviceName, "A device name must be specified for this command."},
    {kMciDeviceNotInstalled, "The specified device is not installed on the system. Use the "
                             "Drivers option in Control Panel to install the device."},
};

// The commands of the interface's command tables.
constexpr const char* kMciCommands[] = {
    "break",    "capability", "close",  "configure", "copy", "cue",   "cut",     "delete",
    "escape",   "freeze",     "info",   "load",      "open", "paste", "pause",   "play",
    "put",      "realize",    "record", "resume",    "save", "seek",  "set",     "setaudio",
    "setvideo", "signal",     "spin",   "status",    "step", "stop",  "sysinfo", "undo",
    "unfreeze", "update",     "where",  "window",
};
// Device types of the interface (as named in an open or compound command).
constexpr const char* kMciDeviceTypes[] = {
    "animation", "avivideo", "cdaudio",   "dat", "digitalvideo", "mpegvideo", "other",
    "overlay",   "scanner",  "sequencer", "vcr", "videodisc",    "waveaudio",
};

bool EqualsIgnoringCase(const std::string& a, const char* b) {
    if (a.size() != std::strlen(b)) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != b[i]) return false;
    return true;
}

// The next blank-separated word (a quoted word without its quotes).
std::string NextWord(const char*& p) {
    while (*p == ' ' || *p == '\t')
        ++p;
    std::string word;
    if (*p == '"') {
        ++p;
        while (*p && *p != '"')
            word += *p++;
        if (*p == '"') ++p;
        return word;
    }
    while (*p && *p != ' ' && *p != '\t')
        word += *p++;
    return word;
}

} // namespace

bool play_system_sound(const char* event_name) {
    std::string file;
    if (!event_name || !EventSound(event_name, &file) || file.empty()) return false;
    return PlayFile(file.c_str(), snd::Async | snd::NoDefault);
}

bool beep() {
    if (::isatty(2)) {
        const char bell = '\a';
        return ::write(2, &bell, 1) == 1;
    }
    return true;
}

bool play_sound(const char* name, unsigned flags) {
    if (!name) return false;
    std::string file;
    if (EventSound(name, &file)) return PlayFile(file.c_str(), flags);
    if (PlayFile(name, flags)) return true;
    if (flags & snd::NoDefault) return false;
    return EventSound(".Default", &file) && PlayFile(file.c_str(), flags);
}

std::uint32_t mci_send(const char* command, char* ret, std::size_t ret_size, Hwnd) {
    if (ret && ret_size) ret[0] = 0;
    const char* p = command ? command : "";
    const std::string verb = NextWord(p);
    bool known = false;
    for (const char* c : kMciCommands)
        if (EqualsIgnoringCase(verb, c)) known = true;
    if (!known) return kMciUnrecognizedCommand;
    const std::string device = NextWord(p);
    if (device.empty()) return kMciMissingDeviceName;
    // Nothing is ever open, so closing every device is done at once.
    if (EqualsIgnoringCase(verb, "close") && EqualsIgnoringCase(device, "all")) return 0;
    // A device type, alone or compound ("sequencer!file"), names a device
    // that would have to be installed; anything else is an alias or a file
    // that no open command opened.
    const std::string type = device.substr(0, device.find('!'));
    for (const char* t : kMciDeviceTypes)
        if (EqualsIgnoringCase(type, t)) return kMciDeviceNotInstalled;
    return kMciInvalidDeviceName;
}

bool mci_error_text(std::uint32_t error, char* out, std::size_t size) {
    if (!out || !size) return false;
    out[0] = 0;
    for (const MciError& e : kMciErrors) {
        if (e.number != error) continue;
        std::snprintf(out, size, "%s", e.text);
        return true;
    }
    return false;
}

} // namespace plat
