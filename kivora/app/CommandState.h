#pragma once

#include "kivora/app/CommandIds.h"

#include <array>

namespace kivora::app {

// What the enabling rule reads. Engine values are those of the main camera; an engine that is not
// initialised reads as closed with rate 0 and no telemetry.
struct CommandInputs {
    bool listCreated = true;
    bool listMarkedEmpty = true; // the CSV button's own mark
    int rows = 0; // rows in the list control
    int selected = -1;
    int engineState = 0; // 0 closed, 1 stopped, 2 playing, 3 paused
    int rateCode = 0;
    bool telemetryLoaded = false;
    int sourceKind = 0; // 1 card, 2 folder, 3 single files; 0 none
};

// The controls the window enables: the fourteen toolbar buttons (index = id − 38000), the three
// caption buttons and the panels (information panel and its buttons, the tree, the list and its
// filter buttons). The sliders, the graph and the video follow `everything`, which only a worker
// clears.
struct EnabledSet {
    std::array<bool, kToolbarButtons> toolbar {};
    bool caption = false;
    bool panels = false;
    bool everything = true;

    bool button(int id) const { return isToolbarCommand(id) && toolbar[std::size_t(id - kCmdTop)]; }
    bool operator==(const EnabledSet&) const = default;
};

// The toolbar refresh after every change of state.
EnabledSet enabledCommands(const CommandInputs& in);
// The start of an open: every button, the caption buttons and the panels.
EnabledSet openingDisabled();
// A running worker: that, the sliders, the graph, the video and the map too.
EnabledSet workerDisabled();
// After a failed or timed-out open: browse, and delete when a box told the user.
EnabledSet afterFailedOpen(bool errorBoxShown);

} // namespace kivora::app
