#include "base/counter_set.h"

DistanceParts SplitCentimetres(int64_t n) {
    const int64_t km = n / 100000;
    const int64_t m = (n - km * 100000) / 100;
    const int64_t cm = n - km * 100000 - m * 100;
    // The km part is a 16-bit field; the conversion keeps its low 16 bits.
    return DistanceParts{static_cast<int16_t>(static_cast<uint16_t>(km & 0xFFFF)),
                         static_cast<int16_t>(m), static_cast<int16_t>(cm)};
}

int64_t CombineCentimetres(const DistanceParts& parts) {
    return int64_t{parts.km} * 100000 + int64_t{parts.m} * 100 + int64_t{parts.cm};
}
