#include "app/startup.h"

int main(int argc, char** argv) {
    return vellumark::ProgramStart(argc, argv);
}
