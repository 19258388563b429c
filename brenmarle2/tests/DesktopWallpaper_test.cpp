#define G_SETTINGS_ENABLE_BACKEND
#include <gio/gio.h>
#include <gio/gsettingsbackend.h>
#include <gtest/gtest.h>

#include "mainframe/DesktopWallpaper.h"

namespace {

// The desktop's own settings are never touched: everything goes to a backend in memory.
class DesktopWallpaperTest : public ::testing::Test {
protected:
    DesktopWallpaperTest() : backend(g_memory_settings_backend_new()) {}
    ~DesktopWallpaperTest() override { g_object_unref(backend); }

    wxString read(const char* key) const
    {
        GSettingsSchema* schema = g_settings_schema_source_lookup(
            g_settings_schema_source_get_default(), DesktopWallpaper::SCHEMA, TRUE);
        GSettings* settings = g_settings_new_full(schema, backend, nullptr);
        gchar* value = g_settings_get_string(settings, key);
        const wxString text = wxString::FromUTF8(value);
        g_free(value);
        g_object_unref(settings);
        g_settings_schema_unref(schema);
        return text;
    }

    GSettingsBackend* backend;
};

TEST_F(DesktopWallpaperTest, APathWithQuotesSpacesAndAccentsBecomesAnEscapedFileUri)
{
    const DesktopWallpaper wallpaper(backend);
    ASSERT_TRUE(wallpaper.isAvailable()); // gsettings-desktop-schemas is a build dependency
    wxString error;
    ASSERT_TRUE(wallpaper.set(wxString::FromUTF8("/home/ann/it's #1 \xc3\x86r\xc3\xb8.jpg"), error))
        << error;
    const wxString expected = "file:///home/ann/it's%20%231%20%C3%86r%C3%B8.jpg";
    EXPECT_EQ(read("picture-uri"), expected);
    EXPECT_EQ(read("picture-uri-dark"), expected);
}

} // namespace
