#include "app/startup.h"

int main(int argc, char** argv) {
    return lumeno::app::RunClient(argc, argv);
}
