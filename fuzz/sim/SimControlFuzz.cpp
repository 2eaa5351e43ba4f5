// Control lines, one per input line, against a bus of two readers: every line that is not
// blank or a comment is answered, and the answer ends in "ok" or an "error: " line.
#include "kestra/Bus.h"
#include "kestra/ControlChannel.h"
#include "kestra/Reader.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kestra::Bus bus;
    bus.AddReader(kestra::Reader(kestra::Model::KRA, 0, 9600));
    bus.AddReader(kestra::Reader(kestra::Model::KRD, 3, 9600));
    kestra::ControlChannel control(bus);
    kestra::TimePoint now{};

    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    while (start <= input.size()) {
        std::size_t end = input.find('\n', start);
        if (end == std::string_view::npos)
            end = input.size();
        const std::string answer = control.Execute(input.substr(start, end - start), now);
        if (!answer.empty()) {
            if (answer.back() != '\n')
                std::abort();
            const std::size_t lastStart = answer.rfind('\n', answer.size() - 2);
            const std::string last =
                answer.substr(lastStart == std::string::npos ? 0 : lastStart + 1);
            if (last != "ok\n" && last.rfind("error: ", 0) != 0)
                std::abort();
        }
        // Auto-answer protocols that the lines started fall due as time goes by.
        now += std::chrono::milliseconds(100);
        for (const kestra::Emission& e : bus.TakeDue(now))
            if (e.bytes.empty() || e.bytes[0] != e.bytes.size())
                std::abort();
        start = end + 1;
    }
    return 0;
}
