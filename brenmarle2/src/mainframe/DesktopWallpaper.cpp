#include "mainframe/DesktopWallpaper.h"

#include <memory>

#include <gio/gio.h>
#include <wx/intl.h>

namespace {

struct SchemaRelease {
    void operator()(GSettingsSchema* schema) const noexcept { g_settings_schema_unref(schema); }
};
struct ObjectRelease {
    void operator()(gpointer object) const noexcept { g_object_unref(object); }
};
struct TextRelease {
    void operator()(gchar* text) const noexcept { g_free(text); }
};
using SchemaPtr = std::unique_ptr<GSettingsSchema, SchemaRelease>;

SchemaPtr lookUpSchema()
{
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    return SchemaPtr(
        source ? g_settings_schema_source_lookup(source, DesktopWallpaper::SCHEMA, TRUE) : nullptr);
}

} // namespace

DesktopWallpaper::DesktopWallpaper(GSettingsBackend* backend) : m_backend(backend) {}

bool DesktopWallpaper::isAvailable() const
{
    const SchemaPtr schema = lookUpSchema();
    return schema && g_settings_schema_has_key(schema.get(), "picture-uri");
}

bool DesktopWallpaper::set(const wxString& path, wxString& error) const
{
    const SchemaPtr schema = lookUpSchema();
    if (!schema || !g_settings_schema_has_key(schema.get(), "picture-uri")) {
        error = _("This desktop has no wallpaper setting.");
        return false;
    }
    // GIO escapes what a URI cannot hold as it is (spaces, "#", "%", non-ASCII names).
    std::unique_ptr<GFile, ObjectRelease> file(g_file_new_for_path(path.utf8_str()));
    std::unique_ptr<gchar, TextRelease> uri(g_file_get_uri(file.get()));
    std::unique_ptr<GSettings, ObjectRelease> settings(
        g_settings_new_full(schema.get(), m_backend, nullptr));
    bool written = g_settings_set_string(settings.get(), "picture-uri", uri.get());
    if (g_settings_schema_has_key(schema.get(), "picture-uri-dark"))
        written = g_settings_set_string(settings.get(), "picture-uri-dark", uri.get()) && written;
    // Written before the call returns, so a program that ends right after still changed it.
    g_settings_sync();
    if (!written)
        error = _("The desktop refused the new wallpaper.");
    return written;
}
