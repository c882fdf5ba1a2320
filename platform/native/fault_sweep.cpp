// The out-of-memory sweep's process split: fork, with the child's outputs
// sent to files of its own.
#include "platform/fault_sweep.h"

#ifdef JOL_FAULT_INJECTION
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace plat {
namespace {

bool redirect(const std::string& name, int fd, int how) {
    const int file = ::open(name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | how, 0644);
    if (file < 0) return false;
    const bool ok = ::dup2(file, fd) == fd;
    ::close(file);
    return ok;
}

void write_status(const std::string& prefix, const std::string& status) {
    if (std::FILE* f = std::fopen((prefix + ".status").c_str(), "w")) {
        std::fprintf(f, "%s\n", status.c_str());
        std::fclose(f);
    }
}

} // namespace

bool run_in_child(const std::string& prefix, unsigned seconds) {
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) {
        std::perror("jol faults: fork");
        end_process_now(2);
    }
    if (child == 0) {
        if (!redirect(prefix + ".stdout", 1, O_APPEND) ||
            !redirect(prefix + ".stderr", 2, O_APPEND))
            _exit(2);
        ::alarm(seconds);
        return true;
    }
    int status = 0;
    pid_t ended;
    while ((ended = ::waitpid(child, &status, 0)) < 0 && errno == EINTR)
        ;
    if (ended < 0)
        write_status(prefix, "lost");
    else if (WIFSIGNALED(status))
        write_status(prefix, "signal " + std::to_string(WTERMSIG(status)));
    else
        write_status(prefix, std::to_string(WEXITSTATUS(status)));
    return false;
}

bool send_outputs_to(const std::string& prefix) {
    std::fflush(nullptr);
    return redirect(prefix + ".stdout", 1, O_TRUNC) && redirect(prefix + ".stderr", 2, O_TRUNC);
}

void end_process_now(int status) {
    _exit(status);
}

} // namespace plat
#endif
