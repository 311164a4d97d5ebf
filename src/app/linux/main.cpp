// The program entry of the Linux nearbeam and its composition root.

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Nearbeam"));
    QApplication::setQuitOnLastWindowClosed(false);
    return 0;
}
