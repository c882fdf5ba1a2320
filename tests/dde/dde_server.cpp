// joldde: a small DDE server for the DDE client tests. It offers the
// service "JolTest" with the topics "T", "T2", "T3" ... and, once registered, writes the
// file named by its argument, so the test knows it is ready. It runs until
// the test ends it by its process id.
//   execute  "[refuse]" is refused; any other command is kept as the
//            item "last"
//   poke     keeps the data under the item's name
//   request  "noterm": 16 bytes of text with no zero after them;
//            "slow": answers after 1.5 seconds; "nack": refused;
//            "empty": a lone zero; any other item: the data last kept
//            under its name, refused when there is none
#include <windows.h>

#include <ddeml.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

namespace {

const char* g_log = nullptr;
DWORD g_instance = 0;
HSZ g_service = nullptr;
std::map<std::string, std::string> g_items;

std::string NameOf(HSZ hsz) {
    char text[256] = {};
    DdeQueryStringA(g_instance, hsz, text, sizeof text, CP_WINANSI);
    return text;
}

std::string DataText(HDDEDATA data) {
    DWORD size = 0;
    const BYTE* bytes = DdeAccessData(data, &size);
    std::string text;
    if (bytes) {
        text.assign(reinterpret_cast<const char*>(bytes), size);
        DdeUnaccessData(data);
    }
    const std::size_t zero = text.find('\0');
    if (zero != std::string::npos) text.resize(zero);
    return text;
}

HDDEDATA Answer(HSZ item, const void* bytes, DWORD size) {
    return DdeCreateDataHandle(g_instance, static_cast<LPBYTE>(const_cast<void*>(bytes)), size, 0,
                               item, CF_TEXT, 0);
}

HDDEDATA CALLBACK Serve(UINT type, UINT format, HCONV, HSZ topic, HSZ item, HDDEDATA data,
                        ULONG_PTR, ULONG_PTR) {
    switch (type) {
    case XTYP_CONNECT:
        // The topics "T", "T2", "T3" and so on: one conversation per
        // topic at a time is what every DDE library allows.
        return reinterpret_cast<HDDEDATA>(static_cast<INT_PTR>(NameOf(topic)[0] == 'T'));
    case XTYP_EXECUTE: {
        const std::string command = DataText(data);
        if (command == "[refuse]") return reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED);
        g_items["last"] = command;
        return reinterpret_cast<HDDEDATA>(DDE_FACK);
    }
    case XTYP_POKE:
        if (format != CF_TEXT) return reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED);
        g_items[NameOf(item)] = DataText(data);
        return reinterpret_cast<HDDEDATA>(DDE_FACK);
    case XTYP_REQUEST: {
        if (format != CF_TEXT) return nullptr;
        const std::string name = NameOf(item);
        if (name == "noterm") return Answer(item, "0123456789abcdef", 16);
        if (name == "empty") return Answer(item, "", 1);
        if (name == "nack") return nullptr;
        if (name == "slow") {
            Sleep(1500);
            return Answer(item, "late", 5);
        }
        auto it = g_items.find(name);
        if (it == g_items.end()) return nullptr;
        return Answer(item, it->second.c_str(), static_cast<DWORD>(it->second.size() + 1));
    }
    case XTYP_DISCONNECT:
        if (FILE* f = std::fopen(g_log, "a")) {
            std::fprintf(f, "disconnect\n");
            std::fclose(f);
        }
        return nullptr;
    default:
        return nullptr;
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: joldde READY-FILE\n");
        return 2;
    }
    g_log = argv[1];
    if (DdeInitializeA(&g_instance, Serve,
                       APPCLASS_STANDARD | CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS,
                       0) != DMLERR_NO_ERROR)
        return 1;
    g_service = DdeCreateStringHandleA(g_instance, "JolTest", CP_WINANSI);
    if (!DdeNameService(g_instance, g_service, nullptr, DNS_REGISTER)) return 1;
    if (FILE* f = std::fopen(argv[1], "w")) {
        std::fprintf(f, "ready %lu\n", GetCurrentProcessId());
        std::fclose(f);
    }
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    DdeUninitialize(g_instance);
    return 0;
}
