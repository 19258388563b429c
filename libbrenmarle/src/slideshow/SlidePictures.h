#pragma once
// The pictures of a slide show, in the order given, kept small: a show of the whole catalogue
// lists 100,000 pictures by their catalogue rows, a folder's or a selection's by URI, and the
// file object of a picture is made only when the show comes to it.
//
// A value; its owner's thread (the GUI thread for a running show) uses it. fileAt() reads
// through the catalogue and the file manager, which take the library lock.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "files/File.h"
#include "util/CompactString.h"

namespace Brenmarle {

class Database;

class SlidePictures {
public:
    SlidePictures() = default;
    // Files already in memory (they stay there for the show).
    static SlidePictures ofFiles(std::vector<Quorvel::Ref<File>> files);
    static SlidePictures ofUris(const std::vector<wxString>& uris);
    // Rows of the catalogue `database`, which must outlive the list.
    static SlidePictures ofRows(std::vector<int64_t> rowids, Database& database);

    std::size_t size() const;
    bool empty() const { return size() == 0; }

    // The file of picture `index` (< size()). Throws Quorvel::Exception when it cannot be had
    // (its row or file has gone since the list was made).
    Quorvel::Ref<File> fileAt(std::size_t index) const;

private:
    std::vector<Quorvel::Ref<File>> m_files;
    std::vector<Quorvel::CompactString> m_uris;
    std::vector<int64_t> m_rows;
    Database* m_database = nullptr;
};

} // namespace Brenmarle
