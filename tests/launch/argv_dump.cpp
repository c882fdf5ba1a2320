// jol_argv_dump: a program for the launching tests. It appends to the file
// named by JOL_ARGV_FILE one line per argument ("arg=" and the argument),
// its working directory ("cwd=") and its PATH ("path="); then, when
// JOL_ARGV_SLEEP gives milliseconds, it sleeps that long and appends
// "slept". It ends with the exit code JOL_ARGV_EXIT gives (0 without it).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

int main(int argc, char** argv) {
    const char* file = std::getenv("JOL_ARGV_FILE");
    if (!file) return 100;
    FILE* f = std::fopen(file, "ab");
    if (!f) return 101;
    for (int i = 1; i < argc; ++i)
        std::fprintf(f, "arg=%s\n", argv[i]);
    std::error_code ec;
    std::fprintf(f, "cwd=%s\n", std::filesystem::current_path(ec).string().c_str());
    const char* path = std::getenv("PATH");
    std::fprintf(f, "path=%s\n", path ? path : "");
    std::fclose(f);
    if (const char* ms = std::getenv("JOL_ARGV_SLEEP")) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(ms)));
        if ((f = std::fopen(file, "ab"))) {
            std::fprintf(f, "slept\n");
            std::fclose(f);
        }
    }
    const char* code = std::getenv("JOL_ARGV_EXIT");
    return code ? std::atoi(code) : 0;
}
