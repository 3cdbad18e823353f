#pragma once

// The hidden attribute now lives in the system layer; these names stay for the recording layer's
// callers.

#include "kivora/system/FileAttributes.h"

namespace kivora::recording {

using system::isHidden;
using system::setHidden;

} // namespace kivora::recording
