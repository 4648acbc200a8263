#pragma once
// What nyxedit's designer knows: the units' registration tables and the editor classes
// they name.

namespace nyx {

class TDesignRegistry;

void RegisterDesignTools(TDesignRegistry& Registry);

}  // namespace nyx
