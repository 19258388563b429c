#include "mainframe/IconLookup.h"

#include <map>

#include <wx/artprov.h>
#include <wx/filefn.h>
#include <wx/image.h>
#include <wx/log.h>

namespace {

const std::map<wxString, wxString>& freedesktopNames()
{
    static const std::map<wxString, wxString> names = {
        {"website.png", "web-browser"},
        {"main_menu.png", "open-menu"},
        {"camera_import.png", "camera-photo"},
        {"computer_import.png", "folder-open"},
        {"new_album.png", "folder-new"},
        {"slideshow.png", "media-playback-start"},
        {"picturemap.png", "applications-internet"},
        {"create_products.png", "applications-graphics"},
        {"create_account.png", "contact-new"},
        {"login.png", "system-users"},
        {"logout.png", "system-log-out"},
        {"view_fullscreen.png", "view-fullscreen"},
        {"zoom_in.png", "zoom-in"},
        {"zoom_out.png", "zoom-out"},
        {"edit_picture.png", "applications-graphics"},
        {"open_picture.png", "document-open"},
        {"order_prints.png", "document-print-preview"},
        {"safe_storage.png", "drive-harddisk"},
        {"share_picture.png", "mail-send"},
        {"print.png", "document-print"},
        {"delete.png", "edit-delete"},
        {"help.png", "help-browser"},
        {"about.png", "help-about"},
        {"options.png", "preferences-system"},
        {"exit.png", "application-exit"},
        {"select_all.png", "edit-select-all"},
        {"rename.png", "accessories-text-editor"},
        {"properties.png", "document-properties"},
        {"rotate_left.png", "object-rotate-left"},
        {"rotate_right.png", "object-rotate-right"},
        {"favorite.png", "emblem-favorite"},
        {"wallpaper.png", "preferences-desktop-wallpaper"},
        {"copy.png", "edit-copy"},
        {"send_to.png", "document-send"},
        {"email.png", "mail-send"},
        {"mobile.png", "phone"},
        {"export.png", "document-save-as"},
        {"hidden_albums.png", "view-refresh"},
        {"start_page.png", "go-home"},
        {"my_albums.png", "folder-pictures"},
        {"calendar.png", "x-office-calendar"},
        {"my_computer.png", "computer"},
        {"picture_search.png", "system-search"},
        {"inbox.png", "mail-inbox"},
        {"cart.png", "emblem-documents"},
        {"keywords.png", "emblem-documents"},
        {"sync.png", "view-refresh"},
        {"status.png", "dialog-information"},
        {"support.png", "dialog-information"},
        {"update.png", "system-software-update"},
        {"debug.png", "dialog-warning"},
    };
    return names;
}

wxBitmap blank(int size)
{
    wxImage image(size, size);
    image.InitAlpha();
    unsigned char* alpha = image.GetAlpha();
    std::fill(alpha, alpha + size * size, 0);
    return wxBitmap(image);
}

} // namespace

IconLookup::IconLookup(const wxString& skinDirectory)
    : m_skinDirectory(skinDirectory.EndsWith("/") ? skinDirectory : skinDirectory + "/")
{
}

wxString IconLookup::freedesktopName(const wxString& name)
{
    const auto& names = freedesktopNames();
    const auto found = names.find(name);
    return found == names.end() ? wxString() : found->second;
}

wxBitmap IconLookup::get(const wxString& name, int size) const
{
    if (name.empty() || name == "blank.png")
        return blank(size);
    // Plug-ins name their icons by full path inside their bundle.
    const wxString path = wxIsAbsolutePath(name) ? name : m_skinDirectory + name;
    if (wxFileExists(path)) {
        wxLogNull quiet;
        wxImage image;
        if (image.LoadFile(path)) {
            if (image.GetWidth() != size || image.GetHeight() != size)
                image.Rescale(size, size, wxIMAGE_QUALITY_HIGH);
            return wxBitmap(image);
        }
    }
    const wxString themed = freedesktopName(name);
    if (!themed.empty()) {
        wxLogNull quiet;
        const wxBitmap bitmap = wxArtProvider::GetBitmap(themed, wxART_OTHER, wxSize(size, size));
        if (bitmap.IsOk())
            return bitmap;
    }
    return blank(size);
}
