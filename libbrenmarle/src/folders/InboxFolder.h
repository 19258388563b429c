#pragma once
// The picture inbox: where newly arrived pictures wait before the user sorts them into albums.

#include "folders/ManagedFolder.h"

namespace Brenmarle {

class InboxFolder : public ManagedFolder {
public:
    static constexpr const char* URI = "inbox://";

    // Reads the inbox's file list from the catalogue.
    InboxFolder();

    wxString getURI() const override { return URI; }
    wxString getName() const override;
};

} // namespace Brenmarle
