#pragma once

#include "platform/Registry.h"

#include <memory>

// The registry as this machine presents it: the keys are made up from what
// is installed (each Ghostscript console program found, the office backend).
class SystemRegistry {
public:
    static std::shared_ptr<MemoryRegistry> Build();
};
