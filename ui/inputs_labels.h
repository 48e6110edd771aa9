// The counter labels of the configuration dialog's Inputs page, as the display refresh and
// the uptime texts write them. The dialog implements this; the display refresh only writes.
#pragma once

#include <string>

namespace display {

enum class InputsLabel {
    distance_courante, // distance to be sent
    Distance_totale,   // distance total
    LTouches,
    LTotalTouches,
    LClics,
    LGauche,
    LDroit,
    LSpecial,
    LTotalClics,
    LTotalGauche,
    LTotalDroit,
    LTotalSpecial,
    LScrolls,
    LTotalScrolls,
    LUT,
    LUST,
    LTotalUT,
    LTotalUST,
};

class InputsLabels {
  public:
    virtual ~InputsLabels() = default;
    virtual void SetLabel(InputsLabel label, const std::wstring& text) = 0;
};

} // namespace display
