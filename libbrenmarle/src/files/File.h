#pragma once
// One picture, video or other file the program shows, named by its URI. The catalogue keeps a
// row of these fields for every managed file (Database::storeFile / loadFile); files of computer
// folders and temporary files live in memory only.
//
// Threads: any thread. Every accessor takes the library lock, so a field read on one thread never
// sees a half-written value from another, and a file can be stored while another thread edits it.
// Lifetime: reference counted; a new file starts with one reference owned by its creator
// (use Quorvel::makeRef or Ref::adopt).

#include <cstdint>
#include <map>
#include <memory>
#include <set>

#include <wx/string.h>

#include "threads/ReferenceCounted.h"
#include "util/CompactString.h"

namespace Brenmarle {

class File : public Quorvel::ReferenceCounted {
public:
    // Bits of the time mask: which parts of the picture time are known.
    enum TimeMaskBits {
        TIME_YEAR = 1,
        TIME_MONTH = 2,
        TIME_DAY = 4,
        TIME_HOUR = 8,
        TIME_MINUTE = 32, // hour and minute
        TIME_ALL = 63,
    };

    // A new file: empty texts, zero numbers, time 0 with mask TIME_ALL, both state flags set,
    // no keywords, and modified (it has never been stored).
    explicit File(const wxString& uri);
    // A copy of `source` with every field, named `uri` when given (the source's URI otherwise).
    // It starts modified, since no catalogue row holds it yet.
    File(const File& source, const wxString& uri = wxString());
    File& operator=(const File&) = delete;

    // The URI changes only when the file is renamed or moved; the catalogue row is renamed
    // separately (Database::renameFile), so this does not mark the file modified.
    wxString getURI() const;
    void setURI(const wxString& uri);
    // Whether the file is named `uri`, without making a wxString of its URI: views look for a
    // file among a hundred thousand.
    bool hasURI(const Quorvel::CompactString& uri) const;

    wxString getFileName() const;
    void setFileName(const wxString& name);
    // The catalogue's size column is 32-bit: a size beyond it is kept as MAX_FILE_SIZE, which
    // stands for "this size or more".
    int32_t getFileSize() const;
    void setFileSize(int64_t bytes);
    static constexpr int32_t MAX_FILE_SIZE = INT32_MAX;

    // Two run-time flags of the application's own (both set for a new file). They are copied
    // with the file but never stored, so changing them does not mark the file modified.
    bool getStateFlag1() const;
    void setStateFlag1(bool flag);
    bool getStateFlag2() const;
    void setStateFlag2(bool flag);

    wxString getContentType() const;
    void setContentType(const wxString& type);
    bool isImage() const;
    bool isVideo() const;
    bool isAudio() const;

    wxString getScanner() const;
    void setScanner(const wxString& scanner);
    int32_t getScanVersion() const;
    void setScanVersion(int32_t version);

    bool isFileUserModified() const;
    void setFileUserModified(bool flag);
    bool isMetaUserModified() const;
    void setMetaUserModified(bool flag);
    int32_t getFileModifyTime() const;
    void setFileModifyTime(int32_t seconds);
    int32_t getMetaModifyTime() const;
    void setMetaModifyTime(int32_t seconds);

    bool isFavorite() const;
    void setFavorite(bool flag);
    wxString getCaption() const;
    void setCaption(const wxString& caption);

    // Seconds since 1970 holding the camera's wall-clock time read as UTC.
    int32_t getTime() const;
    void setTime(int32_t seconds);
    int32_t getTimeMask() const;
    void setTimeMask(int32_t mask);

    wxString getCreator() const;
    void setCreator(const wxString& creator);
    wxString getSource() const;
    void setSource(const wxString& source);
    wxString getCopyright() const;
    void setCopyright(const wxString& copyright);
    wxString getSublocation() const;
    void setSublocation(const wxString& sublocation);
    wxString getCity() const;
    void setCity(const wxString& city);
    wxString getProvince() const;
    void setProvince(const wxString& province);
    wxString getCountryCode() const;
    void setCountryCode(const wxString& code);

    std::set<wxString> getKeywords() const;
    void setKeywords(const std::set<wxString>& keywords);
    bool hasKeyword(const wxString& keyword) const;
    void addKeyword(const wxString& keyword);
    void removeKeyword(const wxString& keyword);

    int32_t getImageWidth() const;
    void setImageWidth(int32_t width);
    int32_t getImageHeight() const;
    void setImageHeight(int32_t height);
    int32_t getImageRotation() const;
    // Brought into 0-359 degrees first, so 450 and 90 are the same (unchanged) rotation.
    void setImageRotation(int32_t degrees);

    int32_t getSafeStorageType() const;
    void setSafeStorageType(int32_t type);
    int32_t getSafeStorageRevision() const;
    void setSafeStorageRevision(int32_t revision);
    wxString getSafeStorageAccountId() const;
    void setSafeStorageAccountId(const wxString& id);

    // True when the fields differ from the stored catalogue row. Storing the row clears it.
    bool isModified() const;
    void setModified(bool modified);

    // The picture time as the user reads it, e.g. "Sun Mar 07, 2004 at 14:05", shortened to
    // the parts the time mask says are known. Translated.
    wxString getDateText() const;
    static wxString formatDate(int32_t time, int32_t mask);

    // Compares the size of the local file, as its folder reports it (-2 when unreadable), with
    // the size in the catalogue (MAX_FILE_SIZE matching any size from there up). Throws
    // Quorvel::RuntimeException when they differ: the store no longer matches the catalogue.
    void checkFileSize(int64_t localFileSize) const;

    // The MIME type for a file name's extension (any case); empty when unknown.
    static wxString getContentTypeForFileName(const wxString& fileName);
    // The older, shorter rule: only the upper-case extension "JPEG" is known ("image/jpeg");
    // everything else is "application/unknown".
    static wxString getContentTypeForExtension(const wxString& fileName);
    // "JPEG images" / "JPEG Image" and so on; translated.
    static wxString getTypeDescription(const wxString& contentType, bool plural);

protected:
    ~File() override = default;

private:
    // The catalogue fills a new file from its row directly: loading a large collection would
    // otherwise spend more time in 28 setters (each locking and copying) than in SQLite.
    friend class Database;

    // Texts most pictures leave empty, kept apart so that a file without them carries one
    // pointer instead of eight strings.
    struct Details {
        Quorvel::CompactString creator;
        Quorvel::CompactString source;
        Quorvel::CompactString copyright;
        Quorvel::CompactString sublocation;
        Quorvel::CompactString city;
        Quorvel::CompactString province;
        Quorvel::CompactString countryCode;
        Quorvel::CompactString safeStorageAccountId;
        bool empty() const;
    };

    static int32_t normalizedRotation(int32_t degrees);
    // Sets `field` under the library lock and marks the file modified, unless nothing changes.
    template <typename T> void change(T& field, const T& value);
    void changeText(Quorvel::CompactString& field, const wxString& value);
    wxString detail(Quorvel::CompactString Details::*field) const;
    void changeDetail(Quorvel::CompactString Details::*field, const wxString& value);

    // A large catalogue keeps every file of the album on show in memory: the fields are packed
    // (texts as CompactString, the rare ones in m_details) to keep that within bounds.
    Quorvel::CompactString m_uri;
    Quorvel::CompactString m_fileName;
    Quorvel::CompactString m_contentType;
    Quorvel::CompactString m_scanner;
    Quorvel::CompactString m_caption;
    std::unique_ptr<Details> m_details;
    std::set<wxString> m_keywords;
    int32_t m_fileSize = 0;
    int32_t m_scanVersion = 0;
    int32_t m_fileModifyTime = 0;
    int32_t m_metaModifyTime = 0;
    int32_t m_time = 0;
    int32_t m_timeMask = TIME_ALL;
    int32_t m_imageWidth = 0;
    int32_t m_imageHeight = 0;
    int32_t m_imageRotation = 0;
    int32_t m_safeStorageType = 0;
    int32_t m_safeStorageRevision = 0;
    bool m_stateFlag1 = true;
    bool m_stateFlag2 = true;
    bool m_fileUserModified = false;
    bool m_metaUserModified = false;
    bool m_favorite = false;
    bool m_modified = true;
};

// Files by URI, as the file manager and the catalogue's loaders keep them. An entry may hold no
// file yet (Database::loadAllFileUris lists URIs only).
using FileMap = std::map<wxString, Quorvel::Ref<File>>;

} // namespace Brenmarle
