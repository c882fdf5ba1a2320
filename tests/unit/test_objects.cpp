// Automation objects from the library's side: the loading of the object
// interface library, what ObjectOpen, ObjectClose and member access pass
// it, and when objects are released, against the fake interface libraries
// of tests/objects, which log every call.
#include <gtest/gtest.h>

#include <string>

#include "dispatch/object_calls.h"
#include "platform/environment.h"
#include "platform/modules.h"
#include "tests/unit/script_rig.h"
#include "tests/unit/test_errors.h"

namespace {

using test::ScriptRig;

std::string ProgramPath(std::string path) {
#if defined(_WIN32)
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
#endif
    return path;
}

const std::string kFake = ProgramPath(JOL_FAKE_OBJECTS);
const std::string kPartial = ProgramPath(JOL_FAKE_OBJECTS_PARTIAL);
const std::string kRefusing = ProgramPath(JOL_FAKE_OBJECTS_REFUSE);

// The test variable set for one test, and taken away after it.
class UseLibrary {
public:
    explicit UseLibrary(const std::string& path) {
        plat::set_env(jol::kObjectLibraryTestVariable, path.c_str());
    }
    ~UseLibrary() { plat::set_env(jol::kObjectLibraryTestVariable, nullptr); }
};

// The fake's log, read through the fake itself (which this keeps loaded).
class FakeLog {
public:
    FakeLog() : module_(plat::load_library(kFake.c_str())) {
        if (module_)
            take_ =
                reinterpret_cast<TakeEntry>(plat::get_proc_address(module_, "FakeObjectsTakeLog"));
        Take();
    }
    ~FakeLog() {
        if (module_) plat::free_library(module_);
    }
    bool ok() const { return take_ != nullptr; }
    std::string Take() {
        if (!take_) return "<no log>";
        std::string out(65536, '\0');
        const int n = take_(out.data(), static_cast<int>(out.size()));
        out.resize(static_cast<std::size_t>(n) < out.size() ? static_cast<std::size_t>(n) : 0);
        return out;
    }

private:
    using TakeEntry = int (*)(char*, int);
    plat::Module module_ = 0;
    TakeEntry take_ = nullptr;
};

int Count(const std::string& text, const std::string& part) {
    int n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

TEST(Objects, LoadingNeedsTheSystemLibrariesAndTheInterfaceLibrary) {
    {
        ScriptRig rig;
        ASSERT_TRUE(rig.ok());
        rig.Run("d = ObjectOpen(\"No.Such.Object\")\r\n");
#if defined(_WIN32)
        // The 32-bit OLE libraries are there (Wine has no 16-bit one): the
        // load goes on to the interface library, found or not.
        EXPECT_NE(rig.LastRun().error, jol::Err::ObjectsSystemMissing);
#else
        // Linux has no OLE.
        EXPECT_EQ(rig.LastRun().error, jol::Err::ObjectsSystemMissing);
#endif
    }
    {
        UseLibrary use(ProgramPath(JOL_FAKE_OBJECTS) + ".missing");
        ScriptRig rig;
        rig.Run("d = ObjectOpen(\"Fake.Thing\")\r\n");
        EXPECT_EQ(rig.LastRun().error, jol::Err::ObjectLibraryMissing);
    }
    {
        // A refused handshake, and a missing entry, let the library go.
        UseLibrary use(kRefusing);
        ScriptRig rig;
        rig.Run("d = ObjectOpen(\"Fake.Thing\")\r\n");
        EXPECT_EQ(rig.LastRun().error, jol::Err::ObjectsRefused);
        EXPECT_EQ(plat::module_handle(kRefusing.c_str()), 0u);
        jol::ScriptContext* ctx = rig.Lock();
        EXPECT_EQ(ctx->object_library.module, 0u);
        rig.Unlock();
    }
    {
        UseLibrary use(kPartial);
        ScriptRig rig;
        rig.Run("d = ObjectOpen(\"Fake.Thing\")\r\n");
        EXPECT_EQ(rig.LastRun().error, jol::Err::ObjectLibraryLoad);
        EXPECT_EQ(plat::module_handle(kPartial.c_str()), 0u);
    }
    {
        // Without the interface library loaded, member access has nothing
        // to go to; ObjectClose does nothing.
        ScriptRig rig;
        rig.Run("x = ObjectClose(5)\r\nd = 1\r\ny = d.count\r\n");
        EXPECT_EQ(rig.Var("x"), "0");
        EXPECT_EQ(rig.LastRun().error, jol::Err::ObjectsNotInitialized);
    }
}

TEST(Objects, OpenMembersAndCloseReachTheInterfaceLibrary) {
    FakeLog log;
    ASSERT_TRUE(log.ok());
    UseLibrary use(kFake);
    {
        ScriptRig rig;
        ASSERT_TRUE(rig.ok());
        EXPECT_EQ(rig.Run("d = ObjectOpen(\"Fake.Thing\")\r\n"
                          "n = d.number\r\n"
                          "t = d.Text\r\n"
                          "r = d.real\r\n"
                          "x = d.echo(7)\r\n"
                          "y = d.echo(\"abc\", 1.5)\r\n"
                          "d.nothing()\r\n"
                          "d.comparemode = 1\r\n"
                          "d.name = \"words\"\r\n"
                          "c = d.child\r\n"
                          "e = d.echo(c)\r\n"
                          "deep = d.part.number\r\n"
                          "closed = ObjectClose(c)\r\n"),
                  1);
        EXPECT_EQ(rig.LastRun().error, 0);
        EXPECT_EQ(rig.Var("n"), "42");
        EXPECT_EQ(rig.Var("t"), "fake text");
        EXPECT_EQ(rig.Var("r"), "2.5");
        EXPECT_EQ(rig.Var("x"), "7");
        EXPECT_EQ(rig.Var("y"), "abc");
        EXPECT_EQ(rig.Var("e"), "0");
        EXPECT_EQ(rig.Var("deep"), "42");
        EXPECT_EQ(rig.Var("closed"), "1");
        const std::string text = log.Take();
        EXPECT_EQ(text, "handshake -2 version none empty\n"
                        "open t:Fake.Thing 0 65535\n"
                        "member d.number kind=1 count=0 handle=101\n"
                        "member d.Text kind=1 count=0 handle=101\n"
                        "member d.real kind=1 count=0 handle=101\n"
                        "member d.echo kind=1 count=1 handle=101 i:7\n"
                        "member d.echo kind=1 count=2 handle=101 t:abc f:1.5\n"
                        "member d.nothing kind=1 count=0 handle=101\n"
                        "member d.comparemode kind=2 count=1 handle=101 i:1\n"
                        "member d.name kind=2 count=1 handle=101 t:words\n"
                        "member d.child kind=1 count=0 handle=101\n"
                        "member d.echo kind=1 count=1 handle=101 o:102\n"
                        "member d.part.number kind=1 count=0 handle=101\n"
                        "close o:102 0 0\n");
    }
    // The context's end shuts the interface library down.
    EXPECT_EQ(log.Take(), "shutdown\n");
}

TEST(Objects, InterfaceLibraryErrorsAreReported) {
    FakeLog log;
    UseLibrary use(kFake);
    ScriptRig rig;
    rig.Run("ErrorMode(@OFF)\r\n"
            "d = ObjectOpen(\"No.Such.Object\")\r\n"
            "a = LastError()\r\n"
            "d = ObjectOpen(\"Fake.Thing\")\r\n"
            "x = d.fail\r\n"
            "b = LastError()\r\n"
            "c = d\r\n"
            "ObjectClose(d)\r\n"
            "y = c.number\r\n"
            "f = LastError()\r\n"
            "z = ObjectClose(d)\r\n"
            "g = LastError()\r\n");
    EXPECT_EQ(rig.Var("a"), "1249");
    EXPECT_EQ(rig.Var("b"), "1259");
    // A handle that was closed is no object any more, in every copy.
    EXPECT_EQ(rig.Var("f"), "1255");
    EXPECT_EQ(rig.Var("g"), "1255");
}

// Each object is released once, when its last owner goes, and never after
// ObjectClose.
TEST(Objects, CopiesShareTheObjectAndTheLastOwnerReleasesIt) {
    FakeLog log;
    UseLibrary use(kFake);
    ScriptRig rig;
    ASSERT_TRUE(rig.ok());

    // b = a: two owners; dropping both releases once, with the second.
    rig.Run("a = ObjectOpen(\"Fake.Thing\")\r\nb = a\r\nDrop(a)\r\nn = b.number\r\n");
    EXPECT_EQ(rig.LastRun().error, 0);
    EXPECT_EQ(rig.Var("n"), "42");
    std::string text = log.Take();
    EXPECT_EQ(Count(text, "release"), 0) << text;
    rig.Run("Drop(b)\r\n");
    EXPECT_EQ(log.Take(), "release 101 0\n");

    // A statement that only names the object releases nothing; a = a
    // keeps it; overwriting the variable releases it.
    rig.Run("a = ObjectOpen(\"Fake.Thing\")\r\na\r\na = a\r\nn = a.number\r\n");
    EXPECT_EQ(rig.LastRun().error, 0);
    text = log.Take();
    EXPECT_EQ(Count(text, "release"), 0) << text;
    rig.Run("a = 0\r\n");
    EXPECT_EQ(log.Take(), "release 102 0\n");

    // After ObjectClose no release follows, whatever holds the handle.
    rig.Run("a = ObjectOpen(\"Fake.Thing\")\r\nb = a\r\nObjectClose(a)\r\na = 5\r\nDrop(b)\r\n");
    EXPECT_EQ(rig.LastRun().error, 0);
    text = log.Take();
    EXPECT_EQ(Count(text, "close o:103"), 1) << text;
    EXPECT_EQ(Count(text, "release"), 0) << text;

    // An object nobody takes goes at the end of its statement, and so does
    // one made only to be an argument (after the call that uses it).
    rig.Run("ObjectOpen(\"Fake.Thing\")\r\n");
    EXPECT_EQ(log.Take(), "open t:Fake.Thing 0 65535\nrelease 104 0\n");
    rig.Run("d = ObjectOpen(\"Fake.Thing\")\r\nx = d.echo(d.child)\r\n");
    EXPECT_EQ(log.Take(), "open t:Fake.Thing 0 65535\n"
                          "member d.child kind=1 count=0 handle=105\n"
                          "member d.echo kind=1 count=1 handle=105 o:106\n"
                          "release 106 0\n");

    // An object a member returns is owned by the variable it goes to.
    rig.Run("c = d.child\r\nc = 1\r\nd = 1\r\n");
    EXPECT_EQ(log.Take(), "member d.child kind=1 count=0 handle=105\n"
                          "release 107 0\n"
                          "release 105 0\n");
}

TEST(Objects, BinaryBuffersMarkedForObjectsGoBothWays) {
    FakeLog log;
    UseLibrary use(kFake);
    ScriptRig rig;
    rig.Run("d = ObjectOpen(\"Fake.Thing\")\r\n"
            "bb = BinaryAlloc(10)\r\n"
            "BinaryPokeStr(bb, 0, \"hi\")\r\n"
            "x = d.echo(bb)\r\n"
            "BinaryOleType(bb, 301, 0, 0, 0)\r\n"
            "x = d.echo(bb)\r\n"
            "d.fill(bb)\r\n"
            "s = BinaryPeekStr(bb, 0, BinaryEodGet(bb))\r\n");
    EXPECT_EQ(rig.LastRun().error, 0);
    EXPECT_EQ(rig.Var("s"), "XYZ");
    const std::string text = log.Take();
    // Before BinaryOleType the handle is a number like any other.
    EXPECT_NE(text.find("member d.echo kind=1 count=1 handle=101 i:987659\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("member d.echo kind=1 count=1 handle=101 b1/3:2/10:hi\n"),
              std::string::npos)
        << text;
}

#if defined(_WIN32)
// Real automation objects that the system (and Wine) ships, through the
// interface library we build.
class RealObjects : public ::testing::Test {
protected:
    UseLibrary use_{ProgramPath(JOL_OBJECT_INTERFACE)};
};

TEST_F(RealObjects, DictionaryPropertiesMethodsAndObjects) {
    ScriptRig rig;
    ASSERT_TRUE(rig.ok());
    rig.Run("d = ObjectOpen(\"Scripting.Dictionary\")\r\n"
            "d.Add(\"k\", \"v\")\r\n"
            "d.Add(\"n\", 5)\r\n"
            "d.Add(\"f\", 2.5)\r\n"
            "count = d.Count\r\n"
            "v = d.Item(\"k\")\r\n"
            "n = d.Item(\"n\") + 1\r\n"
            "f = d.Item(\"f\") == 2.5\r\n"
            "yes = d.Exists(\"k\")\r\n"
            "no = d.Exists(\"K\")\r\n"
            "d.Remove(\"k\")\r\n"
            "after = d.Count\r\n"
            "e = ObjectOpen(\"Scripting.Dictionary\")\r\n"
            "e.CompareMode = 1\r\n"
            "mode = e.CompareMode\r\n"
            "e.Add(\"Key\", 1)\r\n"
            "folded = e.Exists(\"KEY\")\r\n"
            "d.Add(\"inner\", e)\r\n"
            "Drop(e)\r\n"
            "inner = d.Item(\"inner\")\r\n"
            "innercount = inner.Count\r\n"
            "closed = ObjectClose(d)\r\n");
    EXPECT_EQ(rig.LastRun().error, 0);
    EXPECT_EQ(rig.Var("count"), "3");
    EXPECT_EQ(rig.Var("v"), "v");
    EXPECT_EQ(rig.Var("n"), "6");
    EXPECT_EQ(rig.Var("f"), "1");
    EXPECT_EQ(rig.Var("yes"), "1");
    EXPECT_EQ(rig.Var("no"), "0");
    EXPECT_EQ(rig.Var("after"), "2");
    EXPECT_EQ(rig.Var("mode"), "1");
    EXPECT_EQ(rig.Var("folded"), "1");
    EXPECT_EQ(rig.Var("innercount"), "1");
    EXPECT_EQ(rig.Var("closed"), "1");
}

TEST_F(RealObjects, FileSystemObjectAndErrors) {
    ScriptRig rig;
    ASSERT_TRUE(rig.ok());
    const std::string file = ProgramPath(rig.File("probe.txt", "12345"));
    const std::string made = ProgramPath(rig.File("made.txt", ""));
    rig.Run("ErrorMode(@OFF)\r\n"
            "fso = ObjectOpen(\"Scripting.FileSystemObject\")\r\n"
            "there = fso.FileExists(\"" +
            file +
            "\")\r\n"
            "missing = fso.FileExists(\"" +
            file +
            ".none\")\r\n"
            "f = fso.GetFile(\"" +
            file +
            "\")\r\n"
            "size = f.Size\r\n"
            "name = f.Name\r\n"
            "base = fso.GetBaseName(\"" +
            file +
            "\")\r\n"
            "ts = fso.CreateTextFile(\"" +
            made +
            "\", 1)\r\n"
            "ts.Write(\"written\")\r\n"
            "ts.Close()\r\n"
            "bad = ObjectOpen(\"No.Such.ProgId\")\r\n"
            "badcode = LastError()\r\n"
            "x = fso.NoSuchMember\r\n"
            "membercode = LastError()\r\n"
            "y = fso.GetFile(\"" +
            file +
            ".none\")\r\n"
            "raised = LastError()\r\n"
            "ObjectClose(f)\r\n"
            "z = f.Size\r\n"
            "stale = LastError()\r\n");
    EXPECT_EQ(rig.Var("there"), "1");
    EXPECT_EQ(rig.Var("missing"), "0");
    EXPECT_EQ(rig.Var("size"), "5");
    EXPECT_EQ(rig.Var("name"), "probe.txt");
    EXPECT_EQ(rig.Var("base"), "probe");
    EXPECT_EQ(rig.Var("badcode"), "1249");
    EXPECT_EQ(rig.Var("membercode"), "1256");
    EXPECT_EQ(rig.Var("raised"), "1259");
    EXPECT_EQ(rig.Var("stale"), "1255");
    std::ifstream in(made, std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content, "written");
}
#endif

} // namespace
