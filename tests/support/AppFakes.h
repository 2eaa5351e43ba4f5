#pragma once
// Scripted stand-ins for the libraries, the prompts and the main window.

#include "WkComPortChoice.h"
#include "WkDocument.h"
#include "WkFrameHost.h"
#include "WkLibraries.h"
#include "WkPrompts.h"
#include "WkReaderChoice.h"

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct FakePort {
    int handle;
    std::map<std::string, std::string> para;
};

class FakeLibraries : public WkLibraries {
public:
    std::string sornVersion = "02.08.02";
    std::string velkVersion = "02.03.00";
    int nextReader = 1;
    int newReaderResult = 0; // when non-zero, NewReader returns it
    std::vector<FakePort> ports;
    std::map<int, std::string> readerPortHandle;
    std::vector<std::string> calls; // "Set h key=value" / "Get h key"
    int isLockedAnswer = 1;
    WkProtocolCallback callback = nullptr;

    std::string VelkVersion() override { return velkVersion; }
    std::string SornVersion() override { return sornVersion; }
    int NewReader(int port) override {
        calls.push_back("New " + std::to_string(port));
        return newReaderResult != 0 ? newReaderResult : nextReader++;
    }
    int SetReaderPara(int reader, const std::string& key, const std::string& value) override {
        calls.push_back("Set " + std::to_string(reader) + " " + key + "=" + value);
        return 0;
    }
    int GetReaderPara(int reader, const std::string& key, std::string& value) override {
        calls.push_back("Get " + std::to_string(reader) + " " + key);
        if (key == "IsProtToAppLocked") {
            return isLockedAnswer;
        }
        if (key == "porthnd") {
            auto it = readerPortHandle.find(reader);
            value = it == readerPortHandle.end() ? "0" : it->second;
        }
        return 0;
    }
    void SetProtocolCallback(WkProtocolCallback cb) override { callback = cb; }
    int NextPort(int handle) override {
        if (handle == 0) {
            return ports.empty() ? 0 : ports.front().handle;
        }
        for (std::size_t i = 0; i + 1 < ports.size(); ++i) {
            if (ports[i].handle == handle) {
                return ports[i + 1].handle;
            }
        }
        return 0;
    }
    int GetPortPara(int port, const std::string& key, std::string& value) override {
        for (const FakePort& p : ports) {
            if (p.handle == port) {
                auto it = p.para.find(key);
                value = it == p.para.end() ? "" : it->second;
                return 0;
            }
        }
        return -1001;
    }
    int SetPortPara(int, const std::string&, const std::string&) override { return 0; }
    int GetPortHandle(const std::string&) override { return 0; }
    int OpenPort(const std::string&) override { return -1; }
    int ClosePort(int) override { return 0; }
    int DoPortCommand(int, const std::string&, std::string&) override { return 0; }

    void AddPort(int handle, const std::string& number) {
        ports.push_back(
            {handle, {{"PortNr", number}, {"baud", "9600"}, {"frame", "8E1"}, {"timeout", "800"}}});
    }
};

class AppPrompts : public WkPrompts {
public:
    std::vector<std::string> messages;
    std::deque<std::string> openAnswers; // "" means cancel
    std::deque<bool> yesNoAnswers;
    std::deque<Answer> yesNoCancelAnswers; // when empty, Yes/No questions answer for it
    std::deque<std::string> saveAnswers;
    std::vector<std::string> saveProposals;
    std::vector<std::string> saveFilters;
    int comPortDialogs = 0;
    int comPortIndex = 0; // the entry the user picks
    int readerDialogs = 0;
    int readerIndex = -1; // -1 = Cancel

    void ShowMessage(const std::string& text, Icon = Icon::Warning) override {
        messages.push_back(text);
    }
    bool AskYesNo(const std::string& text) override {
        messages.push_back(text);
        if (yesNoAnswers.empty()) {
            return false;
        }
        bool answer = yesNoAnswers.front();
        yesNoAnswers.pop_front();
        return answer;
    }
    Answer AskYesNoCancel(const std::string& text) override {
        if (yesNoCancelAnswers.empty()) {
            return AskYesNo(text) ? Answer::Yes : Answer::No;
        }
        messages.push_back(text);
        const Answer answer = yesNoCancelAnswers.front();
        yesNoCancelAnswers.pop_front();
        return answer;
    }
    int SelectFromList(const std::string&, const std::string&, const std::vector<std::string>&,
                       int) override {
        return -1;
    }
    std::deque<int> choiceAnswers; // when empty, the box is closed (-1)
    std::vector<int> choicePreferred;
    int AskChoice(const std::string& text, const std::vector<std::string>&,
                  int preferred) override {
        messages.push_back(text);
        choicePreferred.push_back(preferred);
        if (choiceAnswers.empty()) {
            return -1;
        }
        const int answer = choiceAnswers.front();
        choiceAnswers.pop_front();
        return answer;
    }
    std::deque<std::optional<std::string>> textAnswers; // when empty: Cancel
    std::vector<std::string> textProposals;
    std::optional<std::string> AskText(const std::string&, const std::string& text,
                                       const std::string& initial) override {
        messages.push_back(text);
        textProposals.push_back(initial);
        if (textAnswers.empty()) {
            return std::nullopt;
        }
        std::optional<std::string> answer = textAnswers.front();
        textAnswers.pop_front();
        return answer;
    }
    std::optional<std::string> AskOpenFileName() override {
        if (openAnswers.empty() || openAnswers.front().empty()) {
            if (!openAnswers.empty()) {
                openAnswers.pop_front();
            }
            return std::nullopt;
        }
        std::string answer = openAnswers.front();
        openAnswers.pop_front();
        return answer;
    }
    std::optional<std::string> AskSaveFileName(const std::string& proposal) override {
        saveProposals.push_back(proposal);
        if (saveAnswers.empty()) {
            return std::nullopt;
        }
        std::string answer = saveAnswers.front();
        saveAnswers.pop_front();
        return answer;
    }
    std::optional<std::string> AskSaveFileOfType(const std::string& proposal,
                                                 const std::string& filter) override {
        saveFilters.push_back(filter);
        return AskSaveFileName(proposal);
    }
    int SelectComPort(const WkComPortChoice& choice) override {
        ++comPortDialogs;
        return choice.ResultFor(comPortIndex);
    }
    std::optional<WkReaderSelection> SelectReader(const WkReaderChoice& choice) override {
        ++readerDialogs;
        return choice.ResultFor(readerIndex);
    }
    int SelectReaderType() override { return 0; }
};

class FakeFrame : public WkFrameHost {
public:
    std::vector<std::shared_ptr<WkDocument>> frames;
    std::vector<std::string> recentStored;
    std::vector<std::string> recentSaved;
    bool shown = false;
    bool failFrames = false;

    bool CreateFrameFor(const std::shared_ptr<WkDocument>& document) override {
        if (failFrames) {
            return false;
        }
        frames.push_back(document);
        return true;
    }
    void DestroyFrameOf(WkDocument& document) override {
        std::erase_if(frames, [&](const auto& d) { return d.get() == &document; });
    }
    void ActivateFrameOf(WkDocument&) override {}
    void ShowMainWindow() override { shown = true; }
    std::vector<std::string> LoadRecentFiles() override { return recentStored; }
    void SaveRecentFiles(const std::vector<std::string>& entries) override {
        recentSaved = entries;
    }
    void RecentFilesChanged() override {}
};

/// A document whose files are plain text; a file starting with "bad" does not load.
class TextDoc : public WkDocument {
public:
    std::string content;
    bool OnOpenDocument(const std::filesystem::path& path) override;
    bool OnSaveDocument(const std::filesystem::path& path) override;
};
