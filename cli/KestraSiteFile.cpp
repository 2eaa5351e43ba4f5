#include "KestraSiteFile.h"

#include "KestraArguments.h"
#include "KestraError.h"
#include "WkAtomicFile.h"

#include <algorithm>
#include <fstream>
#include <set>

namespace kestra_cli {
namespace {

using Json = nlohmann::json;

constexpr const char* kModels[] = {"KRA", "KRB", "KRC", "KRD"};

// Reads one site file and names the entry of the first fault it finds.
class SiteReaderOfFile {
public:
    explicit SiteReaderOfFile(std::string path) : path_(std::move(path)) {}

    KestraSite Read() {
        if (const std::string kind = NonRegularFileKind(path_); !kind.empty()) {
            throw KestraError(kExitUsage, path_ + " is " + kind + ", not a regular file");
        }
        std::ifstream in(path_, std::ios::binary);
        if (!in) {
            throw KestraError(kExitUsage, path_ + ": cannot be read");
        }
        Json json;
        try {
            json = Json::parse(in);
        } catch (const Json::exception& e) {
            // "[json.exception.parse_error.101] parse error at line 3, column 5: ..."
            const std::string what = e.what();
            const std::size_t text = what.find("] ");
            throw KestraError(kExitUsage,
                              path_ + ": not a site file: " +
                                  (text == std::string::npos ? what : what.substr(text + 2)));
        }
        KestraSite site;
        site.folder = std::filesystem::path(path_).parent_path();
        Keys(json, "", {"buses"});
        const Json& buses = Require(json, "", "buses");
        if (!buses.is_array() || buses.empty()) {
            Fail("buses", "a list of at least one bus");
        }
        for (std::size_t i = 0; i < buses.size(); ++i) {
            site.buses.push_back(Bus(buses[i], "buses[" + std::to_string(i) + "]", i));
        }
        CheckUnique(site);
        return site;
    }

private:
    [[noreturn]] void Fail(const std::string& where, const std::string& what) const {
        throw KestraError(kExitUsage, path_ + ": " + where + ": " + what);
    }

    // An object with no key but `known` and "comment".
    void Keys(const Json& json, const std::string& where, std::vector<std::string> known) const {
        if (!json.is_object()) {
            Fail(where.empty() ? "the file" : where, "not an object {...}");
        }
        known.push_back("comment");
        for (const auto& [key, value] : json.items()) {
            if (std::find(known.begin(), known.end(), key) == known.end()) {
                Fail(Path(where, key), "unknown key");
            }
        }
    }

    static std::string Path(const std::string& where, const std::string& key) {
        return where.empty() ? key : where + "." + key;
    }

    const Json& Require(const Json& json, const std::string& where, const char* key) const {
        if (!json.contains(key)) {
            Fail(Path(where, key), "missing");
        }
        return json.at(key);
    }

    long Integer(const Json& value, const std::string& where, long min, long max) const {
        if (!value.is_number_integer() || value.get<long>() < min || value.get<long>() > max) {
            Fail(where, value.dump() + " is not a whole number within " + std::to_string(min) +
                            ".." + std::to_string(max));
        }
        return value.get<long>();
    }

    std::string Text(const Json& value, const std::string& where) const {
        if (!value.is_string() || value.get<std::string>().empty()) {
            Fail(where, value.dump() + " is not a text");
        }
        return value.get<std::string>();
    }

    SiteBus Bus(const Json& json, const std::string& where, std::size_t index) const {
        Keys(json, where, {"name", "port", "baud", "frame", "readers"});
        SiteBus bus;
        bus.name = json.contains("name") ? Text(json["name"], where + ".name")
                                         : "bus" + std::to_string(index + 1);
        const Json& port = Require(json, where, "port");
        if (port.is_string()) {
            bus.device = Text(port, where + ".port");
            if (bus.device.find_first_not_of("0123456789") == std::string::npos) {
                Fail(where + ".port", "a port number is written without quotes: " + bus.device);
            }
        } else {
            bus.port = static_cast<int>(Integer(port, where + ".port", 1, 256));
        }
        try {
            if (json.contains("baud")) {
                bus.baud =
                    ParseBaud(std::to_string(Integer(json["baud"], where + ".baud", 1, 1000000)),
                              where + ".baud");
            }
            if (json.contains("frame")) {
                bus.frame = ParseFrame(Text(json["frame"], where + ".frame"), where + ".frame");
            }
        } catch (const KestraError& e) {
            throw KestraError(kExitUsage, path_ + ": " + e.what());
        }
        const Json& readers = Require(json, where, "readers");
        if (!readers.is_array()) {
            Fail(where + ".readers", "not a list [...]");
        }
        for (std::size_t i = 0; i < readers.size(); ++i) {
            bus.readers.push_back(
                Reader(readers[i], where + ".readers[" + std::to_string(i) + "]", bus.name));
        }
        return bus;
    }

    SiteReader Reader(const Json& json, const std::string& where, const std::string& bus) const {
        Keys(json, where, {"address", "model", "file", "name"});
        SiteReader reader;
        // 254 and 255 reach every reader of a bus, so they name none of several.
        reader.address =
            static_cast<int>(Integer(Require(json, where, "address"), where + ".address", 0, 253));
        reader.model = Text(Require(json, where, "model"), where + ".model");
        if (std::find(std::begin(kModels), std::end(kModels), reader.model) == std::end(kModels)) {
            Fail(where + ".model", "'" + reader.model + "' is not KRA, KRB, KRC or KRD");
        }
        reader.file = Text(Require(json, where, "file"), where + ".file");
        reader.name = json.contains("name") ? Text(json["name"], where + ".name")
                                            : bus + "-" + std::to_string(reader.address);
        return reader;
    }

    void CheckUnique(const KestraSite& site) const {
        std::set<std::string> ports;
        std::set<std::string> names;
        for (std::size_t i = 0; i < site.buses.size(); ++i) {
            const SiteBus& bus = site.buses[i];
            const std::string where = "buses[" + std::to_string(i) + "]";
            if (!ports.insert(bus.PortText()).second) {
                Fail(where + ".port", bus.PortText() + " is given to two buses");
            }
            if (!names.insert(bus.name).second) {
                Fail(where + ".name", "'" + bus.name + "' is given twice");
            }
            std::set<int> addresses;
            for (std::size_t r = 0; r < bus.readers.size(); ++r) {
                const SiteReader& reader = bus.readers[r];
                const std::string at = where + ".readers[" + std::to_string(r) + "]";
                if (!addresses.insert(reader.address).second) {
                    Fail(at + ".address",
                         std::to_string(reader.address) + " is given to two readers of the bus");
                }
                if (!names.insert(reader.name).second) {
                    Fail(at + ".name", "'" + reader.name + "' is given twice");
                }
            }
        }
    }

    std::string path_;
};

} // namespace

std::string SiteBus::PortText() const {
    return device.empty() ? "port " + std::to_string(port) : device;
}

KestraSite LoadSite(const std::string& path) {
    return SiteReaderOfFile(path).Read();
}

nlohmann::ordered_json SiteJson(const KestraSite& site) {
    nlohmann::ordered_json buses = nlohmann::ordered_json::array();
    for (const SiteBus& bus : site.buses) {
        nlohmann::ordered_json entry = {{"name", bus.name}};
        if (bus.device.empty()) {
            entry["port"] = bus.port;
        } else {
            entry["port"] = bus.device;
        }
        entry["baud"] = bus.baud;
        entry["frame"] = bus.frame;
        nlohmann::ordered_json readers = nlohmann::ordered_json::array();
        for (const SiteReader& reader : bus.readers) {
            readers.push_back({{"address", reader.address},
                               {"model", reader.model},
                               {"file", reader.file},
                               {"name", reader.name}});
        }
        entry["readers"] = readers;
        buses.push_back(entry);
    }
    return {{"buses", buses}};
}

} // namespace kestra_cli
