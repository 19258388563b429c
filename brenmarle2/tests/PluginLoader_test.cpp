#include <gtest/gtest.h>

#include "LogCapture.h"
#include "ScratchDir.h"
#include "plugins/PluginLoader.h"
#include "plugins/PluginRegistry.h"

namespace {

void writeBundle(const ScratchDir& dir, const wxString& name, const std::string& uuid,
                 const std::string& extra = std::string())
{
    dir.writeFile(name + "/bundle.ini",
                  "[PluginBundle]\nUuid=" + uuid + "\nVersion=1.2.3\n" + extra);
}

} // namespace

TEST(PluginLoader, ReadsBundleMenusAndEveryCommandKey)
{
    ScratchDir dir;
    writeBundle(dir, "tools", "b-1", "InstallerUrl=https://example.org/i\n");
    dir.writeFile("tools/menu.ini", "[Extras]\nName=Extras\nPriority=7\nIcon=extras.png\n");
    dir.writeFile("tools/vspackage.xml", "<package/>");
    dir.writeFile("tools/resize.ini",
                  "Type=FILECOPYFILTER\nMenuId=/Tools/\nPriority=120\nMenuItem=Resize\n"
                  "MenuItemHelp=Makes pictures smaller\nMenuIcon=r.png\n"
                  "AcceptContentTypes=image/jpeg; image/png\nMinFiles=1\nMaxFiles=3\n"
                  "NeedsFileSelInfo=1\nNeedsFolderInfo=true\nWorkingDirectory=[package]\n"
                  "SplashTitle=Resizer\nExecute=run\nExecuteWin=run.exe\n"
                  "ForEachExecute=resize {file}\nForEachExecuteWin=resize.exe {file}\n"
                  "ExecuteMode=ASYNC\nQuitAction=KILL\nRequireLoginInfo=1\nForEachPause=250\n");

    const std::optional<PluginBundle> bundle = PluginLoader("2.0.0").loadBundle(dir / "tools");
    ASSERT_TRUE(bundle);
    EXPECT_EQ("b-1", bundle->uuid);
    EXPECT_EQ("Unnamed Plugin", bundle->name);
    EXPECT_EQ("1.2.3", bundle->version);
    EXPECT_EQ("https://example.org/i", bundle->installerUrl);
    EXPECT_EQ(dir / "tools/", bundle->dir);
    ASSERT_EQ(1u, bundle->menus.size());
    EXPECT_EQ("/Extras/", bundle->menus[0].id);
    EXPECT_EQ(7, bundle->menus[0].priority);
    EXPECT_EQ("extras.png", bundle->menus[0].icon);

    ASSERT_EQ(1u, bundle->commands.size());
    const PluginCommand& c = bundle->commands[0];
    EXPECT_EQ("resize", c.id);
    EXPECT_EQ("b-1", c.packageId);
    EXPECT_EQ(PluginCommand::FILECOPYFILTER, c.type);
    EXPECT_EQ("/Tools/", c.menuId);
    EXPECT_EQ(99, c.priority);
    EXPECT_EQ("Resize", c.menuItem);
    EXPECT_EQ("Makes pictures smaller", c.menuItemHelp);
    EXPECT_EQ((std::vector<wxString>{"image/jpeg", "image/png"}), c.acceptContentTypes);
    EXPECT_EQ(1, c.minFiles);
    EXPECT_EQ(3, c.maxFiles);
    EXPECT_TRUE(c.needsFileSelInfo);
    EXPECT_TRUE(c.needsFolderInfo);
    EXPECT_EQ("[package]", c.workingDirectory);
    EXPECT_EQ("Resizer", c.splashTitle);
    // The generic keys, never the Windows ones.
    EXPECT_EQ("run", c.execute);
    EXPECT_EQ("resize {file}", c.forEachExecute);
    EXPECT_EQ(PluginCommand::ASYNC, c.executeMode);
    EXPECT_EQ(PluginCommand::QUIT_KILL, c.quitAction);
    EXPECT_TRUE(c.requireLoginInfo);
    EXPECT_EQ(250, c.forEachPauseMs);
}

TEST(PluginLoader, SkipsAMisspelledTypeAndLoadsTheRest)
{
    ScratchDir dir;
    writeBundle(dir, "b", "b-1");
    dir.writeFile("b/a.ini", "Type=COMAND\nMenuId=/Tools/\n");
    dir.writeFile("b/b.ini", "Type=WEBLINK\nWebLinkUrl=https://example.org/\n");
    dir.writeFile("b/c.ini", "[Plugin]\nType=SEPARATOR\nMenuId=/Tools/\n");
    dir.writeFile("b/d.ini", "Type=COMMAND\nExecuteMode=ASYNCH\nQuitAction=HUP\n");
    LogCapture log;

    const std::optional<PluginBundle> bundle = PluginLoader("2.0.0").loadBundle(dir / "b");
    ASSERT_TRUE(bundle);
    EXPECT_TRUE(log.contains("[PLUGINLOADER] Unknown plugin type: COMAND"));
    EXPECT_TRUE(log.contains("[PLUGINLOADER] Load plugin a"));
    EXPECT_TRUE(log.contains("[PLUGINLOADER] Load INI file " + dir / "b/d.ini"));
    ASSERT_EQ(3u, bundle->commands.size());
    EXPECT_EQ(PluginCommand::WEBLINK, bundle->commands[0].type);
    EXPECT_EQ(PluginCommand::SEPARATOR, bundle->commands[1].type);
    EXPECT_EQ("/Tools/", bundle->commands[1].menuId);
    EXPECT_EQ(PluginCommand::MODE_NONE, bundle->commands[2].executeMode);
    EXPECT_EQ(PluginCommand::QUIT_NOTHING, bundle->commands[2].quitAction);
}

TEST(PluginLoader, RefusesBundlesWithoutIdentityOrForOtherVersions)
{
    ScratchDir dir;
    dir.writeFile("none/bundle.ini", "[PluginBundle]\nName=Nameless\n");
    writeBundle(dir, "newer", "n", "MinVistrelleVersion=2.1\n");
    writeBundle(dir, "iface", "i", "MinPluginSystemVersion=2.0.0\n");
    writeBundle(dir, "fits", "f", "MinVistrelleVersion=1.9.99\nMaxVistrelleVersion=2.0.0\n");
    dir.writeFile("nobundle/x.ini", "Type=COMMAND\n");
    LogCapture log;

    const std::vector<PluginBundle> bundles = PluginLoader("2.0.0").scan(dir.path());
    ASSERT_EQ(1u, bundles.size());
    EXPECT_EQ("f", bundles[0].uuid);
    EXPECT_TRUE(log.contains("[PLUGINLOADER] Scanning " + dir.path()));
    EXPECT_EQ(0, PluginLoader::compareVersions("1.2", "1.2.0"));
    EXPECT_LT(PluginLoader::compareVersions("1.9.10", "1.10"), 0);
}

TEST(PluginRegistry, OrdersSlotsByPriorityAndKeepsTheFirstCopyOfABundle)
{
    ScratchDir program;
    ScratchDir user;
    writeBundle(program, "one", "b-1");
    program.writeFile("one/late.ini", "Type=COMMAND\nMenuId=/Tools/\nPriority=60\n");
    program.writeFile("one/early.ini", "Type=COMMAND\nMenuId=/Tools/\nPriority=10\n");
    program.writeFile("one/other.ini", "Type=COMMAND\nMenuId=/File/\n");
    writeBundle(user, "copy", "b-1");
    user.writeFile("copy/dup.ini", "Type=COMMAND\nMenuId=/Tools/\n");
    writeBundle(user, "two", "b-2");
    user.writeFile("two/same.ini", "Type=SEPARATOR\nMenuId=/Tools/\nPriority=60\n");

    PluginRegistry registry;
    registry.load({program.path(), user.path()}, PluginLoader("2.0.0"));

    std::vector<wxString> ids;
    for (const PluginCommand* command : registry.getCommands("/Tools/"))
        ids.push_back(command->id);
    EXPECT_EQ((std::vector<wxString>{"early", "late", "same"}), ids);
    EXPECT_EQ(2u, registry.getBundles().size());
    ASSERT_NE(nullptr, registry.findCommand("b-2", "same"));
    EXPECT_EQ(nullptr, registry.findCommand("b-1", "dup"));
    EXPECT_EQ(nullptr, registry.findCommand("b-3", "same"));
}

TEST(PluginCommand, EnabledByCountAndContentTypes)
{
    PluginCommand command;
    command.minFiles = 1;
    command.maxFiles = 2;
    command.acceptContentTypes = {"image/*"};
    EXPECT_FALSE(command.isEnabledFor({}));
    EXPECT_TRUE(command.isEnabledFor({"image/jpeg", "IMAGE/PNG"}));
    EXPECT_FALSE(command.isEnabledFor({"image/jpeg", "video/mpeg"}));
    EXPECT_FALSE(command.isEnabledFor({"image/jpeg", "image/jpeg", "image/jpeg"}));
    command.acceptContentTypes.clear();
    command.maxFiles = -1;
    EXPECT_TRUE(command.isEnabledFor({"video/mpeg", "a", "b"}));
}
