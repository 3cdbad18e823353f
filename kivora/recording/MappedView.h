#pragma once

// Mapped views now live in the system layer; these names stay for the recording layer's callers.

#include "kivora/system/MappedView.h"

namespace kivora::recording {

using system::kMaxViewBytes;
using system::MappedFile;
using system::MappedView;

} // namespace kivora::recording
