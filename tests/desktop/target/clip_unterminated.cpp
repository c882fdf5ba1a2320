// Puts 4096 bytes of text on the clipboard in a block with no zero in it,
// as a careless program may, says "ready" and keeps running (the
// clipboard keeps a program's data only while it runs, under Wine) until
// it is ended or a minute has passed.
#include <windows.h>

#include <cstdio>
#include <cstring>

int main() {
    const SIZE_T size = 4096;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block) return 1;
    char* p = static_cast<char*>(GlobalLock(block));
    if (!p) return 1;
    std::memset(p, 'x', size);
    GlobalUnlock(block);
    if (!OpenClipboard(nullptr)) return 2;
    EmptyClipboard();
    const bool put = SetClipboardData(CF_TEXT, block) != nullptr;
    CloseClipboard();
    if (!put) return 3;
    std::printf("ready\n");
    std::fflush(stdout);
    Sleep(60000);
    return 0;
}
