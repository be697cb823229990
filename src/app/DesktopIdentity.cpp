#include "app/DesktopIdentity.h"

#include <QGuiApplication>
#include <QIcon>

void PresentAsDesktopEntry() {
    Q_INIT_RESOURCE(brevimo);                          // the icons live in a static library
    const QString id = QStringLiteral(BREVIMO_APP_ID); // the entry's file name without ".desktop"
    QGuiApplication::setDesktopFileName(id);
    // Qt's X11 window class is the application's name; nothing stored is found by it.
    QCoreApplication::setApplicationName(id);
    QIcon icon;
    for (const int size : {48, 128, 256})
        icon.addFile(QStringLiteral(":/brevimo/icon-%1.png").arg(size), QSize(size, size));
    QGuiApplication::setWindowIcon(icon);
}
