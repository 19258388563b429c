#include "importexport/SpoolFolder.h"

#include <algorithm>
#include <ctime>
#include <memory>
#include <optional>
#include <vector>

#include <sys/stat.h>

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <wx/dir.h>
#include <wx/ffile.h>
#include <wx/filefn.h>
#include <wx/filename.h>

#include "database/Database.h"
#include "filemanager/FileManager.h"
#include "files/FileCopier.h"
#include "files/StoragePaths.h"
#include "files/Uri.h"
#include "folders/ManagedFolder.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "util/InputFile.h"
#include "util/OutputFile.h"

using Brenmarle::File;
using Brenmarle::FileManager;

namespace {

struct DocumentDeleter {
    void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};
using Document = std::unique_ptr<xmlDoc, DocumentDeleter>;

// One failed step: its message is what the item's ".fail" file says.
struct SpoolError {
    wxString message;
};

wxString nameOf(const xmlNode* node)
{
    return wxString::FromUTF8(reinterpret_cast<const char*>(node->name));
}

wxString textOf(const xmlNode* node)
{
    std::unique_ptr<xmlChar, decltype(xmlFree)> text(xmlNodeGetContent(node), xmlFree);
    return text ? wxString::FromUTF8(reinterpret_cast<const char*>(text.get())).Trim().Trim(false)
                : wxString();
}

const xmlNode* childElement(const xmlNode* parent, const char* name)
{
    for (const xmlNode* child = parent->children; child; child = child->next) {
        if (child->type == XML_ELEMENT_NODE && nameOf(child) == name)
            return child;
    }
    return nullptr;
}

// What the item description says.
struct Description {
    wxString fileUri;
    std::optional<wxString> fileName;
    std::optional<wxString> contentType;
    std::optional<long> time;
    std::optional<long> timeMask;
};

Description readDescription(const wxString& path)
{
    if (!wxFileExists(path))
        throw SpoolError{"Could not find spool item XML-file"};
    wxStructStat info;
    if (wxStat(path, &info) != 0 || info.st_size > SpoolFolder::MAX_DESCRIPTION_BYTES)
        throw SpoolError{"Could not load spool item XML document"};
    // No network, no document types, no entity expansion: a description is data, not a
    // reference to other data.
    Document document(xmlReadFile(path.utf8_str(), nullptr,
                                  XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    if (!document || document->intSubset || document->extSubset)
        throw SpoolError{"Could not load spool item XML document"};
    const xmlNode* root = xmlDocGetRootElement(document.get());
    if (!root)
        throw SpoolError{"Could not find spool item XML rootnode"};
    Description description;
    const xmlNode* uri = childElement(root, "fileuri");
    if (uri)
        description.fileUri = textOf(uri);
    if (description.fileUri.empty())
        throw SpoolError{"No file uri in spool item XML"};
    if (const xmlNode* meta = childElement(root, "setmetadata")) {
        if (const xmlNode* node = childElement(meta, "filename"))
            description.fileName = textOf(node);
        if (const xmlNode* node = childElement(meta, "contenttype"))
            description.contentType = textOf(node);
        long number = 0;
        if (const xmlNode* node = childElement(meta, "time"); node && textOf(node).ToLong(&number))
            description.time = number;
        if (const xmlNode* node = childElement(meta, "timemask");
            node && textOf(node).ToLong(&number))
            description.timeMask = number;
    }
    return description;
}

bool isUuid(const wxString& text)
{
    if (text.length() != 36)
        return false;
    return std::all_of(text.begin(), text.end(), [](wxUniChar c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') ||
               c == '-';
    });
}

// A new file of a managed folder is named by a fresh UUID; the picture store files it under
// that UUID alone, so a URI reusing a UUID would overwrite another album's picture.
void checkNewFileUri(const wxString& uri, Brenmarle::Folder2& folder)
{
    const wxString part = Brenmarle::Uri::filePartOf(uri);
    if (!isUuid(part) || Brenmarle::Uri::folderOf(uri) != folder.getURI())
        throw SpoolError{"Invalid file uri in spool item XML"};
    bool taken = FileManager::get().isRegistered(uri);
    try {
        Brenmarle::Database::getInstance().findFileUri(part);
        taken = true;
    } catch (const Quorvel::Exception&) {
        // Not catalogued: free.
    }
    if (taken)
        throw SpoolError{"The file of the spool item exists already"};
}

void makeParentDir(const wxString& path)
{
    const wxString dir = wxFileName(path).GetPath();
    if (!wxFileName::DirExists(dir) && !wxFileName::Mkdir(dir, 0755, wxPATH_MKDIR_FULL))
        throw SpoolError{"Could not create directory"};
}

} // namespace

SpoolFolder::SpoolFolder(const wxString& dir) : m_dir(dir) {}

int SpoolFolder::processAll()
{
    wxDir dir;
    if (!wxDir::Exists(m_dir))
        return 0;
    {
        wxLogNull quiet; // a folder that cannot be read is tried again next time
        if (!dir.Open(m_dir))
            return 0;
    }
    std::vector<wxString> ready;
    wxString name;
    for (bool more = dir.GetFirst(&name, "*.ready", wxDIR_FILES); more; more = dir.GetNext(&name))
        ready.push_back(name);
    std::sort(ready.begin(), ready.end());
    for (const wxString& item : ready)
        processItem(m_dir + item.BeforeLast('.'));
    return static_cast<int>(ready.size());
}

bool SpoolFolder::processItem(const wxString& base)
{
    bool ok = false;
    wxString result;
    try {
        addItem(base);
        result = wxString::Format("%d", static_cast<int>(std::time(nullptr)));
        ok = true;
    } catch (const SpoolError& e) {
        result = wxString::Format("%d\n%s", static_cast<int>(std::time(nullptr)), e.message);
        // Another program's work: its result file tells it, the user is not interrupted.
        Quorvel::logBackgroundError(e.message);
    } catch (const Quorvel::Exception& e) {
        result = wxString::Format("%d\n%s", static_cast<int>(std::time(nullptr)), e.getMessage());
        Quorvel::logBackgroundError(e.getMessage());
    }
    // The result comes last: a program waiting for it finds the item wholly done, its inputs
    // gone, and may use the same name again at once.
    for (const char* extension : {".file", ".xml", ".ready"}) {
        if (wxFileExists(base + extension))
            wxRemoveFile(base + extension);
    }
    writeResult(base, ok ? ".ok" : ".fail", result);
    return ok;
}

void SpoolFolder::addItem(const wxString& base)
{
    const Description description = readDescription(base + ".xml");
    const wxString& uri = description.fileUri;
    FileManager& manager = FileManager::get();
    Brenmarle::FolderRef folder;
    try {
        folder = manager.getFolder(uri);
    } catch (const Quorvel::Exception&) {
        throw SpoolError{"Could not find folder (spool file)"};
    }
    auto* managed = dynamic_cast<Brenmarle::ManagedFolder*>(folder.get());
    if (!managed)
        throw SpoolError{"Spool items can only be added to albums and the inbox"};
    checkNewFileUri(uri, *managed);

    Quorvel::Ref<File> file = Quorvel::Ref<File>::adopt(new File(uri));
    file->setFileName(description.fileName.value_or(Brenmarle::Uri::filePartOf(uri)));
    const wxString target = managed->getLocalPath(*file);
    if (wxFileExists(base + ".file")) {
        makeParentDir(target);
        Quorvel::InputFile input(base + ".file");
        Quorvel::OutputFile output(target);
        Brenmarle::FileCopier().transfer(input, output);
        // Never over a file that is there already, even one that arrived meanwhile.
        if (!Brenmarle::FileCopier::commit(output, false, true))
            throw SpoolError{"The file of the spool item exists already"};
    }
    managed->readFileInformation(*file, true);
    if (description.fileName)
        file->setFileName(*description.fileName);
    if (description.contentType)
        file->setContentType(*description.contentType);
    if (description.time)
        file->setTime(static_cast<int32_t>(*description.time));
    if (description.timeMask)
        file->setTimeMask(static_cast<int32_t>(*description.timeMask));
    // Stores the row, makes the thumbnail, registers the file and announces it.
    managed->onFileAdded(*file, wxString(), false);
    manager.fileChanged(*file, 0);
    QDEBUG("[FILEMONITOR] Spool item %s added as %s", base, uri);
}

void SpoolFolder::writeResult(const wxString& base, const wxString& extension, const wxString& text)
{
    const wxString temp = base + ".temp";
    {
        wxFFile out(temp, "w");
        if (!out.IsOpened() || !out.Write(text, wxConvUTF8) || !out.Close()) {
            QDEBUG("[FILEMONITOR] Could not write %s", temp);
            return;
        }
    }
    if (!wxRenameFile(temp, base + extension, true))
        QDEBUG("[FILEMONITOR] Could not rename %s", temp);
}
