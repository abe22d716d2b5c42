// Finding the com port of an owner.
#include "serial/KsPortSearch.h"

namespace talvik {

TKslCustomComPort* SearchComPort(const TKslBaseComponent* Owner) {
    return SearchComponent<TKslCustomComPort>(Owner);
}

}  // namespace talvik
