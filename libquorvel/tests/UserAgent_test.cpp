#include <gtest/gtest.h>

#include "system/UserAgent.h"

using Quorvel::UserAgent;

TEST(UserAgent, LibraryIdentityUntilSetThenCutAtACharacterBoundary)
{
    // Runs first in its own process (each test is a process under ctest), so nothing set it.
    EXPECT_EQ(UserAgent::get(), "libquorvel/0.0.0");

    UserAgent::set(wxString('a', 198) + wxString::FromUTF8("ø"));
    // 198 ASCII bytes plus a two-byte character would need 200 bytes: the character goes.
    EXPECT_EQ(UserAgent::get(), std::string(198, 'a'));

    UserAgent::set(wxString('b', 300));
    EXPECT_EQ(UserAgent::get().size(), 199u);
}

TEST(UserAgent, ComposedFromVersionSystemLocaleAndIpcName)
{
    const wxString agent = UserAgent::compose("2.4.16", "nb_NO", "vistrelle");
    EXPECT_TRUE(agent.StartsWith("Vistrelle/2.4.16 (Linux; U; Linux ")) << agent;
    EXPECT_TRUE(agent.EndsWith("; nb-NO; Quorvel; vistrelle)")) << agent;
}
