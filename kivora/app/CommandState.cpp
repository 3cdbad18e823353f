#include "kivora/app/CommandState.h"

namespace kivora::app {

namespace {

void set(EnabledSet& s, int id, bool on)
{
    s.toolbar[std::size_t(id - kCmdTop)] = on;
}

} // namespace

EnabledSet enabledCommands(const CommandInputs& in)
{
    EnabledSet s;
    if (!in.listCreated)
        return s;
    s.caption = true;
    s.panels = true;
    set(s, kCmdCsv, !in.listMarkedEmpty);
    if (in.rows == 0) {
        set(s, kCmdBrowse, true);
        return s;
    }
    const bool playing = in.engineState == 2;
    for (int id : { kCmdBrowse, kCmdSettings, kCmdMap })
        set(s, id, true);
    set(s, kCmdTop, playing || in.engineState == 3);
    set(s, kCmdPlayPause, playing || in.telemetryLoaded);
    set(s, kCmdPrevious, in.rows > 1 && in.selected != 0);
    set(s, kCmdNext, in.rows > 1 && in.selected != in.rows - 1);
    set(s, kCmdSlower, playing && in.rateCode != -2 && in.rateCode != -4);
    set(s, kCmdFaster, playing && in.rateCode != 2 && in.rateCode != 4);
    set(s, kCmdStill, in.telemetryLoaded);
    set(s, kCmdZoom, in.telemetryLoaded);
    set(s, kCmdSave, in.sourceKind == 1);
    set(s, kCmdDelete, in.sourceKind != 3);
    return s;
}

EnabledSet openingDisabled()
{
    return EnabledSet {};
}

EnabledSet workerDisabled()
{
    EnabledSet s;
    s.everything = false;
    return s;
}

EnabledSet afterFailedOpen(bool errorBoxShown)
{
    EnabledSet s;
    s.caption = true;
    s.panels = true;
    set(s, kCmdBrowse, true);
    set(s, kCmdDelete, errorBoxShown);
    return s;
}

} // namespace kivora::app
