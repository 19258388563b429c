#include <gtest/gtest.h>

#include "Md5.h"
#include "ScratchDir.h"

using Provider::Md5;

TEST(Md5, DigestsPiecesAsAWholeAndFilesAsTheirBytes)
{
    EXPECT_EQ(Md5().hex(), "d41d8cd98f00b204e9800998ecf8427e");
    Md5 pieces;
    pieces.update("a", 1);
    pieces.update("", 0);
    pieces.update("bc", 2);
    EXPECT_EQ(pieces.hex(), "900150983cd24fb0d6963f7d28e17f72");

    ScratchDir dir;
    std::string bytes(200000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7);
    dir.writeFile("file.bin", bytes);
    Md5 whole;
    whole.update(bytes.data(), bytes.size());
    EXPECT_EQ(Md5::ofFile(std::string((dir / "file.bin").utf8_str())), whole.hex());
    EXPECT_THROW(Md5::ofFile("/nonexistent/file"), std::runtime_error);

    EXPECT_TRUE(Md5::isHex("900150983CD24FB0D6963F7D28E17F72"));
    EXPECT_FALSE(Md5::isHex("900150983cd24fb0d6963f7d28e17f7"));
    EXPECT_FALSE(Md5::isHex("900150983cd24fb0d6963f7d28e17f7g"));
}
