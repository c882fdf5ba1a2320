// Fuzz target: arbitrary bytes as a menu file, through the walk that
// builds menus and cuts out an item's code. Every line range must lie in
// the text, popups must open and close in nesting order, command items
// must be numbered in order, and the titles must stay within their
// buffers.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "host/menu_file.h"

namespace {

class Checker : public jol::MenuWalkSink {
public:
    explicit Checker(std::size_t length) : length_(length) {}
    int StartupLine(std::size_t s, std::size_t e) override {
        Range(s, e);
        return 0;
    }
    int PopupOpened(int k, const jol::MenuTitle& t) override {
        Title(t);
        if (k != open_ + 1 || k < 1 || k >= jol::kMenuLevels) std::abort();
        open_ = k;
        return 0;
    }
    int ItemLine(int k, int item, std::size_t s, std::size_t e, bool first) override {
        Range(s, e);
        if (k < 1 || k > jol::kMenuLevels || k != open_ + 1) std::abort();
        if (first && item != next_item_++) std::abort();
        return 0;
    }
    int ItemClosed(int k, int item, const jol::MenuTitle& t) override {
        Title(t);
        if (k != open_ + 1 || item != next_item_ - 1) std::abort();
        return 0;
    }
    int PopupClosed(int k, const jol::MenuTitle& t) override {
        Title(t);
        if (k != open_) std::abort();
        open_ = k - 1;
        return 0;
    }
    int open() const { return open_; }
    int items() const { return next_item_; }

private:
    void Range(std::size_t s, std::size_t e) const {
        if (s > e || e > length_ || e - s > 256) std::abort();
    }
    static void Title(const jol::MenuTitle& t) {
        if (std::strlen(t.caption) > jol::kMenuItemTextMax ||
            std::strlen(t.text) >= sizeof t.text || std::strlen(t.help) >= sizeof t.help)
            std::abort();
    }
    std::size_t length_;
    int open_ = 0;
    int next_item_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An exact copy, with nothing after it to read.
    std::unique_ptr<char[]> text(new char[size ? size : 1]);
    if (size) std::memcpy(text.get(), data, size);
    for (bool bar : {false, true}) {
        Checker check(size);
        jol::MenuWalkResult result;
        jol::WalkMenuFile(text.get(), size, bar, check, &result);
        // Whatever the outcome, every popup opened has been closed.
        if (check.open() != 0 || result.items != check.items()) std::abort();
        if (std::strlen(result.line) >= sizeof result.line) std::abort();
    }
    return 0;
}
