#include "WkLibraryServices.h"

#include "CorvelApp.h"
#include "WkComPortChoice.h"
#include "WkLibraries.h"
#include "WkPrompts.h"
#include "WkVersionText.h"

#include <cstdio>

namespace {

std::string VersionReport(const std::string& actual, const char* needed, const char* warning,
                          const char* library) {
    if (IsOlderVersion(actual, needed)) {
        return std::string(warning) + "\n\nThe actual version number is:" + actual;
    }
    return std::string("The actual version number") + "\nof " + library + " is: " + actual;
}

} // namespace

WkLibraryServices::WkLibraryServices(WkLibraries& libraries, WkPrompts& prompts)
    : libraries_(libraries), prompts_(prompts) {}

bool WkLibraryServices::CheckVersions() {
    const std::string sornVersion = libraries_.SornVersion();
    if (MajorVersion(sornVersion) <= 1) {
        prompts_.ShowMessage(CorvelText::kOldSorn);
        return false;
    }
    if (IsOlderVersion(libraries_.VelkVersion(), CorvelText::kNeededVelkVersion)) {
        prompts_.ShowMessage(CorvelText::kVelkWarning);
    }
    if (IsOlderVersion(sornVersion, CorvelText::kNeededSornVersion)) {
        prompts_.ShowMessage(CorvelText::kSornWarning);
    }
    return true;
}

std::string WkLibraryServices::SornVersionReport() {
    return VersionReport(libraries_.SornVersion(), CorvelText::kNeededSornVersion,
                         CorvelText::kSornWarning, "SORN.DLL");
}

std::string WkLibraryServices::VelkVersionReport() {
    return VersionReport(libraries_.VelkVersion(), CorvelText::kNeededVelkVersion,
                         CorvelText::kVelkWarning, "VELK.DLL");
}

int WkLibraryServices::CreateReaderObject(int portHandle) {
    int reader = libraries_.NewReader(0);
    if (reader < 1) {
        char text[96];
        std::snprintf(text, sizeof text, "Error! Could not create Reader-Object!\nErrorCode: %d",
                      reader);
        prompts_.ShowMessage(text);
        return reader;
    }
    libraries_.SetReaderPara(reader, "PortHnd", std::to_string(portHandle));
    libraries_.SetReaderPara(reader, "LogProt", "1");
    libraries_.SetReaderPara(reader, "SendProtToApp", "0");
    return reader;
}

int WkLibraryServices::SelectComPort() {
    WkComPortChoice choice = WkComPortChoice::FromLibraries(libraries_);
    if (std::optional<int> immediate = choice.ImmediateResult()) {
        return *immediate;
    }
    return prompts_.SelectComPort(choice);
}
