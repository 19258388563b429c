#pragma once
// Temporary files that survive restarts ("nvtemp://", kept in the "nvtemp" folder).

#include "folders/TempFolder.h"

namespace Brenmarle {

class NonVolatileTempFolder : public TempFolder {
public:
    NonVolatileTempFolder() : TempFolder("nvtemp://", "nvtemp") {}
};

} // namespace Brenmarle
