// Starts the widget toolkit behind the display guard and prints "ok" when it is up.
#include <QApplication>
#include <cstdio>

#include "shell/display_guard.h"

int main(int argc, char** argv) {
    orvalis::GuardAgainstMissingDisplay("orvalis-pro");
    QApplication app(argc, argv);
    orvalis::EndDisplayGuard();
    std::printf("ok\n");
    return 0;
}
