#include "app/Module1.h"

#include <QApplication>

#include <cstdio>

int Module1_Main(int argc, char **argv)
{
    QApplication app(argc, argv);
    std::fprintf(stderr, "Kovaplex: the player window is not built yet.\n");
    return 0;
}
