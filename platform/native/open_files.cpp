#include "platform/native/open_files.h"

#include <sys/stat.h>

#include <map>
#include <mutex>

namespace plat::detail {
namespace {

struct Holder {
    dev_t dev;
    ino_t ino;
    bool reads;
    bool writes;
    int share;
};

struct Table {
    std::mutex lock;
    std::map<int, Holder> by_fd;
};

Table& table() {
    static Table t;
    return t;
}

} // namespace

void note_open(int fd, bool reads, bool writes, int share) {
    struct stat st;
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return;
    Table& t = table();
    std::lock_guard<std::mutex> hold(t.lock);
    t.by_fd[fd] = Holder{st.st_dev, st.st_ino, reads, writes, share};
}

void note_close(int fd) {
    Table& t = table();
    std::lock_guard<std::mutex> hold(t.lock);
    t.by_fd.erase(fd);
}

bool open_conflict(const std::string& posix, bool reads, bool writes, int share, bool removes) {
    struct stat st;
    if (::stat(posix.c_str(), &st) != 0) return false;
    Table& t = table();
    std::lock_guard<std::mutex> hold(t.lock);
    for (const auto& [fd, h] : t.by_fd) {
        if (h.dev != st.st_dev || h.ino != st.st_ino) continue;
        if (removes) return true;
        if (reads && !(h.share & 1)) return true;
        if (writes && !(h.share & 2)) return true;
        if (h.reads && !(share & 1)) return true;
        if (h.writes && !(share & 2)) return true;
    }
    return false;
}

} // namespace plat::detail
