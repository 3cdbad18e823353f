#pragma once

namespace kivora::app {

// The application object: runs the main window until it closes, then ends the program.
//
// Test hook: with KIVORA_AUTOQUIT_MS=N in the environment, the program prints
//   kivora: shown "<window title>"
// on standard output once the main window's post-show initialisation has run, and N milliseconds
// later closes the window through its normal close path (shutdown included). Nothing else changes.
class CkivoraApp {
public:
    // argc and argv as main got them; "kivora [SOURCE]". Returns the process exit status:
    // 0 after the window closed, 2 for unusable arguments.
    static int run(int argc, char** argv);
};

} // namespace kivora::app
