#pragma once

#include "kivora/export/SaveRules.h"

#include <filesystem>
#include <string>

namespace kivora::exporting {

class WorkerContext;

struct SaveOutcome {
    enum class Status { Saved, Cancelled, Failed } status = Status::Failed;
    std::string error; // Failed: why
    bool subSaved = false; // the sub-camera movie was written beside the main one
    std::string subNote; // why it was not, when the plan had one or left it out
    bool earlierSubRemoved = false; // a sub movie of an earlier save under the same name was removed
    std::string telemetryNote; // why the main movie got no data file
};

// The worker's part of a save: joins the plan's main movies into its output, then the sub movies
// into the sub output. Only reads the sources; every output is staged and renamed into place when
// complete. A cancel or a failure of the main movie leaves nothing of this run behind; a failed
// sub movie only leaves the sub movie out. When no sub movie is saved beside a main movie that
// replaced an earlier one, that save's sub movie goes too (never a file of the selection). Posts
// progress in bytes. Worker thread.
SaveOutcome RunSave(const SavePlan& plan, WorkerContext& context);

} // namespace kivora::exporting
