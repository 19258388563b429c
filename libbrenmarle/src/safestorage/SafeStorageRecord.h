#pragma once
// A catalogued picture's metadata as the storage service keeps it, both ways: what is sent
// with an upload or registration, and what a picture takes over from the server's copy.
//
// Pure functions over a file (whose accessors lock); any thread.

#include "files/File.h"
#include "service/StorageClient_3_0.h"

namespace Brenmarle {

class SafeStorageRecord {
public:
    // The picture's identity times and metadata; the caller fills in the server's id and the
    // client reference.
    static StorageClient_3_0::FileInfo infoOf(const File& file);
    // Takes over the server's metadata (texts, time and its mask, keywords, favourite, picture
    // size and rotation) and its metadata time. The file name is taken only when it is one
    // plain name; the file time and safe-storage fields are left alone.
    static void apply(const StorageClient_3_0::FileInfo& info, File& file);
    // File::TimeMaskBits to and from the wire's six flags.
    static StorageClient_3_0::TimeMask maskOf(int32_t bits);
    static int32_t bitsOf(const StorageClient_3_0::TimeMask& mask);
};

} // namespace Brenmarle
