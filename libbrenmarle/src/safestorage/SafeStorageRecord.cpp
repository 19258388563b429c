#include "safestorage/SafeStorageRecord.h"

namespace Brenmarle {

StorageClient_3_0::TimeMask SafeStorageRecord::maskOf(int32_t bits)
{
    return {(bits & 1) != 0, (bits & 2) != 0,  (bits & 4) != 0,
            (bits & 8) != 0, (bits & 16) != 0, (bits & 32) != 0};
}

int32_t SafeStorageRecord::bitsOf(const StorageClient_3_0::TimeMask& mask)
{
    return (mask.year ? 1 : 0) | (mask.month ? 2 : 0) | (mask.day ? 4 : 0) | (mask.hour ? 8 : 0) |
           (mask.minute ? 16 : 0) | (mask.second ? 32 : 0);
}

StorageClient_3_0::FileInfo SafeStorageRecord::infoOf(const File& file)
{
    StorageClient_3_0::FileInfo info;
    info.fileModifyTime = file.getFileModifyTime();
    info.metaModifyTime = file.getMetaModifyTime();
    info.fileName = file.getFileName();
    info.fileSize = file.getFileSize();
    info.contentType = file.getContentType();
    info.scanVersion = file.getScanVersion();
    info.scanner = file.getScanner();
    info.fileUserModified = file.isFileUserModified();
    info.metaUserModified = file.isMetaUserModified();
    info.favorite = file.isFavorite();
    info.caption = file.getCaption();
    // The camera's wall clock, held as if it were UTC: the client sends it as that UTC time.
    info.time = file.getTime();
    info.timeMask = maskOf(file.getTimeMask());
    info.creator = file.getCreator();
    info.source = file.getSource();
    info.copyright = file.getCopyright();
    info.sublocation = file.getSublocation();
    info.city = file.getCity();
    info.province = file.getProvince();
    info.countryCode = file.getCountryCode();
    for (const wxString& keyword : file.getKeywords())
        info.keywords.push_back(keyword);
    info.imageWidth = file.getImageWidth();
    info.imageHeight = file.getImageHeight();
    info.imageRotation = file.getImageRotation();
    return info;
}

void SafeStorageRecord::apply(const StorageClient_3_0::FileInfo& info, File& file)
{
    if (StorageClient_3_0::isPlainName(info.fileName))
        file.setFileName(info.fileName);
    if (!info.contentType.empty())
        file.setContentType(info.contentType);
    file.setFileUserModified(info.fileUserModified);
    file.setMetaUserModified(info.metaUserModified);
    file.setFavorite(info.favorite);
    file.setCaption(info.caption);
    file.setTime(static_cast<int32_t>(info.time));
    file.setTimeMask(bitsOf(info.timeMask));
    file.setCreator(info.creator);
    file.setSource(info.source);
    file.setCopyright(info.copyright);
    file.setSublocation(info.sublocation);
    file.setCity(info.city);
    file.setProvince(info.province);
    file.setCountryCode(info.countryCode);
    file.setKeywords(std::set<wxString>(info.keywords.begin(), info.keywords.end()));
    file.setImageWidth(info.imageWidth);
    file.setImageHeight(info.imageHeight);
    file.setImageRotation(info.imageRotation);
    file.setMetaModifyTime(static_cast<int32_t>(info.metaModifyTime));
}

} // namespace Brenmarle
