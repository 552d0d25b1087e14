#include <QApplication>

#include "resources/resources.h"

int main(int argc, char** argv) {
    dravik::InitResources();
    QApplication app(argc, argv);
    return 0;
}
