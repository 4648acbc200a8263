#pragma once
// The unit NyxObjects at start and stop: every primitive class enters the class registry,
// so that streams create primitives by name in programs that never name them, and the
// designer offers them without palette icons.

#include "rtl/designintf.h"

#include <vector>

namespace nyx {

class TMetaClass;

// The primitive classes, in registration order.
const std::vector<const TMetaClass*>& NyxObjectsClasses();

// Counted: the first start registers the classes, the matching last stop unregisters
// them. A stop without a start does nothing.
void InitializeNyxObjects();
void FinalizeNyxObjects();

const TDesignRegistration& NyxObjectsRegistration();

}  // namespace nyx
