#include "core/JobError.h"

#include "core/StringTable.h"

#include <cstring>

#include <sys/stat.h>

QString SystemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QString KindOfFile(unsigned mode) {
    if (S_ISLNK(mode))
        return Text(Res::KindLink);
    if (S_ISDIR(mode))
        return Text(Res::KindFolder);
    if (S_ISFIFO(mode))
        return Text(Res::KindFifo);
    if (S_ISSOCK(mode))
        return Text(Res::KindSocket);
    return Text(S_ISBLK(mode) ? Res::KindBlockDevice : Res::KindCharDevice);
}
