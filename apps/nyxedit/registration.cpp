#include "registration.h"

#include "design/registry.h"
#include "library/startup.h"

namespace nyx {

void RegisterDesignTools(TDesignRegistry& Registry) { Registry.Register(NyxDesignRegistrations()); }

}  // namespace nyx
