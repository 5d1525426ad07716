#pragma once

#include <QColor>

// The colours the windows use for communication state and lamps.
namespace StatusColors {
inline const QColor kGreen{0, 255, 0};
inline const QColor kRed{255, 0, 0};
inline const QColor kGrey{128, 128, 128};
inline const QColor kBlue{0, 0, 255};
inline const QColor kDarkGreen{0, 128, 0};
}  // namespace StatusColors
