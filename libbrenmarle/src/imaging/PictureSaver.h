#pragma once
// Writing an edited picture: over the file it came from ("Save Picture") or as a new file in an
// album or a computer folder ("Save As New Copy"), and loading a picture for editing.
//
// An edit works on the picture at full size, turned as the program shows it; the saved file
// holds those turned pixels, so its record's rotation becomes 0 and its orientation tag 1. The
// original is replaced atomically: the new picture is written completely beside it, then renamed
// over it, so a failure or a killed process leaves the old picture or the new one, never a
// broken one. EXIF, IPTC and the colour profile of the original stay in the saved file.
//
// Threads: the GUI thread (saving runs under the busy cursor); needs the file manager, and the
// catalogue for pictures of managed folders. Everything throws Quorvel exceptions with a text
// for the user; a failed save leaves the file, its record and its thumbnails as they were.

#include <wx/string.h>

#include "files/File.h"
#include "imaging/ImageData.h"

namespace Brenmarle {

class Folder2;

class PictureSaver {
public:
    static constexpr int SAVE_QUALITY = 85;

    // The picture of `file` at full size, turned by its stored rotation.
    static Quorvel::Ref<ImageData> loadForEditing(File& file);

    // Why the picture cannot be saved over (empty when it can): its folder is not on the local
    // disk, or the file or its directory is not writable.
    static wxString whyReadOnly(File& file);

    // Replaces the picture of `file` with `image` as a quality-85 JPEG, updates and stores its
    // record (size, modify time, "image/jpeg", width and height, rotation 0, modified by the
    // user now), drops its thumbnail and resized copies and announces FILE_CHANGED with
    // FileEvent::CHANGED_PICTURE. Throws Quorvel::FileNotFoundException when the picture was
    // deleted meanwhile (nothing is written), Quorvel::RuntimeException "Folder is not a local
    // folder", Quorvel::IOException "Could not move temporary file after saving image" or "Could
    // not stat file after saving image", or what writing the picture throws.
    static void saveOver(File& file, const ImageData& image);

    // Saves `image` as a new file named after `typedName` into the folder `folderUri`: an
    // album (through its own copy path, so the copy gets its UUID, scan, thumbnail and
    // FILE_ADDED) or a computer folder (never overwriting a file there: " (2)" and so on).
    // `format` is ImageData::FORMAT_JPEG or FORMAT_PNG. Returns the new file. Throws
    // Quorvel::RuntimeException "Unknown scheme: <uri>" for another kind of folder.
    static Quorvel::Ref<File> saveCopy(const ImageData& image, const wxString& folderUri,
                                       const wxString& typedName, int format, int quality);

    // The name a copy gets: safe for any file system (no "/", no ".."), with the extension of
    // the format (".jpg" or ".png") in place of a picture extension typed.
    static wxString copyName(const wxString& typedName, int format);

    // Deletes the thumbnail and every resized copy of `file` made for its current contents.
    static void dropCachedCopies(File& file);

private:
    // Throws Quorvel::FileNotFoundException when the picture was deleted (its file, or for a
    // managed folder its catalogue row, is gone).
    static void requireStillThere(File& file, Folder2& folder, const wxString& path);
};

} // namespace Brenmarle
