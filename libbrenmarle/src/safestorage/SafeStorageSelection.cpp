#include "safestorage/SafeStorageSelection.h"

#include <algorithm>

#include <wx/intl.h>

#include "files/File.h"
#include "system/Exceptions.h"

namespace Brenmarle {

SafeStorageSelection::SafeStorageSelection(std::vector<Picture> pictures, const wxString& accountId)
    : m_pictures(std::move(pictures)), m_accountId(accountId)
{
}

SafeStorageSelection::Picture SafeStorageSelection::of(const File& file)
{
    Picture picture;
    picture.uri = file.getURI();
    picture.size = file.getFileSize();
    picture.storageType = file.getSafeStorageType();
    picture.accountId = file.getSafeStorageAccountId();
    picture.revision = file.getSafeStorageRevision();
    picture.fileModifyTime = file.getFileModifyTime();
    picture.metaModifyTime = file.getMetaModifyTime();
    return picture;
}

SafeStorageSelection::State SafeStorageSelection::stateOf(const Picture& picture,
                                                          const wxString& accountId)
{
    if (picture.storageType == 0 || accountId.empty() || picture.accountId != accountId)
        return NOT_STORED;
    if (picture.revision == 0)
        return WAITING;
    if (picture.fileModifyTime > picture.revision || picture.metaModifyTime > picture.revision)
        return TO_BE_UPDATED;
    return STORED;
}

bool SafeStorageSelection::isStorable(const wxString& uri)
{
    // An album's pictures lie directly below "album://<id>/"; "album:///" is no album.
    if (uri.StartsWith(wxS("inbox://")))
        return uri.length() > 8 && uri.find('/', 8) == wxString::npos;
    if (!uri.StartsWith(wxS("album://")) || uri.length() <= 8 || uri[8] == '/')
        return false;
    const size_t slash = uri.find('/', 8);
    return slash != wxString::npos && slash + 1 < uri.length() &&
           uri.find('/', slash + 1) == wxString::npos;
}

int64_t SafeStorageSelection::slotsFor(int64_t bytes, int slotSize)
{
    if (slotSize <= 0)
        throw Quorvel::ResponseException(
            wxString::Format(_("The safe storage server gave an invalid slot size: %d"), slotSize));
    return std::max<int64_t>(1, (std::max<int64_t>(0, bytes) + slotSize - 1) / slotSize);
}

std::vector<SafeStorageSelection::Picture> SafeStorageSelection::getNotStored() const
{
    std::vector<Picture> result;
    for (const Picture& picture : m_pictures)
        if (stateOf(picture, m_accountId) == NOT_STORED)
            result.push_back(picture);
    return result;
}

int SafeStorageSelection::count(State state) const
{
    return static_cast<int>(
        std::count_if(m_pictures.begin(), m_pictures.end(), [&](const Picture& picture) {
            return stateOf(picture, m_accountId) == state;
        }));
}

bool SafeStorageSelection::allStorable() const
{
    return std::all_of(m_pictures.begin(), m_pictures.end(),
                       [](const Picture& picture) { return isStorable(picture.uri); });
}

int64_t SafeStorageSelection::getTotalSize() const
{
    int64_t total = 0;
    for (const Picture& picture : getNotStored())
        total += picture.size;
    return total;
}

int64_t SafeStorageSelection::slotsNeeded(int slotSize) const
{
    int64_t total = 0;
    for (const Picture& picture : getNotStored())
        total += slotsFor(picture.size, slotSize);
    return total;
}

} // namespace Brenmarle
