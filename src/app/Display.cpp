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

bool xServerAnswers(DisplayHold* hold) {
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return false;
    std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> c(xcb_connect(nullptr, nullptr), &xcb_disconnect);
    const bool answers = c && xcb_connection_has_error(c.get()) == 0;
    if (answers && hold)
        hold->keep(c.release());
    return answers;
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

DisplayHold::DisplayHold() = default;

DisplayHold::~DisplayHold() {
    if (connection_)
        xcb_disconnect(static_cast<xcb_connection_t*>(connection_));
}

void DisplayHold::keep(void* xcbConnection) {
    if (connection_)
        xcb_disconnect(static_cast<xcb_connection_t*>(connection_));
    connection_ = xcbConnection;
}

QString DisplayName() {
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (platform.startsWith(u"wayland") || (platform.isEmpty() && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")))
        return qEnvironmentVariable("WAYLAND_DISPLAY");
    return qEnvironmentVariable("DISPLAY");
}

bool HasVisibleDisplay(DisplayHold* hold) {
    // "xcb", "wayland;xcb" or "xcb:option=value": the first platform Qt would try decides.
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM").section(u';', 0, 0).section(u':', 0, 0);
    if (platform.isEmpty())
        return waylandAnswers() || xServerAnswers(hold);
    if (platform == u"offscreen" || platform == u"minimal" || platform == u"minimalegl")
        return false;
    if (platform == u"xcb")
        return xServerAnswers(hold);
    if (platform.startsWith(u"wayland"))
        return waylandAnswers();
    return true; // eglfs, linuxfb, vnc: a screen of their own
}
