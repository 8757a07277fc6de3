#include "platform/SystemRegistry.h"

// The scan of installed programs is filled in by the Ghostscript and office
// backends; an empty registry means "nothing installed".
std::shared_ptr<MemoryRegistry> SystemRegistry::Build()
{
    return std::make_shared<MemoryRegistry>();
}
