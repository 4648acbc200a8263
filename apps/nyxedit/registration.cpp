#include "registration.h"

#include "design/editors.h"
#include "design/registry.h"
#include "library/startup.h"

namespace nyx {

void RegisterDesignTools(TDesignRegistry& Registry) {
    Registry.Register(NyxDesignRegistrations());
    RegisterNyxEditors(Registry);
}

}  // namespace nyx
