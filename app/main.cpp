#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Tonvarra v.1.3"));
    window.resize(1056, 607);
    window.show();
    return QApplication::exec();
}
