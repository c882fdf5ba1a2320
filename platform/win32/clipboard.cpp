// The system's clipboard: plain text in movable memory blocks, screen
// snapshots as a device-dependent bitmap (with the system palette on a
// palette device).
#include <windows.h>

#include <cstring>
#include <vector>

#include "platform/clipboard.h"

namespace plat::clip {
namespace {

HWND hwnd_of(Hwnd w) {
    return reinterpret_cast<HWND>(w);
}

// A movable block holding len bytes and a terminator; null on failure.
HGLOBAL text_block(const char* text, std::size_t len) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, len + 1);
    if (!block) return nullptr;
    char* p = static_cast<char*>(GlobalLock(block));
    if (!p) {
        GlobalFree(block);
        return nullptr;
    }
    if (len) std::memcpy(p, text, len);
    p[len] = '\0';
    GlobalUnlock(block);
    return block;
}

} // namespace

bool available() {
    return true;
}

bool open(Hwnd owner) {
    return OpenClipboard(hwnd_of(owner)) != 0;
}

void close() {
    CloseClipboard();
}

Holds read_text(std::string* out) {
    out->clear();
    if (!IsClipboardFormatAvailable(CF_TEXT))
        return CountClipboardFormats() > 0 ? Holds::OtherOnly : Holds::Nothing;
    HANDLE block = GetClipboardData(CF_TEXT);
    if (!block) return Holds::Nothing;
    const char* p = static_cast<const char*>(GlobalLock(block));
    if (!p) return Holds::Nothing;
    // Another program's block need not hold a terminator: the text ends
    // at the first zero or at the block's end.
    const SIZE_T size = GlobalSize(block);
    out->assign(p, strnlen(p, size));
    GlobalUnlock(block);
    return Holds::Text;
}

bool empty() {
    return EmptyClipboard() != 0;
}

bool put_text(const char* text, std::size_t len) {
    HGLOBAL block = text_block(text, len);
    if (!block) return false;
    if (!SetClipboardData(CF_TEXT, block)) {
        GlobalFree(block);
        return false;
    }
    return true; // the block belongs to the clipboard now
}

bool foreground_rect(bool top_level, bool client, Rect* r) {
    HWND w = GetForegroundWindow();
    if (!w) return false;
    if (top_level) {
        for (HWND parent = GetParent(w); parent; parent = GetParent(w))
            w = parent;
    }
    RECT rc;
    if (client) {
        if (!GetClientRect(w, &rc)) return false;
        POINT corner{rc.left, rc.top}, end{rc.right, rc.bottom};
        ClientToScreen(w, &corner);
        ClientToScreen(w, &end);
        *r = Rect{corner.x, corner.y, end.x, end.y};
        return true;
    }
    if (!GetWindowRect(w, &rc)) return false;
    *r = Rect{rc.left, rc.top, rc.right, rc.bottom};
    return true;
}

bool screen_size(int* width, int* height) {
    *width = GetSystemMetrics(SM_CXSCREEN);
    *height = GetSystemMetrics(SM_CYSCREEN);
    return *width > 0 && *height > 0;
}

SnapResult snapshot(Hwnd owner, const Rect& r) {
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return SnapResult::NoBitmap;
    HDC screen = GetDC(nullptr);
    if (!screen) return SnapResult::NoBitmap;
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = memory ? CreateCompatibleBitmap(screen, width, height) : nullptr;
    if (!bitmap) {
        if (memory) DeleteDC(memory);
        ReleaseDC(nullptr, screen);
        return SnapResult::NoBitmap;
    }

    // The system palette, on a device that has one; a true-colour device
    // has none to give, and its bitmap needs none.
    HPALETTE palette = nullptr;
    const bool has_palette = (GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE) != 0;
    if (has_palette) {
        int size = GetDeviceCaps(screen, SIZEPALETTE);
        if (size <= 0) size = 20;
        if (size > 256) size = 256;
        std::vector<unsigned char> record(
            sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * static_cast<std::size_t>(size), 0);
        LOGPALETTE* lp = reinterpret_cast<LOGPALETTE*>(record.data());
        lp->palVersion = 0x300;
        lp->palNumEntries = static_cast<WORD>(size);
        GetSystemPaletteEntries(screen, 0, static_cast<UINT>(size), lp->palPalEntry);
        int reserved = 2;
        if (GetSystemPaletteUse(screen) == SYSPAL_STATIC) {
            reserved = GetDeviceCaps(screen, NUMCOLORS);
            if (reserved < 0) reserved = 0;
        }
        for (int i = 0; i < size; ++i)
            lp->palPalEntry[i].peFlags =
                (i >= reserved / 2 && i < size - reserved / 2) ? PC_NOCOLLAPSE : 0;
        palette = CreatePalette(lp);
        if (!palette) {
            DeleteObject(bitmap);
            DeleteDC(memory);
            ReleaseDC(nullptr, screen);
            return SnapResult::NoPalette;
        }
    }

    HGDIOBJ old_bitmap = SelectObject(memory, bitmap);
    HPALETTE old_palette = nullptr;
    if (palette) {
        old_palette = SelectPalette(screen, palette, FALSE);
        RealizePalette(screen);
    }
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    if (palette) SelectPalette(screen, old_palette, FALSE);
    SelectObject(memory, old_bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    if (!OpenClipboard(hwnd_of(owner))) {
        DeleteObject(bitmap);
        if (palette) DeleteObject(palette);
        return SnapResult::NotOpened;
    }
    EmptyClipboard();
    // From here on the bitmap and the palette belong to the clipboard.
    if (!SetClipboardData(CF_BITMAP, bitmap)) DeleteObject(bitmap);
    if (palette && !SetClipboardData(CF_PALETTE, palette)) DeleteObject(palette);
    CloseClipboard();
    return SnapResult::Ok;
}

} // namespace plat::clip
