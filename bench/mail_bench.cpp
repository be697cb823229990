// Runs one mail job from the stored settings with a custom piece size ("20 MB"), which the command line
// cannot choose, and prints the wall time and the peak memory of the process. Used by bench/mail.

#include "job/JobDriver.h"
#include "settings/IniFileStore.h"
#include "settings/JobSettings.h"
#include "settings/Settings.h"
#include "shell/ConsoleShell.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>

#include <sys/resource.h>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s SOURCE CUSTOM-SIZE RECIPIENT\n", argv[0]);
        return 2;
    }
    IniFileStore store;
    Settings settings(store, QCoreApplication::applicationDirPath(), [] { return false; });
    SplitJob job;
    LoadJobDefaults(settings, job);
    job.SourceFile = QString::fromLocal8Bit(argv[1]);
    job.SizeIndex = 4;
    job.CustomSplitSize = QString::fromLocal8Bit(argv[2]);
    job.SendTo = QString::fromLocal8Bit(argv[3]);
    job.Subject = QStringLiteral("Bench");
    job.NoUI = true;
    job.SplitFolder.clear();
    ConsoleShell shell;
    const auto start = std::chrono::steady_clock::now();
    const bool sent = JobDriver(job, settings, shell).run();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("sent %d seconds %.3f peak_kib %ld\n", sent ? 1 : 0, seconds, usage.ru_maxrss);
    return sent ? 0 : 1;
}
