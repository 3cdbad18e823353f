#include "kivora/ui/SkinFrameChoice.h"

namespace kivora::ui {

SkinFrameChoice chooseSkinFrame(const SkinItemState& state)
{
    if (state.grayed)
        return { 1, kSkinTextGrey };
    if (state.disabled)
        return { 3, kSkinTextGrey };
    if (state.pressed)
        return { 2, kSkinTextGrey };
    if (state.checked)
        return { 2, kSkinTextWhite };
    if (state.latched)
        return { 2, kSkinTextGrey };
    return { 0, kSkinTextWhite };
}

} // namespace kivora::ui
