// The native build's character classification: the Western code page.
#include "controls/XcuStrings.h"

namespace talvik {

TXcCharClassifier PlatformCharClassifier() { return Latin1Classifier(); }

}  // namespace talvik
