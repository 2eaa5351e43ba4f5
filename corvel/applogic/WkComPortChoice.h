#pragma once
// The content and result of the "Select a COM-Port" dialog: every open port in the
// serial-port library's order.

#include <optional>
#include <string>
#include <vector>

class WkLibraries;

class WkComPortChoice {
public:
    /// Walks the open ports and builds one entry per port:
    /// "COM:%s  [Baud:%s; Frame:%s; Timeout:%sms]".
    static WkComPortChoice FromLibraries(WkLibraries& libraries);
    /// For tests and callers that already know the ports.
    WkComPortChoice(std::vector<std::string> texts, std::vector<int> handles);

    const std::vector<std::string>& Texts() const { return texts_; }
    /// The result without asking: 0 with no port, the only port's handle with one; nothing
    /// when the user has to choose (the first entry is then selected).
    std::optional<int> ImmediateResult() const;
    /// The handle of entry `index`; 0 for no selection (-1), an index out of range or an
    /// entry that reads "None".
    int ResultFor(int index) const;

private:
    std::vector<std::string> texts_;
    std::vector<int> handles_;
};
