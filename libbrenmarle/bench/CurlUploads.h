#pragma once
// The yardstick of the upload benchmarks: curl(1) sending files to the reference provider's
// upload addresses, one POST per file with the file as its body and its MD5 given, all from one
// curl process (one connection kept open where it can), with a session's credentials.

#include <string>
#include <vector>

class CurlUploads {
public:
    struct Upload {
        std::string url;
        std::string path;
    };

    // Seconds curl took for all of `uploads` (the MD5s are worked out before the clock starts).
    // The config file is written into `folder`. Throws std::runtime_error when curl fails.
    static double time(const std::vector<Upload>& uploads, const std::string& sessionId,
                       const std::string& folder);
};
