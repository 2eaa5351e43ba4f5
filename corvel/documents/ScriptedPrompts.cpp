#include "ScriptedPrompts.h"

std::vector<std::string> ScriptedPrompts::Messages() const {
    std::vector<std::string> texts;
    for (const Record& record : records_) {
        if (record.kind == Record::Kind::Message) {
            texts.push_back(record.text);
        }
    }
    return texts;
}

void ScriptedPrompts::Clear() {
    records_.clear();
    yesNo_.clear();
    yesNoCancel_.clear();
    selections_.clear();
    unscripted_ = 0;
}

void ScriptedPrompts::ShowMessage(const std::string& text, Icon icon) {
    Record record{Record::Kind::Message, text, {}, {}, -1, icon};
    records_.push_back(std::move(record));
}

bool ScriptedPrompts::AskYesNo(const std::string& text) {
    records_.push_back(Record{Record::Kind::YesNo, text, {}, {}, -1, Icon::Question});
    if (yesNo_.empty()) {
        ++unscripted_;
        return false;
    }
    const bool yes = yesNo_.front();
    yesNo_.pop_front();
    return yes;
}

Prompts::Answer ScriptedPrompts::AskYesNoCancel(const std::string& text) {
    records_.push_back(Record{Record::Kind::YesNoCancel, text, {}, {}, -1, Icon::Question});
    if (yesNoCancel_.empty()) {
        ++unscripted_;
        return Answer::Cancel;
    }
    const Answer answer = yesNoCancel_.front();
    yesNoCancel_.pop_front();
    return answer;
}

int ScriptedPrompts::SelectFromList(const std::string& title, const std::string& text,
                                    const std::vector<std::string>& items, int preselected) {
    records_.push_back(
        Record{Record::Kind::Selection, text, title, items, preselected, Icon::None});
    if (selections_.empty()) {
        ++unscripted_;
        return -1;
    }
    const int index = selections_.front();
    selections_.pop_front();
    return index;
}

void ScriptedPrompts::BeginWaitCursor() {
    ++waitDepth_;
    if (waitDepth_ > maxWaitDepth_) {
        maxWaitDepth_ = waitDepth_;
    }
}

void ScriptedPrompts::EndWaitCursor() {
    if (waitDepth_ > 0) {
        --waitDepth_;
    }
}
