#include "kivora/app/CkivoraApp.h"

int main(int argc, char** argv)
{
    return kivora::app::CkivoraApp::run(argc, argv);
}
