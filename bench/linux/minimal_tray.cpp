// The smallest Qt 6 program in a notification area: an icon, a tooltip and a menu
// with Exit. scripts/bench-idle-memory measures nearbeam's idle memory against it.

#include <QApplication>
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QSystemTrayIcon icon(QIcon(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString()));
    QMenu menu;
    menu.addAction(QStringLiteral("E&xit"), &app, &QCoreApplication::quit);
    icon.setContextMenu(&menu);
    icon.setToolTip(QStringLiteral("Minimal"));
    icon.show();
    return QApplication::exec();
}
