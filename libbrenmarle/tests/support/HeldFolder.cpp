#include "HeldFolder.h"

#include "files/Uri.h"

HeldFolder::HeldFolder(const wxString& directory, LoadGate& gate)
    : m_directory(directory), m_gate(gate)
{
}

Quorvel::Ref<Brenmarle::File> HeldFolder::getFile(const wxString& uri)
{
    auto file = Quorvel::makeRef<Brenmarle::File>(uri);
    // Not through getLocalPath: making the file must not pass the gate.
    readFileSystemData(*file, m_directory + Brenmarle::Uri::filePartOf(uri));
    return file;
}

wxString HeldFolder::getLocalPath(const Brenmarle::File& file)
{
    m_gate.pass();
    return m_directory + Brenmarle::Uri::filePartOf(file.getURI());
}

wxString HeldFolder::getThumbnailPath(Brenmarle::File& file)
{
    return m_directory + "thumbnails/" + Brenmarle::Uri::filePartOf(file.getURI());
}

wxString HeldFolder::getResizedPath(Brenmarle::File& file, int width, int height)
{
    return m_directory + wxString::Format("resized/%dx%d/", width, height) +
           Brenmarle::Uri::filePartOf(file.getURI());
}
