#pragma once
// Fetches the template list or a template package into a file, with the checks both share: a
// status other than 200, a write that fails, an abort and a body whose length is not the one
// announced each end the download with its message, and the file appears under its name only
// after all of them passed, so a failed download leaves the previous file as it was.
//
// Threads: the task's runner thread.

#include <cstdint>

#include <wx/string.h>

namespace Quorvel {
class HTTPClient;
class Task;
} // namespace Quorvel

namespace Brenmarle {

class TemplateDownload {
public:
    // Fetches `url` into `path` (its folder must exist), at most `maxBytes` bytes, reporting
    // progress to `task` on a scale of 0 to 1000 under its current progress text. Throws
    // NetworkException "Error downloading template list: Response code %d", IOException "Could
    // not open template list file for writing", "Error writing file! Not enough free disk
    // space?", "Downloaded bytes (%d) does not match expected bytes (%d)" or one for a body
    // over `maxBytes`, AbortException when the task is aborted, and the HTTP client's
    // exceptions.
    static void fetch(Quorvel::HTTPClient& http, const wxString& url, const wxString& path,
                      Quorvel::Task& task, int64_t maxBytes);
};

} // namespace Brenmarle
