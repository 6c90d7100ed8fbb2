// Corvantis: sets Vesper wall clocks from the PC clock over a serial line.
#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    return 0;
}
