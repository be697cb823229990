#include "app/Display.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>

#include <cstring>
#include <memory>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace {

bool xServerAnswers() {
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return false;
    const std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> c(xcb_connect(nullptr, nullptr),
                                                                         &xcb_disconnect);
    return c && xcb_connection_has_error(c.get()) == 0;
}

bool waylandAnswers() {
    QByteArray path = qgetenv("WAYLAND_DISPLAY");
    if (path.isEmpty())
        return false;
    if (!path.startsWith('/'))
        path = qgetenv("XDG_RUNTIME_DIR") + '/' + path;
    sockaddr_un address{};
    if (static_cast<size_t>(path.size()) >= sizeof address.sun_path)
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool answers = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    // Qt draws on Wayland only with its plugin, which is a package of its own.
    return answers && !QDir(QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms"))
                           .entryList({QStringLiteral("libqwayland*.so")})
                           .isEmpty();
}

} // namespace

bool HasVisibleDisplay() {
    // "xcb", "wayland;xcb" or "xcb:option=value": the first platform Qt would try decides.
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM").section(u';', 0, 0).section(u':', 0, 0);
    if (platform.isEmpty())
        return waylandAnswers() || xServerAnswers();
    if (platform == u"offscreen" || platform == u"minimal" || platform == u"minimalegl")
        return false;
    if (platform == u"xcb")
        return xServerAnswers();
    if (platform.startsWith(u"wayland"))
        return waylandAnswers();
    return true; // eglfs, linuxfb, vnc: a screen of their own
}
