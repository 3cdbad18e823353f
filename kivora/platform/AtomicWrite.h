#pragma once

// The staged atomic write now lives in the system layer; this name stays for the platform's callers.

#include "kivora/system/StagedFile.h"

namespace kivora::platform {

using system::writeFileAtomically;

} // namespace kivora::platform
