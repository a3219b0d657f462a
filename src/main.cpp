#include "app/Module1.h"

int main(int argc, char **argv)
{
    return Module1_Main(argc, argv);
}
