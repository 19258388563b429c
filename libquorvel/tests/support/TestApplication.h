#pragma once
// The application object of the application tests (see ApplicationTestMain.cpp).

#include "system/Application.h"

class TestApplication : public Quorvel::Application {
public:
    TestApplication() : Application("Quorvel Test", 1, 2, 3) {}
    bool OnInit() override { return true; }
    using Application::installTerminationHandlers;
};

wxDECLARE_APP(TestApplication);
