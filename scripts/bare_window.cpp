// The reference for the footprint figures: a bare Qt Widgets window with one label, nothing else.
#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel window("Dravik");
    window.setWindowTitle("Dravik bare window");
    window.resize(800, 600);
    window.show();
    return QApplication::exec();
}
