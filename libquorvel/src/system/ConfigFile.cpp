#include "system/ConfigFile.h"

#include <mutex>

#include <wx/intl.h>

namespace Quorvel {

namespace {

std::mutex& localeMutex()
{
    static std::mutex mutex;
    return mutex;
}

wxString& localeOverride()
{
    static wxString name;
    return name;
}

using Lock = std::lock_guard<std::recursive_mutex>;

std::recursive_mutex& configMutex()
{
    return ConfigFile::getSharedLock();
}

} // namespace

std::recursive_mutex& ConfigFile::getSharedLock()
{
    static std::recursive_mutex mutex;
    return mutex;
}

bool ConfigFile::flush()
{
    Lock lock(configMutex());
    return Flush();
}

ConfigFile::ConfigFile(const wxString& path, Privacy privacy)
    : wxFileConfig(wxEmptyString, wxEmptyString, path, wxEmptyString, wxCONFIG_USE_LOCAL_FILE,
                   wxConvUTF8),
      m_path(path)
{
    // A password containing "$" must come back as it was stored.
    SetExpandEnvVars(false);
    if (privacy == Privacy::Private)
        SetUmask(0077);
}

ConfigFile::~ConfigFile()
{
    Lock lock(configMutex());
    Flush();
}

bool ConfigFile::hasEntry(const wxString& key) const
{
    Lock lock(configMutex());
    return HasEntry(key) || HasGroup(key);
}

bool ConfigFile::removeEntry(const wxString& key)
{
    Lock lock(configMutex());
    return DeleteEntry(key, true);
}

bool ConfigFile::readBool(const wxString& key, bool& out) const
{
    Lock lock(configMutex());
    return Read(key, &out);
}

bool ConfigFile::readBool(const wxString& key, bool& out, bool defaultValue) const
{
    Lock lock(configMutex());
    return Read(key, &out, defaultValue);
}

bool ConfigFile::writeBool(const wxString& key, bool value)
{
    Lock lock(configMutex());
    return Write(key, value);
}

bool ConfigFile::readLong(const wxString& key, long& out) const
{
    Lock lock(configMutex());
    return Read(key, &out);
}

bool ConfigFile::readLong(const wxString& key, long& out, long defaultValue) const
{
    Lock lock(configMutex());
    return Read(key, &out, defaultValue);
}

bool ConfigFile::writeLong(const wxString& key, long value)
{
    Lock lock(configMutex());
    return Write(key, value);
}

bool ConfigFile::readInt(const wxString& key, int& out) const
{
    Lock lock(configMutex());
    return Read(key, &out);
}

bool ConfigFile::readInt(const wxString& key, int& out, int defaultValue) const
{
    Lock lock(configMutex());
    return Read(key, &out, defaultValue);
}

bool ConfigFile::writeInt(const wxString& key, int value)
{
    Lock lock(configMutex());
    return Write(key, value);
}

bool ConfigFile::readString(const wxString& key, wxString& out) const
{
    Lock lock(configMutex());
    return Read(key, &out);
}

bool ConfigFile::readString(const wxString& key, wxString& out, const wxString& defaultValue) const
{
    Lock lock(configMutex());
    return Read(key, &out, defaultValue);
}

bool ConfigFile::writeString(const wxString& key, const wxString& value)
{
    Lock lock(configMutex());
    return Write(key, value);
}

bool ConfigFile::readLocalisedString(const wxString& key, wxString& out) const
{
    const wxString locale = getLocaleName();
    if (!locale.empty() && readString(key + "[" + locale + "]", out))
        return true;
    return readString(key, out);
}

bool ConfigFile::readLocalisedString(const wxString& key, wxString& out,
                                     const wxString& defaultValue) const
{
    if (readLocalisedString(key, out))
        return true;
    out = defaultValue;
    return false;
}

bool ConfigFile::readDate(const wxString& key, wxDateTime& out) const
{
    wxString text;
    if (!readString(key, text))
        return false;
    wxDateTime parsed;
    wxString::const_iterator end;
    if (!parsed.ParseFormat(text, DATE_FORMAT, &end) || end != text.end())
        return false;
    out = parsed;
    return true;
}

bool ConfigFile::readDate(const wxString& key, wxDateTime& out, const wxDateTime& defaultValue) const
{
    if (readDate(key, out))
        return true;
    out = defaultValue;
    return false;
}

bool ConfigFile::writeDate(const wxString& key, const wxDateTime& value)
{
    return writeString(key, value.Format(DATE_FORMAT));
}

void ConfigFile::setLocaleName(const wxString& name)
{
    std::lock_guard<std::mutex> lock(localeMutex());
    localeOverride() = name;
}

wxString ConfigFile::getLocaleName()
{
    {
        std::lock_guard<std::mutex> lock(localeMutex());
        if (!localeOverride().empty())
            return localeOverride();
    }
    const wxLocale* locale = wxGetLocale();
    return locale ? locale->GetCanonicalName() : wxString();
}

} // namespace Quorvel
