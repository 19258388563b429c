#pragma once
// Prepares the pictures of an e-mail as attachments: one file per picture in a folder of its
// own among the temporary files, named after the picture (cleaned for any file system and mail
// program, numbered when two pictures share a name), so the mail program shows the names the
// user knows and may read the files for as long as the program runs (start-up empties the
// temporary files). The pictures themselves are never touched.
//
// At size 0 (full size) each attachment is a byte-for-byte copy. At 160, 320, 640 or 1280 the
// picture is turned upright by its stored rotation and fitted, never enlarged, into the box of
// that size (160 x 120, 320 x 240, 640 x 480, 1280 x 960) as a screen of that size shows it,
// as the shares over the internet do; it is written as a quality-85 JPEG whose orientation
// tag is 1.
//
// Threads: made on the GUI thread; run() on a task runner thread; getAttachments() after the
// finished event. m_mutex guards m_attachments.

#include <functional>
#include <mutex>
#include <set>
#include <vector>

#include <wx/string.h>

#include "threads/Task.h"

namespace Brenmarle {

class EmailScalingTask : public Quorvel::Task {
public:
    static constexpr int JPEG_QUALITY = 85;
    static constexpr const char* FOLDER_PREFIX = "email-";

    // What the scaling needs to know of a picture.
    struct Picture {
        wxString path;
        wxString fileName; // the name the user knows it by
        wxString contentType;
        int rotation = 0; // degrees clockwise
    };
    // Finds the picture a URI names; runner thread. Throws when it cannot.
    using PictureLookup = std::function<Picture(const wxString& uri)>;

    struct Box {
        int width;
        int height;
    };
    // The box of a size of 160, 320, 640 or 1280; throws Quorvel::RuntimeException
    // "Unsupported preview size: <size>" for any other.
    static Box boxOf(int size);
    // The attachment's name for a picture file named `fileName`: cleaned, and with a ".jpg"
    // extension when `scaled` turns it into a JPEG of another type.
    static wxString attachmentName(const wxString& fileName, bool scaled);
    // A new folder among the temporary files for one message's attachments (not made yet).
    static wxString newFolder();

    // `size` 0 or less attaches full-size copies. The attachments go into `folder` (made when
    // missing). Without a lookup the pictures are looked up in the library.
    EmailScalingTask(const std::vector<wxString>& uris, int size, const wxString& folder,
                     PictureLookup lookup = {});

    // Throws "Unsupported preview size: <size>", what the lookup, reading, copying and writing
    // throw, AbortException when aborted. A run that does not finish removes what it wrote.
    void run() override;

    // The attachments' paths, one per picture in the order given.
    std::vector<wxString> getAttachments() const;

    // The library's picture for `uri`. Throws Quorvel::RuntimeException "Folder is not local
    // folder, abort email sending" for a picture that is not a file on this computer.
    static Picture lookUpInLibrary(const wxString& uri);

protected:
    ~EmailScalingTask() override;

private:
    // `name`, or "name (2).ext", ... : the first that no other attachment has, ignoring case
    // (a mail program may), and that is free in the folder.
    wxString freePath(const wxString& name);
    wxString attach(const Picture& picture, int index);
    void removeWritten();

    std::vector<wxString> m_uris;
    int m_size;
    wxString m_folder;
    PictureLookup m_lookup;
    std::set<wxString> m_taken; // lower-case names
    mutable std::mutex m_mutex;
    std::vector<wxString> m_attachments;
};

} // namespace Brenmarle
