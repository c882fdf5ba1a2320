// The host entry point DoDaDllInit, driven the way a host drives it.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>

#include "host/context/entry_guard.h"
#include "host/context/process_state.h"
#include "host/context/script_context.h"
#include "host/context/settings.h"
#include "host/entry_points.h"
#include "platform/environment.h"
#include "platform/memory.h"
#include "platform/modules.h"
#include "platform/window_system.h"
#include "tests/unit/test_support.h"

namespace {

using jol::ScriptContext;

int g_release_notes = 0;
int g_other_notes = 0;

std::int32_t JOL_STDCALL CountingCallback(jol::ExtArg, jol::ExtArg, jol::ExtArg version,
                                          jol::ExtArg request, jol::ExtArg, jol::ExtArg,
                                          jol::ExtArg data_word, jol::ExtArg, jol::ExtArg,
                                          jol::ExtArg, jol::ExtArg, jol::ExtArg) {
    if (request == jol::notify::ContextRelease && version == jol::kExtenderInterfaceVersion &&
        data_word == 0)
        ++g_release_notes;
    else
        ++g_other_notes;
    return 0;
}

const char* AsText(jol::ExtenderEntry e) {
    return reinterpret_cast<const char*>(e);
}

class EntryPoints : public ::testing::Test {
protected:
    void SetUp() override {
        home_.emplace();
        context_ = plat::mem_alloc(sizeof(ScriptContext));
        vars_ = plat::mem_alloc(sizeof(jol::VarEntry) * 100);
        heap_ = plat::mem_alloc(8192);
        ASSERT_TRUE(context_ && vars_ && heap_);
    }
    void TearDown() override {
        for (plat::MemHandle h : {context_, vars_, heap_})
            if (h) plat::mem_free(h);
        home_.reset();
    }
    // Runs requests 1 to 3 as a host does.
    void Open() {
        ASSERT_EQ(DoDaDllInit(0, context_, 0, 1, 0, nullptr, nullptr), 52);
        ASSERT_EQ(DoDaDllInit(0, context_, vars_, 2, 100, "TESTHOST", "TESTHOST.INI"), 1);
        ASSERT_EQ(DoDaDllInit(0, context_, heap_, 3, 8192, "tag", nullptr), 1);
    }
    ScriptContext* Lock() { return static_cast<ScriptContext*>(plat::mem_lock(context_)); }
    void Unlock() { plat::mem_unlock(context_); }

    std::optional<test::TempHome> home_;
    plat::MemHandle context_ = 0, vars_ = 0, heap_ = 0;
};

TEST_F(EntryPoints, HandshakeAcceptsOnlyInterfaceNineteen) {
    EXPECT_EQ(DoDaDllInit(0, 0, 0x1300, 0, 0, nullptr, nullptr), 17840);
    EXPECT_EQ(DoDaDllInit(0, 0, 0xAB13CDu, 0, 0, nullptr, nullptr), 17840);
    for (std::uintptr_t bad : {0x1200u, 0x0013u, 0u}) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(DoDaDllInit(0, 0, bad, 0, 0, nullptr, nullptr), 0);
        std::string box = testing::internal::GetCapturedStderr();
        EXPECT_NE(box.find("DLL mismatch: Version Interface Incompatible"), std::string::npos)
            << box;
    }
}

TEST_F(EntryPoints, UnknownRequestsAndMissingContextsDoNothing) {
    for (short r : {short(-1), short(4), short(50), short(98), short(100), short(-32768)})
        EXPECT_EQ(DoDaDllInit(0, context_, 0, r, 0, nullptr, nullptr), 0) << r;
    EXPECT_EQ(DoDaDllInit(0, 0, 0, 1, 0, nullptr, nullptr), 0);
    EXPECT_EQ(DoDaDllInit(0, 0, vars_, 2, 10, "A", "B"), 0);
    EXPECT_EQ(DoDaDllInit(0, 0, heap_, 3, 100, "x", nullptr), 0);
    EXPECT_EQ(DoDaDllInit(0, 0, 0, 99, 0, nullptr, nullptr), 0);

    // A freed handle and a block too small for a context cannot be used.
    plat::MemHandle stale = plat::mem_alloc(sizeof(ScriptContext));
    plat::mem_free(stale);
    EXPECT_EQ(DoDaDllInit(0, stale, 0, 1, 0, nullptr, nullptr), 52);
    EXPECT_EQ(DoDaDllInit(0, stale, vars_, 2, 10, "A", "B"), 0);
    plat::MemHandle small = plat::mem_alloc(16);
    EXPECT_EQ(DoDaDllInit(0, small, 0, 1, 0, nullptr, nullptr), 52);
    EXPECT_EQ(DoDaDllInit(0, small, vars_, 2, 10, "A", "B"), 0);
    EXPECT_EQ(DoDaDllInit(0, small, heap_, 3, 100, "x", nullptr), 0);
    EXPECT_EQ(DoDaDllInit(0, small, 0, 99, 0, nullptr, nullptr), 0);
    EXPECT_EQ(plat::mem_lock_count(small), 0u);
    plat::mem_free(small);
}

TEST_F(EntryPoints, ContextInitialisationSetsDefaultsEveryTime) {
    ASSERT_EQ(DoDaDllInit(0, context_, 0, 1, 0x4000, nullptr, nullptr), 52);
    EXPECT_TRUE(jol::Process().initialised.load());
    ScriptContext* ctx = Lock();
    EXPECT_EQ(ctx->host_instance, 0x4000u);
    EXPECT_EQ(ctx->decimals, -1);
    EXPECT_EQ(ctx->pretty_dialogs, 1);
    EXPECT_EQ(ctx->sounds, 0);
    EXPECT_EQ(ctx->options.sendkey_delay, 25);
    EXPECT_NE(ctx->arrow_cursor, 0u);
    EXPECT_EQ(ctx->current_cursor, ctx->arrow_cursor);
    EXPECT_GT(ctx->font_metrics.height, 0);
    Unlock();
    EXPECT_EQ(plat::mem_lock_count(context_), 0u);

    // A second context is initialised the same way; the process state stays.
    plat::MemHandle second = plat::mem_alloc(sizeof(ScriptContext));
    jol::WriteSetting("MAIN", "Sounds", "1", jol::kLibraryIni);
    jol::WriteSetting("MAIN", "PrettyDialogs", "0", jol::kLibraryIni);
    EXPECT_EQ(DoDaDllInit(0, second, 0, 1, 0, nullptr, nullptr), 52);
    auto* other = static_cast<ScriptContext*>(plat::mem_lock(second));
    EXPECT_EQ(other->sounds, 1);
    EXPECT_EQ(other->pretty_dialogs, 0);
    plat::mem_unlock(second);
    plat::mem_free(second);
}

TEST_F(EntryPoints, VariableBindingStoresWindowTableAndNames) {
    ASSERT_EQ(DoDaDllInit(0, context_, 0, 1, 0, nullptr, nullptr), 52);
    plat::Hwnd top = test::CreateTestWindow(0);
    plat::Hwnd child = test::CreateTestWindow(top);
    ASSERT_TRUE(top && child);

    ASSERT_EQ(DoDaDllInit(top, context_, vars_, 2, 0x10064, "ASECTIONNAMEOFTWENTYFIVE", "HOST.INI"),
              1);
    ScriptContext* ctx = Lock();
    EXPECT_EQ(ctx->host_window, top);
    EXPECT_EQ(ctx->host_parent, top); // no parent: the window itself
    EXPECT_EQ(ctx->vars_handle, vars_);
    EXPECT_EQ(ctx->vars_capacity, 100); // low 16 bits of the capacity
    EXPECT_EQ(ctx->vars_count, 0);
    EXPECT_EQ(ctx->own_handle, context_);
    EXPECT_EQ(ctx->last_if, -1);
    EXPECT_STREQ(ctx->settings_section, "ASECTIONNAMEOFTWENT");
    EXPECT_STREQ(ctx->settings_ini, "HOST.INI");
    EXPECT_GT(ctx->default_window_bottom, 0);
    Unlock();

    // A capacity beyond the block is cut to what the block holds.
    ASSERT_EQ(DoDaDllInit(child, context_, vars_, 2, 5000, "S", "I"), 1);
    ctx = Lock();
    EXPECT_EQ(ctx->host_window, child);
    EXPECT_EQ(ctx->host_parent, top);
    EXPECT_EQ(ctx->vars_capacity, plat::mem_size(vars_) / sizeof(jol::VarEntry));
    Unlock();
    plat::destroy_window(child);
    plat::destroy_window(top);
}

TEST_F(EntryPoints, HeapBindingRecordsUsageTagOnlyWhenItChanges) {
    ASSERT_EQ(DoDaDllInit(0, context_, 0, 1, 0, nullptr, nullptr), 52);
    ASSERT_EQ(DoDaDllInit(0, context_, vars_, 2, 100, "TAGSECT", "X.INI"), 1);
    char stored[64];
    ASSERT_EQ(DoDaDllInit(0, context_, heap_, 3, 8192, "MyHost", nullptr), 1);
    ASSERT_EQ(jol::ReadSetting("DllUsage", "TAGSECT", "?", stored, sizeof stored, jol::kLibraryIni),
              1);
    EXPECT_STREQ(stored, "MyHost");
    // The same tag in other letter case is not written again.
    ASSERT_EQ(DoDaDllInit(0, context_, heap_, 3, 8192, "MYHOST", nullptr), 1);
    jol::ReadSetting("DllUsage", "TAGSECT", "?", stored, sizeof stored, jol::kLibraryIni);
    EXPECT_STREQ(stored, "MyHost");
    ASSERT_EQ(DoDaDllInit(0, context_, heap_, 3, 8192, "Other", nullptr), 1);
    jol::ReadSetting("DllUsage", "TAGSECT", "?", stored, sizeof stored, jol::kLibraryIni);
    EXPECT_STREQ(stored, "Other");

    ScriptContext* ctx = Lock();
    EXPECT_EQ(ctx->heap.handle, heap_);
    EXPECT_EQ(ctx->heap.size, 8192u);
    EXPECT_EQ(ctx->heap.base, nullptr); // no pointer survives the call
    Unlock();
    EXPECT_EQ(plat::mem_lock_count(heap_), 0u);

    // The per-drive directory variable names the current directory.
    char dir[300], name[] = "=?:", value[300];
    ASSERT_GT(plat::get_current_directory(dir, sizeof dir), 0u);
    name[1] = dir[0];
    ASSERT_GT(plat::get_env(name, value, sizeof value), 0u);
    EXPECT_STREQ(value, dir);

    // A size larger than the block is cut to the block; a heap that cannot
    // hold its own headers, or a stale block, is refused.
    ASSERT_EQ(DoDaDllInit(0, context_, heap_, 3, 60000, "Other", nullptr), 1);
    ctx = Lock();
    EXPECT_LE(ctx->heap.size, plat::mem_size(heap_));
    Unlock();
    plat::MemHandle tiny = plat::mem_alloc(16);
    EXPECT_EQ(DoDaDllInit(0, context_, tiny, 3, 16, "Other", nullptr), 0);
    plat::mem_free(tiny);
    EXPECT_EQ(DoDaDllInit(0, context_, tiny, 3, 16, "Other", nullptr), 0);
    EXPECT_EQ(plat::mem_lock_count(context_), 0u);
}

TEST_F(EntryPoints, ReleaseNotifiesOnceAndFreesSlots) {
    Open();
    g_release_notes = g_other_notes = 0;
    EXPECT_EQ(DoDaDllInit(0, context_, 0, 99, 0, nullptr, AsText(&CountingCallback)), 1);
    EXPECT_EQ(g_release_notes, 1);
    EXPECT_EQ(g_other_notes, 0);

    // Buffers left by a script are freed and their slots cleared.
    ScriptContext* ctx = Lock();
    plat::MemHandle buffer = plat::mem_alloc(100);
    ctx->buffers[3].block = buffer;
    ctx->buffers[3].size = 100;
    plat::mem_lock(buffer);
    Unlock();
    EXPECT_EQ(DoDaDllInit(0, context_, 0, 99, 0, nullptr, nullptr), 1);
    ctx = Lock();
    EXPECT_EQ(ctx->buffers[3].block, 0u);
    EXPECT_EQ(ctx->host_callback, nullptr);
    Unlock();
    EXPECT_EQ(plat::mem_size(buffer), 0u);
    EXPECT_EQ(g_release_notes, 1); // no callback the second time
}

// What the context holds when the host hears that it ends: the modules
// whose steps come before the notification have released, the later ones
// not yet.
struct ReleaseSeen {
    plat::MemHandle context = 0;
    bool notified = false;
    std::int32_t dlls = -1;
    plat::Module object_library = 0;
    plat::MemHandle file_buffer = 0, buffer = 0, environment = 0;
};
ReleaseSeen g_seen;

std::int32_t JOL_STDCALL WatchingCallback(jol::ExtArg, jol::ExtArg, jol::ExtArg,
                                          jol::ExtArg request, jol::ExtArg, jol::ExtArg,
                                          jol::ExtArg, jol::ExtArg, jol::ExtArg, jol::ExtArg,
                                          jol::ExtArg, jol::ExtArg) {
    if (request != jol::notify::ContextRelease) return 0;
    auto* ctx = static_cast<ScriptContext*>(plat::mem_lock(g_seen.context));
    g_seen.notified = true;
    g_seen.dlls = ctx->dlls.count;
    g_seen.object_library = ctx->object_library.module;
    g_seen.file_buffer = ctx->files[2].buffer;
    g_seen.buffer = ctx->buffers[1].block;
    g_seen.environment = ctx->private_env.handle;
    plat::mem_unlock(g_seen.context);
    return 0;
}

TEST_F(EntryPoints, ReleaseKeepsItsOrderAroundTheNotification) {
    Open();
    const plat::Module dll = plat::load_library(JOL_SAMPLE_EXTENDER);
    const plat::Module objects = plat::load_library(JOL_SAMPLE_EXTENDER);
    ASSERT_TRUE(dll && objects);
    const plat::MemHandle file_buffer = plat::mem_alloc(64);
    const plat::MemHandle buffer = plat::mem_alloc(64);
    const plat::MemHandle environment = plat::mem_alloc(64);
    ScriptContext* ctx = Lock();
    ctx->dlls.modules[4] = dll;
    ctx->dlls.count = 1;
    ctx->object_library.module = objects;
    ctx->files[2].buffer = file_buffer;
    ctx->buffers[1].block = buffer;
    ctx->buffers[1].size = 64;
    ctx->private_env.handle = environment;
    ctx->private_env.block = static_cast<char*>(plat::mem_lock(environment));
    Unlock();

    g_seen = ReleaseSeen{};
    g_seen.context = context_;
    EXPECT_EQ(DoDaDllInit(0, context_, 0, 99, 0, nullptr, AsText(&WatchingCallback)), 1);
    ASSERT_TRUE(g_seen.notified);
    EXPECT_EQ(g_seen.dlls, 0);
    EXPECT_EQ(g_seen.object_library, 0u);
    EXPECT_EQ(g_seen.file_buffer, file_buffer);
    EXPECT_EQ(g_seen.buffer, buffer);
    EXPECT_EQ(g_seen.environment, environment);

    ctx = Lock();
    EXPECT_EQ(ctx->dlls.modules[4], 0u);
    EXPECT_EQ(ctx->files[2].buffer, 0u);
    EXPECT_EQ(ctx->buffers[1].block, 0u);
    EXPECT_EQ(ctx->private_env.handle, 0u);
    EXPECT_EQ(ctx->private_env.block, nullptr);
    Unlock();
    for (plat::MemHandle h : {file_buffer, buffer, environment})
        EXPECT_EQ(plat::mem_size(h), 0u);
}

TEST(EntryGuard, SerialisesAndRefusesReentry) {
    jol::EntryGuard outer;
    ASSERT_TRUE(outer.entered());
    EXPECT_EQ(jol::EntryGuard::InProgress(), 1);
    // The message pump of a guarded call re-entering the entry point on the
    // same thread is refused rather than waiting for itself.
    EXPECT_EQ(DoDaDllInit(0, 0, 0x1300, 0, 0, nullptr, nullptr), 0);
    {
        jol::EntryGuard inner;
        EXPECT_FALSE(inner.entered());
    }
    EXPECT_EQ(jol::EntryGuard::InProgress(), 1);
}

TEST(EntryGuard, OtherThreadWaitsForTheGuard) {
    std::atomic<bool> done{false};
    std::thread t;
    {
        jol::EntryGuard held;
        t = std::thread([&] {
            EXPECT_EQ(DoDaDllInit(0, 0, 0x1300, 0, 0, nullptr, nullptr), 17840);
            done = true;
        });
        plat::sleep_ms(120);
        EXPECT_FALSE(done.load());
    }
    t.join();
    EXPECT_TRUE(done.load());
    EXPECT_EQ(jol::EntryGuard::InProgress(), 0);
}

TEST(LibraryVersion, ReportsTheVersionText) {
    char text[16];
    EXPECT_EQ(JolLibraryVersion(text, sizeof text), 6);
    EXPECT_STREQ(text, "2.3nbp");
    EXPECT_EQ(JolLibraryVersion(text, 3), 2);
    EXPECT_STREQ(text, "2.");
    EXPECT_EQ(JolLibraryVersion(nullptr, 10), 0);
}

} // namespace
