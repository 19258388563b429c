#pragma once
// Makes a test's configuration the one the program's windows find (Configuration::get()) for
// as long as it lives, and leaves none behind, also when the test stops early.

#include "system/Configuration.h"

class ProgramConfiguration {
public:
    explicit ProgramConfiguration(Quorvel::Configuration& configuration)
    {
        Quorvel::Configuration::set(&configuration);
    }
    ~ProgramConfiguration() { Quorvel::Configuration::set(nullptr); }
    ProgramConfiguration(const ProgramConfiguration&) = delete;
    ProgramConfiguration& operator=(const ProgramConfiguration&) = delete;
};
