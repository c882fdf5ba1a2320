// Sounds and media through scripts: the sound player's answer, the media
// commands' notification (found only as a word of its own, waited for
// without a host window and without spinning, ended by a cancel), the
// closing of PlayMidi's alias after a failed play, and the error box of a
// failed command. A device of the test's own stands in for the media
// interface where a real one would have to play; natively ALSA's file
// plugin, in a private configuration, captures what the player played.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "host/context/script_context.h"
#include "lib/desktop/sound.h"
#include "platform/environment.h"
#include "platform/interrupt.h"
#include "platform/registry.h"
#include "platform/sound.h"
#include "platform/window_system.h"
#include "tests/unit/script_rig.h"

namespace {

using test::ScriptRig;

// The device of the tests: it records the commands and answers as told.
struct FakeDevice {
    std::vector<std::string> commands;
    std::uint32_t play_error = 0; // the error of a "play" command
    bool alias_open = false;      // an "open ... alias" not closed yet
    bool notify_at_once = true;   // post the end of a notified command at once
    plat::Hwnd last_notify = 0;
};
FakeDevice* g_device = nullptr;

bool StartsWith(const std::string& s, const char* prefix) {
    return s.compare(0, std::strlen(prefix), prefix) == 0;
}

std::uint32_t FakeSend(const char* command, char* ret, std::size_t ret_size, plat::Hwnd notify) {
    FakeDevice& d = *g_device;
    d.commands.push_back(command);
    d.last_notify = notify;
    if (ret_size) ret[0] = 0;
    const std::string c = command;
    if (StartsWith(c, "open ")) {
        if (d.alias_open) return 289; // the alias is taken
        d.alias_open = true;
    } else if (StartsWith(c, "close ")) {
        d.alias_open = false;
    } else if (StartsWith(c, "play ") && d.play_error) {
        return d.play_error;
    }
    if (StartsWith(c, "status")) std::snprintf(ret, ret_size, "stopped");
    if (notify && d.notify_at_once) plat::post_message(notify, plat::kMmMciNotify, 1, 0);
    return 0;
}

class Sound : public ::testing::Test {
protected:
    void SetUp() override {
        g_device = &device_;
        old_ = jol::SetMediaSender(FakeSend);
    }
    void TearDown() override {
        jol::SetMediaSender(old_);
        g_device = nullptr;
    }
    FakeDevice device_;
    jol::MediaSender old_ = nullptr;
};

TEST(SoundWords, NotifyIsAWordOfItsOwnAtTheEnd) {
    EXPECT_TRUE(jol::MediaCommandNotifies("PLAY X NOTIFY"));
    EXPECT_TRUE(jol::MediaCommandNotifies("PLAY X NOTIFY  "));
    EXPECT_TRUE(jol::MediaCommandNotifies("PLAY X\tNOTIFY"));
    // Names that hold the letters ask nothing of the device.
    EXPECT_FALSE(jol::MediaCommandNotifies("PLAY SEQUENCER!C:\\MUSIC\\NOTIFY.MID"));
    EXPECT_FALSE(jol::MediaCommandNotifies("PLAY XNOTIFY"));
    EXPECT_FALSE(jol::MediaCommandNotifies("PLAY NOTIFYX"));
    EXPECT_FALSE(jol::MediaCommandNotifies("NOTIFY"));
    // Followed by further words it does not make the library wait.
    EXPECT_FALSE(jol::MediaCommandNotifies("PLAY X NOTIFY WAIT"));
    EXPECT_FALSE(jol::MediaCommandNotifies(""));
}

TEST_F(Sound, SoundsSettingAndTheReturnText) {
    ScriptRig rig;
    ASSERT_TRUE(rig.ok());
    rig.Run("a = Sounds(5)\r\nb = Sounds(0)\r\nc = Sounds(0)\r\n"
            "r = PlayMedia(\"status x mode\")\r\n");
    EXPECT_EQ(rig.Var("a"), "0");
    EXPECT_EQ(rig.Var("b"), "1");
    EXPECT_EQ(rig.Var("c"), "0");
    EXPECT_EQ(rig.Var("r"), "stopped");
    // The command goes to the device as the script wrote it.
    ASSERT_EQ(device_.commands.size(), 1u);
    EXPECT_EQ(device_.commands[0], "status x mode");
    EXPECT_EQ(device_.last_notify, 0u);
}

TEST_F(Sound, NotifiedCommandWaitsWithoutAHostWindow) {
    // The rig's host gave no window: the library's own window is told.
    ScriptRig rig;
    ASSERT_TRUE(rig.ok());
    rig.Run("r = PlayMedia(\"play tune notify\")\r\ndone = 1\r\n");
    EXPECT_EQ(rig.Var("done"), "1");
    EXPECT_EQ(rig.Var("r"), "");
    ASSERT_EQ(device_.commands.size(), 1u);
    EXPECT_NE(device_.last_notify, 0u);
    EXPECT_FALSE(plat::is_window(device_.last_notify)); // gone after the wait
    auto* ctx = rig.Lock();
    EXPECT_EQ(ctx->media_done, 1);
    EXPECT_EQ(ctx->error_code, 0);
    rig.Unlock();
    // A name holding the letters is no request to be told: no wait, no
    // window.
    device_.notify_at_once = false;
    rig.Run("r = PlayMedia(\"play sequencer!C:\\MUSIC\\NOTIFY.MID\")\r\ndone = 2\r\n");
    EXPECT_EQ(rig.Var("done"), "2");
    EXPECT_EQ(device_.last_notify, 0u);
}

TEST_F(Sound, NotifiedWaitSleepsAndEndsOnCancel) {
    ScriptRig rig;
    ASSERT_TRUE(rig.ok());
    // The device says it finished after a while, from another thread: the
    // wait must not burn the processor meanwhile.
    device_.notify_at_once = false;
    std::thread finisher([this] {
        for (int i = 0; i < 200 && !device_.last_notify; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        plat::post_message(device_.last_notify, plat::kMmMciNotify, 1, 0);
    });
    const std::clock_t cpu = std::clock();
    const auto start = std::chrono::steady_clock::now();
    rig.Run("r = PlayMedia(\"play tune notify\")\r\ndone = 1\r\n");
    const auto spent = std::chrono::steady_clock::now() - start;
    const double cpu_ms = 1000.0 * static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC;
    finisher.join();
    EXPECT_EQ(rig.Var("done"), "1");
    EXPECT_GE(spent, std::chrono::milliseconds(350));
#if !defined(_WIN32)
    // (The Windows runtime's clock counts wall time, not the processor's.)
    EXPECT_LT(cpu_ms, 200.0) << "the wait spun";
#else
    (void)cpu_ms;
#endif

    // Nothing ever finishes: a cancel ends the wait.
    plat::watch_interrupt();
    std::thread canceller([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        plat::request_cancel();
    });
    const auto start2 = std::chrono::steady_clock::now();
    rig.Run("r = PlayMedia(\"play tune notify\")\r\ndone = 3\r\n");
    canceller.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start2, std::chrono::seconds(10));
    EXPECT_NE(rig.Var("done"), "3");
    plat::cancel_requested(); // nothing left pending for the next test
}

TEST_F(Sound, PlayMidiClosesItsAliasAfterAFailedPlay) {
    ScriptRig rig;
    ASSERT_TRUE(rig.ok());
    const std::string tune = rig.File("tune.mid", "MThd");
    device_.play_error = 277;
    const std::string run = "ErrorMode(@OFF)\r\na = PlayMidi(\"" + tune +
                            "\", 0)\r\nb = PlayMidi(\"" + tune + "\", 0)\r\n";
    rig.Run(run);
    EXPECT_EQ(rig.Var("a"), "0");
    EXPECT_EQ(rig.Var("b"), "0");
    // Both calls opened the alias (the second found it free), played and
    // closed it.
    ASSERT_EQ(device_.commands.size(), 6u);
    for (int call = 0; call < 2; ++call) {
        EXPECT_TRUE(StartsWith(device_.commands[3 * call], "open sequencer!"));
        EXPECT_NE(device_.commands[3 * call].find(" alias z6o3r8b5a"), std::string::npos);
        EXPECT_EQ(device_.commands[3 * call + 1], "play z6o3r8b5a notify");
        EXPECT_EQ(device_.commands[3 * call + 2], "close z6o3r8b5a");
    }
    EXPECT_FALSE(device_.alias_open);

    // A good play waits for its end and answers 1; mode 1 returns at once.
    device_.play_error = 0;
    device_.commands.clear();
    rig.Run("a = PlayMidi(\"" + tune + "\", 0)\r\nb = PlayMidi(\"" + tune + "\", 1)\r\n");
    EXPECT_EQ(rig.Var("a"), "1");
    EXPECT_EQ(rig.Var("b"), "1");
    ASSERT_EQ(device_.commands.size(), 4u);
    EXPECT_TRUE(StartsWith(device_.commands[3], "play sequencer!"));

    // A missing file is 1194.
    rig.Run("ErrorMode(@OFF)\r\nc = PlayMidi(\"jol-no-such-tune.mid\", 0)\r\ne = LastError()\r\n");
    EXPECT_EQ(rig.Var("e"), "1194");
}

TEST_F(Sound, FailedCommandIsReportedInABox) {
    // In @cancel mode the box (answered by nobody in the tests) reports
    // the interface's text and the run stops.
    device_.play_error = 263;
    ScriptRig rig;
    ASSERT_TRUE(rig.ok());
    rig.Run("ErrorMode(@CANCEL)\r\nr = PlayMedia(\"play jolnosuchalias\")\r\ndone = 1\r\n");
    EXPECT_EQ(rig.Var("done"), "<none>");
    EXPECT_EQ(rig.LastRun().error, 9013);
    auto* ctx = rig.Lock();
    const std::string stop = ctx->stop.message;
    rig.Unlock();
    char text[256];
    ASSERT_TRUE(plat::mci_error_text(263, text, sizeof text));
    EXPECT_NE(stop.find(text), std::string::npos) << stop;
    // @off: the failure is ignored, the text is empty.
    rig.Run("ErrorMode(@OFF)\r\nr = PlayMedia(\"play jolnosuchalias\")\r\ndone = 1\r\n");
    EXPECT_EQ(rig.Var("done"), "1");
    EXPECT_EQ(rig.Var("r"), "");
    // An error the interface has no text for is 1194.
    device_.play_error = 65000;
    rig.Run("ErrorMode(@CANCEL)\r\nr = PlayMedia(\"play jolnosuchalias\")\r\n");
    EXPECT_EQ(rig.LastRun().error, 1194);
}

#if !defined(_WIN32)
TEST(SoundErrors, NativeCommandsFailWithTheInterfaceTexts) {
    char ret[64] = "x";
    char text[256];
    EXPECT_EQ(plat::mci_send("play jolnosuchalias", ret, sizeof ret, 0), 263u);
    EXPECT_STREQ(ret, "");
    EXPECT_EQ(plat::mci_send("open sequencer!c:\\x.mid alias a", ret, sizeof ret, 0), 306u);
    EXPECT_EQ(plat::mci_send("open \"waveaudio\" alias a", ret, sizeof ret, 0), 306u);
    EXPECT_EQ(plat::mci_send("frobnicate x", ret, sizeof ret, 0), 261u);
    EXPECT_EQ(plat::mci_send("play", ret, sizeof ret, 0), 277u);
    EXPECT_EQ(plat::mci_send("close all", ret, sizeof ret, 0), 0u);
    for (std::uint32_t e : {261u, 263u, 277u, 306u}) {
        EXPECT_TRUE(plat::mci_error_text(e, text, sizeof text)) << e;
        EXPECT_GT(std::strlen(text), 10u);
    }
    EXPECT_FALSE(plat::mci_error_text(65000, text, sizeof text));
    EXPECT_STREQ(text, "");
}
#endif

// A wave file of 16-bit stereo samples at 8000 frames a second.
std::string WaveFile(const std::string& samples) {
    auto u32 = [](std::uint32_t v) {
        std::string s(4, '\0');
        for (int i = 0; i < 4; ++i)
            s[i] = static_cast<char>(v >> (8 * i));
        return s;
    };
    auto u16 = [](std::uint16_t v) {
        return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
    };
    std::string fmt = u16(1) + u16(2) + u32(8000) + u32(8000 * 4) + u16(4) + u16(16);
    std::string body = "WAVE" + std::string("fmt ") + u32(16) + fmt + "LIST" + u32(3) + "abc" +
                       std::string(1, '\0') + "data" +
                       u32(static_cast<std::uint32_t>(samples.size())) + samples;
    return "RIFF" + u32(static_cast<std::uint32_t>(body.size())) + body;
}

std::string Samples() {
    std::string s;
    for (int i = 0; i < 4000; ++i) {
        const auto v = static_cast<std::uint16_t>((i * 37) ^ (i << 5));
        s += static_cast<char>(v & 0xFF);
        s += static_cast<char>(v >> 8);
    }
    return s;
}

TEST(SoundPlayer, MissingSoundsPlayNothing) {
    ScriptRig rig;
    ASSERT_TRUE(rig.ok());
    const std::string cut = rig.File("cut.wav", WaveFile(Samples()).substr(0, 30));
    rig.Run("a = PlayWaveform(\"jol-no-such-sound.wav\", 2)\r\n"
            "b = PlayWaveform(\"" +
            cut +
            "\", 2)\r\n"
            "c = PlayWaveform(\"JolNoSuchEvent\", 99)\r\ne = LastError()\r\n");
    EXPECT_EQ(rig.Var("a"), "0");
    EXPECT_EQ(rig.Var("b"), "0");
#if !defined(_WIN32)
    // (Wine answers an asynchronous request before it looks.)
    EXPECT_EQ(rig.Var("c"), "0");
#endif
    EXPECT_EQ(rig.Var("e"), "0");
}

#if !defined(_WIN32)
// Points ALSA at a configuration of the test's own for the life of the
// object.
class AlsaConfig {
public:
    AlsaConfig(const std::string& file, const std::string& text) {
        std::ofstream(file) << text;
        const char* old = std::getenv("ALSA_CONFIG_PATH");
        had_ = old != nullptr;
        if (had_) old_ = old;
        ::setenv("ALSA_CONFIG_PATH", file.c_str(), 1);
    }
    ~AlsaConfig() {
        if (had_)
            ::setenv("ALSA_CONFIG_PATH", old_.c_str(), 1);
        else
            ::unsetenv("ALSA_CONFIG_PATH");
    }

private:
    bool had_ = false;
    std::string old_;
};

std::string ReadAll(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(SoundPlayer, WaveSamplesReachTheDevice) {
    ScriptRig rig;
    ASSERT_TRUE(rig.ok());
    const std::string samples = Samples();
    const std::string wave = rig.File("tone.wav", WaveFile(samples));
    const std::string out = rig.folder() + "/captured.raw";
    AlsaConfig config(rig.folder() + "/asound.conf",
                      "pcm.!default {\n type file\n slave.pcm \"jolnull\"\n file \"" + out +
                          "\"\n format \"raw\"\n}\npcm.jolnull {\n type null\n}\n");
    rig.Run("a = PlayWaveform(\"" + wave + "\", 0)\r\n");
    EXPECT_EQ(rig.Var("a"), "1");
    EXPECT_EQ(ReadAll(out), samples);

    // An event's sound is the file the registry store names for it.
    plat::RegKey key = 0;
    ASSERT_EQ(plat::reg_create_key(plat::reg_root(plat::RegRoot::CurrentUser),
                                   "AppEvents\\Schemes\\Apps\\.Default\\JolTestEvent\\.Current",
                                   &key),
              0u);
    plat::reg_set_value(key, "", plat::regtype::String, wave.c_str(),
                        static_cast<std::uint32_t>(wave.size() + 1));
    plat::reg_close(key);
    std::remove(out.c_str());
    rig.Run("b = PlayWaveform(\"JolTestEvent\", 0)\r\n");
    EXPECT_EQ(rig.Var("b"), "1");
    EXPECT_EQ(ReadAll(out), samples);
    // The cue plays it on the player's thread and comes back at once.
    std::remove(out.c_str());
    EXPECT_TRUE(plat::play_system_sound("JolTestEvent"));
    for (int i = 0; i < 200 && ReadAll(out).size() < samples.size(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(ReadAll(out), samples);
    plat::reg_delete_key(plat::reg_root(plat::RegRoot::CurrentUser),
                         "AppEvents\\Schemes\\Apps\\.Default\\JolTestEvent\\.Current");
}

TEST(SoundPlayer, NoDeviceIsNoSound) {
    ScriptRig rig;
    ASSERT_TRUE(rig.ok());
    const std::string wave = rig.File("tone.wav", WaveFile(Samples()));
    AlsaConfig config(rig.folder() + "/asound.conf", "# no devices\n");
    rig.Run("a = PlayWaveform(\"" + wave + "\", 0)\r\nb = PlayWaveform(\"" + wave + "\", 1)\r\n");
    EXPECT_EQ(rig.Var("a"), "0");
    EXPECT_EQ(rig.Var("b"), "0");
}
#endif

} // namespace
