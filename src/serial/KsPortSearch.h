// Finding the com port that a component's owner holds (used by the telephony device).
#pragma once

#include "serial/KsPort.h"

namespace talvik {

// The first com port among Owner's components in their order, looking into each component's own
// components (depth first) before the next one; nullptr when there is none.
TKslCustomComPort* SearchComPort(const TKslBaseComponent* Owner);

// The same walk for any kind of component.
template <class T>
T* SearchComponent(const TKslBaseComponent* Owner) {
    if (!Owner) return nullptr;
    for (TKslBaseComponent* c : Owner->Components()) {
        if (auto* hit = dynamic_cast<T*>(c)) return hit;
        if (T* inner = SearchComponent<T>(c)) return inner;
    }
    return nullptr;
}

}  // namespace talvik
