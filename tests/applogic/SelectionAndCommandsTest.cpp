#include "AppFakes.h"
#include "WkComPortChoice.h"
#include "WkCommandTable.h"
#include "WkReaderChoice.h"
#include "WkRecentFileList.h"
#include "WkWindowCommands.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

TEST(WkComPortChoice, ListsOpenPortsInLibraryOrder) {
    FakeLibraries libs;
    EXPECT_EQ(WkComPortChoice::FromLibraries(libs).ImmediateResult(), 0);
    libs.AddPort(5, "12");
    WkComPortChoice one = WkComPortChoice::FromLibraries(libs);
    EXPECT_EQ(one.Texts(),
              (std::vector<std::string>{"COM:12  [Baud:9600; Frame:8E1; Timeout:800ms]"}));
    EXPECT_EQ(one.ImmediateResult(), 5);
    libs.AddPort(2, "256");
    libs.ports[1].para["baud"] = "115200";
    WkComPortChoice two = WkComPortChoice::FromLibraries(libs);
    ASSERT_EQ(two.Texts().size(), 2u);
    EXPECT_EQ(two.Texts()[1], "COM:256  [Baud:115200; Frame:8E1; Timeout:800ms]");
    EXPECT_FALSE(two.ImmediateResult().has_value());
    EXPECT_EQ(two.ResultFor(1), 2);
    EXPECT_EQ(two.ResultFor(-1), 0);
    EXPECT_EQ(two.ResultFor(2), 0);
    EXPECT_EQ(WkComPortChoice({"None", "COM:1"}, {0, 3}).ResultFor(0), 0);
}

TEST(WkReaderChoice, EntriesCarryAddressPortAndName) {
    FakeLibraries libs;
    libs.AddPort(7, "3");
    libs.readerPortHandle[1] = "7";
    libs.readerPortHandle[2] = "0";
    WkReaderChoice choice =
        WkReaderChoice::FromDocuments({{1, 5, "Reader1"}, {2, 254, "door.rdr"}}, libs);
    EXPECT_EQ(choice.Texts(), (std::vector<std::string>{"BusAdr:   5  COM:3  File:Reader1",
                                                        "BusAdr: 254  COM:-  File:door.rdr"}));
    auto second = choice.ResultFor(1);
    ASSERT_TRUE(second.has_value());
    EXPECT_EQ(second->readerHandle, 2);
    EXPECT_EQ(second->busAddress, "254");
    EXPECT_EQ(second->portText, "-");
    EXPECT_FALSE(choice.ResultFor(-1).has_value());
    EXPECT_TRUE(WkReaderChoice::FromDocuments({}, libs).IsEmpty());
    EXPECT_EQ(ReaderTypeNames(), (std::vector<std::string>{"KRA", "KRB", "KRC", "KRD"}));
}

TEST(WkCommandTable, PromptsAndToolTipsSplitAtTheLineBreak) {
    EXPECT_EQ(CommandPrompt(CommandId::kNewLog), "New Log-File.");
    EXPECT_EQ(CommandPrompt(CommandId::kComPort), "Open a COM-Port and set the COM-Parameters. ");
    EXPECT_EQ(CommandPrompt(CommandId::kShowAutoAnswer),
              "Protocol Window accept Protocols of Auto Answer Mode");
    EXPECT_EQ(CommandToolTip(CommandId::kShowAutoAnswer), "Show AA-Protocols");
    EXPECT_EQ(CommandPrompt(12345), "");
    // Every id appears once.
    std::set<int> ids;
    for (const WkCommand& command : CommandTable()) {
        EXPECT_TRUE(ids.insert(command.id).second) << command.id;
    }
    EXPECT_EQ(AutoAnswerPaneText(true), "Auto Answer on");
    EXPECT_EQ(AutoAnswerPaneText(false), "");
    EXPECT_EQ(AutoAnswerPaneText(true, true), "Auto Answer waits for device");
    EXPECT_EQ(AutoAnswerPaneText(false, true), "");
}

// Every menu and context-menu entry can be reached from the keyboard: it has a mnemonic or
// keys of its own, and no two entries or sub-menus of one menu share a mnemonic.
TEST(WkCommandTable, EveryEntryIsReachableFromTheKeyboard) {
    std::map<unsigned, std::set<char>> taken; // mnemonics per menu (0: the menu bar)
    const auto take = [&](unsigned menus, const char* text) {
        const char mnemonic = static_cast<char>(std::tolower(MnemonicOf(text)));
        for (unsigned menu = 1; menu <= kMenuToolbar; menu <<= 1) {
            if ((menus & menu) != 0 && mnemonic != 0) {
                EXPECT_TRUE(taken[menu].insert(mnemonic).second) << text;
            }
        }
        return mnemonic;
    };
    for (const WkCommand& command : CommandTable()) {
        EXPECT_TRUE(take(command.menus, command.menuText) != 0 || command.shortcut[0] != '\0')
            << command.menuText;
        EXPECT_NE(command.menus, 0u) << command.menuText;
    }
    for (const WkMenuTitle& title : MenuTitles()) {
        const char mnemonic = static_cast<char>(std::tolower(MnemonicOf(title.text)));
        EXPECT_NE(mnemonic, 0) << title.text;
        EXPECT_TRUE(taken[title.parent].insert(mnemonic).second) << title.text;
    }
}

TEST(WkRecentFileList, NewestFirstWithoutDuplicatesUpToNine) {
    WkRecentFileList list;
    for (int i = 0; i < 12; ++i) {
        list.Add("f" + std::to_string(i));
    }
    ASSERT_EQ(list.Entries().size(), 9u);
    EXPECT_EQ(list.Entries().front(), "f11");
    EXPECT_EQ(list.Entries().back(), "f3");
    list.Add("f5");
    EXPECT_EQ(list.Entries()[0], "f5");
    EXPECT_EQ(list.Entries().size(), 9u);
    list.Remove(0);
    list.Remove(99);
    EXPECT_EQ(list.Entries()[0], "f11");
    list.Assign({"a", "b", "a"});
    EXPECT_EQ(list.Entries(), (std::vector<std::string>{"a", "b"}));
}

// Whatever the number of windows, every arrangement keeps them inside the workspace: tiles
// fill it without overlapping, cascaded windows each show their title, icons line up along
// the bottom, and a window too large for the workspace is made to fit it.
TEST(WkWindowCommands, ArrangementsStayInsideTheWorkspace) {
    const WkSize workspace{1000, 600};
    const auto inside = [&](const WkRect& r) {
        return r.left >= 0 && r.top >= 0 && r.right <= workspace.width &&
               r.bottom <= workspace.height && r.right > r.left && r.bottom > r.top;
    };
    for (int count : {1, 2, 5, 13, 40}) {
        for (bool stacked : {true, false}) {
            long area = 0;
            for (const WkRect& r : TileRects(count, workspace, stacked, {200, 100})) {
                EXPECT_TRUE(inside(r)) << count;
                area += static_cast<long>(r.right - r.left) * (r.bottom - r.top);
            }
            // Covered once: no gap, no overlap.
            EXPECT_EQ(area, static_cast<long>(workspace.width) * workspace.height) << count;
        }
        const std::vector<WkRect> cascade = CascadeRects(count, workspace, 24);
        for (std::size_t i = 0; i < cascade.size(); ++i) {
            EXPECT_TRUE(inside(cascade[i])) << count;
            if (i > 0 && cascade[i].top > 0) {
                EXPECT_EQ(cascade[i].top - cascade[i - 1].top, 24) << count;
            }
        }
        for (const WkRect& r : IconRects(count, {160, 28}, workspace)) {
            EXPECT_TRUE(inside(r)) << count;
        }
    }
    // Two stacked windows: one above the other, each the whole width.
    EXPECT_EQ(TileRects(2, workspace, true, {200, 100})[1].top, 300);
    EXPECT_EQ(TileRects(2, workspace, true, {200, 100})[1].right, 1000);
    // The default place of a new window grows to its content and moves back inside.
    const WkRect fitted = FitWindowRect({900, 0, 1520, 300}, {1250, 330}, workspace);
    EXPECT_TRUE(inside(fitted));
    EXPECT_EQ(fitted.right - fitted.left, 1000);
    EXPECT_EQ(fitted.bottom - fitted.top, 330);
}

// Print Direct writes over a file only when the user agrees; No is the answer a Return gives.
TEST(WkWindowCommands, PrintingIntoAFileThatExistsAsksFirst) {
    const auto path = std::filesystem::temp_directory_path() / "corvel_print_direct.pdf";
    std::filesystem::remove(path);
    AppPrompts prompts;
    EXPECT_TRUE(MayReplaceFile(path.string(), prompts));
    EXPECT_TRUE(prompts.messages.empty());
    std::ofstream(path) << "%PDF";
    prompts.yesNoAnswers = {false, true};
    EXPECT_FALSE(MayReplaceFile(path.string(), prompts));
    EXPECT_EQ(prompts.messages.back(),
              path.string() + " already exists.\nDo you want to replace it?");
    EXPECT_TRUE(MayReplaceFile(path.string(), prompts));
    std::filesystem::remove(path);
}
