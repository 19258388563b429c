#include "plugins/PluginDescriptionFiles.h"

#include <memory>

#include <libxml/tree.h>

#include "filemanager/FileManager.h"
#include "system/Exceptions.h"
#include "util/OutputFile.h"

namespace {

struct DocumentDeleter {
    void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};
using Document = std::unique_ptr<xmlDoc, DocumentDeleter>;

const xmlChar* x(const char* text)
{
    return reinterpret_cast<const xmlChar*>(text);
}

void addText(xmlNode* parent, const char* name, const wxString& value)
{
    // xmlNewTextChild escapes the text, so names with "<" or "&" stay text.
    xmlNewTextChild(parent, nullptr, x(name), x(value.utf8_str()));
}

Document newDocument(const char* rootName, xmlNode*& root)
{
    Document document(xmlNewDoc(x("1.0")));
    root = xmlNewNode(nullptr, x(rootName));
    xmlDocSetRootElement(document.get(), root);
    return document;
}

void save(const Document& document, const wxString& path)
{
    xmlChar* bytes = nullptr;
    int size = 0;
    xmlDocDumpFormatMemoryEnc(document.get(), &bytes, &size, "UTF-8", 1);
    std::unique_ptr<xmlChar, decltype(xmlFree)> owner(bytes, xmlFree);
    if (!bytes)
        throw Quorvel::IOException("Could not write " + path);
    Quorvel::OutputFile output(path);
    output.write(bytes, static_cast<size_t>(size));
    output.commit();
}

wxString localPathOf(Brenmarle::File& file)
{
    try {
        return Brenmarle::FileManager::get().getLocalPath(file);
    } catch (const Quorvel::Exception&) {
        // A file of a web or device folder has no path on disk.
        return wxString();
    }
}

} // namespace

void PluginDescriptionFiles::writeFileSelection(
    const wxString& path, const std::vector<Quorvel::Ref<Brenmarle::File>>& files)
{
    xmlNode* root = nullptr;
    Document document = newDocument("fileselinfo", root);
    for (const Quorvel::Ref<Brenmarle::File>& file : files) {
        xmlNode* element = xmlNewChild(root, nullptr, x("file"), nullptr);
        addText(element, "uri", file->getURI());
        addText(element, "filename", file->getFileName());
        addText(element, "filesize", wxString::Format("%d", file->getFileSize()));
        addText(element, "time", wxString::Format("%d", file->getTime()));
        addText(element, "timemask", wxString::Format("%d", file->getTimeMask()));
        addText(element, "localpath", localPathOf(*file));
    }
    save(document, path);
}

void PluginDescriptionFiles::writeFolder(const wxString& path, const Brenmarle::FolderRef& folder)
{
    xmlNode* root = nullptr;
    Document document = newDocument("folderinfo", root);
    if (folder) {
        addText(root, "uri", folder->getURI());
        addText(root, "name", folder->getName());
    }
    save(document, path);
}
