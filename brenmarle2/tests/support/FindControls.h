#pragma once
// The controls of a kind inside a window, at any depth, for tests that drive windows the way
// a user sees them. GUI thread.

#include <vector>

#include <wx/window.h>

// The first control of type T inside `window` (depth first), or null.
template <typename T> T* findControl(wxWindow* window)
{
    for (wxWindow* child : window->GetChildren()) {
        if (auto* control = dynamic_cast<T*>(child))
            return control;
        if (T* inner = findControl<T>(child))
            return inner;
    }
    return nullptr;
}

// Every control of type T inside `window`, in the order of the window tree.
template <typename T> std::vector<T*> findControls(wxWindow* window)
{
    std::vector<T*> found;
    for (wxWindow* child : window->GetChildren()) {
        if (auto* control = dynamic_cast<T*>(child))
            found.push_back(control);
        for (T* inner : findControls<T>(child))
            found.push_back(inner);
    }
    return found;
}
