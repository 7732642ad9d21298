// The floor for start-up: a Qt 6 main window holding a plain-text editor and nothing else,
// built with the same compiler, flags and Qt as the program, so the comparison shows only what
// the program adds on top of the toolkit.

#include <QApplication>
#include <QMainWindow>
#include <QPlainTextEdit>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Empty Qt window"));
    window.setCentralWidget(new QPlainTextEdit(&window));
    window.resize(642, 565);
    window.show();
    return QApplication::exec();
}
