#include <gtest/gtest.h>

#include <unistd.h>

#include "ScratchDir.h"
#include "mainframe/HelpAddress.h"

TEST(HelpAddress, OpensOnlyPagesInsideTheHelpFolder)
{
    ScratchDir dir;
    dir.writeFile("help/index.html", "<html></html>");
    dir.writeFile("help/albums.html", "<html></html>");
    dir.writeFile("help/notes.txt", "text");
    dir.writeFile("secret.html", "<html></html>");
    ASSERT_EQ(::symlink((dir / "secret.html").utf8_str(), (dir / "help/link.html").utf8_str()), 0);
    const wxString help = dir / "help/";

    EXPECT_EQ(HelpAddress::resolve("help://", help), help + "index.html");
    EXPECT_EQ(HelpAddress::resolve("help://albums.html#hide", help), help + "albums.html#hide");
    for (const char* address : {"help://../secret.html", "help://./../secret.html",
                                "help:///etc/passwd", "help://missing.html", "help://link.html",
                                "help://notes.txt", "app://albums.html", "albums.html"})
        EXPECT_EQ(HelpAddress::resolve(address, help), wxString()) << address;
}
