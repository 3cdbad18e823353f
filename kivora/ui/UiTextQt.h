#pragma once

#include "kivora/ui/UiText.h"

#include <QString>

namespace kivora::ui {

// UiText as a QString for widgets; empty for unused slots.
inline QString uiQText(int slot, int column = 0)
{
    const std::string_view text = UiText(slot, column);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace kivora::ui
