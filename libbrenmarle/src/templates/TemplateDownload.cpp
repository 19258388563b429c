#include "templates/TemplateDownload.h"

#include <memory>

#include <wx/intl.h>

#include "service/HTTPClient.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "threads/Task.h"
#include "util/OutputFile.h"

namespace Brenmarle {

namespace {

std::unique_ptr<Quorvel::OutputFile> openOutput(const wxString& path)
{
    try {
        return std::make_unique<Quorvel::OutputFile>(path);
    } catch (const Quorvel::Exception& e) {
        QDEBUG("[DOWNLOADTEMPLATELISTTASK] %s: %s", path, e.getMessage());
        throw Quorvel::IOException(_("Could not open template list file for writing"));
    }
}

} // namespace

void TemplateDownload::fetch(Quorvel::HTTPClient& http, const wxString& url, const wxString& path,
                             Quorvel::Task& task, int64_t maxBytes)
{
    http.setAbortCheck([&task] { return task.isAborted(); });
    try {
        const int status = http.get(url);
        if (status != 200)
            throw Quorvel::NetworkException(
                wxString::Format(_("Error downloading template list: Response code %d"), status));
        const int64_t length = http.getContentLength();
        if (length > maxBytes)
            throw Quorvel::IOException(
                wxString::Format(_("Download size (%lld) is larger than maximum allowed (%lld)"),
                                 (long long)length, (long long)maxBytes));
        std::unique_ptr<Quorvel::OutputFile> file = openOutput(path);
        int64_t written = 0;
        http.readBody([&](const char* data, size_t size) {
            if (written + static_cast<int64_t>(size) > maxBytes)
                throw Quorvel::IOException(wxString::Format(
                    _("Download size (%lld) is larger than maximum allowed (%lld)"),
                    (long long)(written + static_cast<int64_t>(size)), (long long)maxBytes));
            try {
                file->write(data, size);
            } catch (const Quorvel::Exception& e) {
                QDEBUG("Exception in write statement: %s", e.getMessage());
                throw Quorvel::IOException(_("Error writing file! Not enough free disk space?"));
            }
            written += static_cast<int64_t>(size);
            task.checkAbort();
            if (length > 0)
                task.progress(written * 1000 / length, 1000);
        });
        if (length >= 0 && written != length)
            throw Quorvel::IOException(
                wxString::Format(_("Downloaded bytes (%lld) does not match expected bytes (%lld)"),
                                 (long long)written, (long long)length));
        file->commit();
    } catch (const Quorvel::AbortException&) {
        QDEBUG("DOWNLOADTEMPLATELISTTASK ABORT");
        throw;
    }
}

} // namespace Brenmarle
