// Splits one file with a given piece size, with the checksum list and join script when "list" follows, and prints
// the wall time and the peak memory of the process. Used by bench/split for piece sizes the command line cannot
// choose.

#include "shell/Shell.h"
#include "split/SplitFile.h"

#include <QString>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <sys/resource.h>

namespace {

class QuietShell : public Shell {
public:
    MsgResult MsgBox(const MsgBoxRequest&) override { return MsgResult::Ok; }
    void ShowProgress(int, const QString&) override {}
    void SetBusy(bool) override {}
};

} // namespace

int main(int argc, char** argv) {
    const bool list = argc == 5 && std::strcmp(argv[4], "list") == 0;
    if (argc != 4 && !list) {
        std::fprintf(stderr, "usage: %s SOURCE PIECE-BYTES FOLDER [list]\n", argv[0]);
        return 2;
    }
    QuietShell shell;
    const auto start = std::chrono::steady_clock::now();
    const int count = SplitFile(QString::fromLocal8Bit(argv[1]), std::atoll(argv[2]), QString::fromLocal8Bit(argv[3]),
                                false, shell, list);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("pieces %d seconds %.3f peak_kib %ld\n", count, seconds, usage.ru_maxrss);
    return 0;
}
