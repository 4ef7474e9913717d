// quillfish: the desktop program.

#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillfish"));
    QApplication::setApplicationVersion(QStringLiteral("2.0.0"));
    QWidget frame;
    frame.setWindowTitle(QStringLiteral("Quillfish"));
    frame.show();
    return app.exec();
}
