#pragma once

class QDir;

namespace kivora::cli {

// Renders every skinned control in each of its states at layout scales 1.0 and 2.0 into
// OUTDIR/controls-<control>-<state>-x<scale>.png, plus one sheet per scale
// (controls-sheet-x<scale>.png). Needs a QApplication. Returns the number of files written, or -1
// when one cannot be written (a message is on stderr).
int renderControlGallery(const QDir& out);

} // namespace kivora::cli
