#pragma once
// One INI settings file (UTF-8, local file only). Keys are paths with "/" between group and
// entry ("Account/Password"); lookups ignore ASCII letter case. Values are read literally:
// "$NAME" in a value is never expanded.
//
// Thread-safety: each typed read or write below holds one lock shared by every ConfigFile for
// the duration of the single toolkit call. Callers that need several related keys to be
// consistent, or that flush, hold the application's configuration lock around the sequence.
// Writes stay in memory until flush() or destruction.

#include <mutex>

#include <wx/datetime.h>
#include <wx/fileconf.h>
#include <wx/string.h>

namespace Quorvel {

class ConfigFile : public wxFileConfig {
public:
    // Files that hold secrets are created readable by the user only.
    enum class Privacy { Shared, Private };

    explicit ConfigFile(const wxString& path, Privacy privacy = Privacy::Shared);
    ~ConfigFile() override;

    const wxString& getPath() const { return m_path; }

    // Writes the file now, under the shared lock, so no other thread's write changes the
    // entries while they are being written out.
    bool flush();
    // The lock every typed read and write (and flush) holds; recursive.
    static std::recursive_mutex& getSharedLock();

    bool hasEntry(const wxString& key) const;
    // Removes the entry `key`, and its group when that is left empty; false when there was
    // none.
    bool removeEntry(const wxString& key);

    bool readBool(const wxString& key, bool& out) const;
    bool readBool(const wxString& key, bool& out, bool defaultValue) const;
    bool writeBool(const wxString& key, bool value);

    bool readLong(const wxString& key, long& out) const;
    bool readLong(const wxString& key, long& out, long defaultValue) const;
    bool writeLong(const wxString& key, long value);

    bool readInt(const wxString& key, int& out) const;
    bool readInt(const wxString& key, int& out, int defaultValue) const;
    bool writeInt(const wxString& key, int value);

    bool readString(const wxString& key, wxString& out) const;
    bool readString(const wxString& key, wxString& out, const wxString& defaultValue) const;
    bool writeString(const wxString& key, const wxString& value);

    // Tries key + "[" + locale name + "]" first, then the plain key.
    bool readLocalisedString(const wxString& key, wxString& out) const;
    bool readLocalisedString(const wxString& key, wxString& out, const wxString& defaultValue) const;

    // Dates are stored as "%Y-%m-%dT%H:%M:%S" in local time. A value that does not parse counts
    // as absent.
    bool readDate(const wxString& key, wxDateTime& out) const;
    bool readDate(const wxString& key, wxDateTime& out, const wxDateTime& defaultValue) const;
    bool writeDate(const wxString& key, const wxDateTime& value);

    // The canonical locale name ("nb_NO") used by localised reads. Defaults to the active
    // toolkit locale's; the application sets it when it sets up its locale.
    static void setLocaleName(const wxString& name);
    static wxString getLocaleName();

    static constexpr const char* DATE_FORMAT = "%Y-%m-%dT%H:%M:%S";

private:
    wxString m_path;
};

} // namespace Quorvel
