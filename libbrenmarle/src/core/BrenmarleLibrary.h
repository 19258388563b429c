#pragma once
// Process-wide set-up of the domain library.

namespace Brenmarle {

class BrenmarleLibrary {
public:
    // The translation catalogue of the domain library's texts.
    static constexpr const char* CATALOG = "libbrenmarle";
};

} // namespace Brenmarle
