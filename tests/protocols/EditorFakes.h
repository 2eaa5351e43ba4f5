#pragma once
// Scripted libraries and edit dialog for the protocol and macro editors.

#include "AppFakes.h"
#include "WkProtocolEditPrompt.h"
#include "WkProtocolItem.h"
#include "WkProtocolServices.h"

#include <algorithm>
#include <deque>
#include <map>
#include <optional>

class EditorLibraries : public FakeLibraries {
public:
    struct Sent {
        int reader;
        std::vector<unsigned char> bytes;
        int addChecksum;
    };
    std::map<int, std::map<std::string, std::string>> params; // keys in lower case
    std::map<std::string, int> portHandles;                   // port number -> handle
    std::vector<Sent> sent;
    std::deque<int> sendResults; // 0 once the script is used up

    static std::string Lower(std::string key) {
        std::transform(key.begin(), key.end(), key.begin(), ::tolower);
        return key;
    }
    int SetReaderPara(int reader, const std::string& key, const std::string& value) override {
        params[reader][Lower(key)] = value;
        return FakeLibraries::SetReaderPara(reader, key, value);
    }
    int GetReaderPara(int reader, const std::string& key, std::string& value) override {
        auto& table = params[reader];
        auto it = table.find(Lower(key));
        value = it == table.end() ? "0" : it->second;
        return 0;
    }
    int GetPortHandle(const std::string& number) override {
        auto it = portHandles.find(number);
        return it == portHandles.end() ? -1011 : it->second;
    }
    int SendTransparent(int reader, unsigned char* request, int length, unsigned char*, int,
                        int addChecksum) override {
        sent.push_back(
            {reader, std::vector<unsigned char>(request, request + length), addChecksum});
        if (sendResults.empty()) {
            return 0;
        }
        const int result = sendResults.front();
        sendResults.pop_front();
        return result;
    }
    std::string ErrorText(int code) override { return "text of " + std::to_string(code); }
};

/// The "Edit Protocol" dialog: each call takes the next scripted answer (none: Cancel).
class ScriptedEditor : public WkProtocolEditPrompt {
public:
    struct Fields {
        std::string protocol;
        std::string comment;
        bool flag;
    };
    std::deque<std::optional<Fields>> answers;
    int shown = 0;

    bool EditItem(WkProtocolItem& item) override {
        ++shown;
        if (answers.empty() || !answers.front()) {
            if (!answers.empty()) {
                answers.pop_front();
            }
            return false;
        }
        const Fields fields = *answers.front();
        answers.pop_front();
        item.protocol = fields.protocol;
        item.comment = fields.comment;
        item.flag = fields.flag;
        return true;
    }
};
