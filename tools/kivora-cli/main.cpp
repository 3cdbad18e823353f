#include "tools/kivora-cli/Commands.h"

int main(int argc, char** argv) { return kivora::cli::runCommandLine(argc, argv); }
