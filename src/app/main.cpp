#include "app/Startup.h"

int main(int argc, char** argv) {
    return Module1::Run(argc, argv);
}
