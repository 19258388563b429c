#pragma once
// The controls of a kind inside a window, at any depth, in the order of the window tree: what
// a test looks for on a page it did not build itself. GUI thread.

#include <vector>

#include <wx/window.h>

// All controls of type T below `window`.
template <typename T> std::vector<T*> findAll(wxWindow* window)
{
    std::vector<T*> found;
    for (wxWindow* child : window->GetChildren()) {
        if (auto* control = dynamic_cast<T*>(child))
            found.push_back(control);
        for (T* inner : findAll<T>(child))
            found.push_back(inner);
    }
    return found;
}

// The first control of type T below `window`, or null.
template <typename T> T* find(wxWindow* window)
{
    const std::vector<T*> found = findAll<T>(window);
    return found.empty() ? nullptr : found.front();
}
