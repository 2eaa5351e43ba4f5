#include "kestra/Bus.h"

namespace kestra {

bool Bus::AddReader(Reader reader) {
    if (Find(reader.Address()) != nullptr) {
        return false;
    }
    readers_.push_back(std::move(reader));
    return true;
}

Reader* Bus::Find(std::uint8_t address) {
    for (Reader& reader : readers_) {
        if (reader.Address() == address) {
            return &reader;
        }
    }
    return nullptr;
}

std::optional<Emission> Bus::OnFrame(const Bytes& frame, TimePoint now, unsigned lineBaud) {
    std::optional<Request> request = ParseRequest(frame);
    if (!request) {
        return std::nullopt;
    }
    for (Reader& reader : readers_) {
        if (!reader.Accepts(request->address) || (lineBaud != 0 && lineBaud != reader.Baud())) {
            continue;
        }
        // The answer leaves with the address and line settings the reader had when the
        // request came; a CPU reset takes effect after it.
        Emission emission{now, {}, reader.Baud(), reader.Parity()};
        std::uint8_t address = reader.Address();
        Answer answer = reader.Handle(*request, now);
        emission.bytes = BuildAnswer(address, request->command, answer);
        if (faultCount_ > 0) {
            --faultCount_;
            emission.bytes = ApplyFault(fault_, emission.bytes);
            if (fault_.kind == FaultKind::Late) {
                emission.at += fault_.delay;
            }
            if (emission.bytes.empty()) {
                return std::nullopt;
            }
        }
        return emission;
    }
    return std::nullopt;
}

void Bus::SetFault(const Fault& fault, unsigned count) {
    fault_ = fault;
    faultCount_ = count;
}

void Bus::PutTransponder(const std::optional<Transponder>& tag, std::optional<std::uint8_t> address,
                         TimePoint now) {
    for (Reader& reader : readers_) {
        if (!address || reader.Address() == *address) {
            reader.PutTransponder(tag, now);
        }
    }
}

std::optional<TimePoint> Bus::NextDue() const {
    std::optional<TimePoint> next;
    for (const Reader& reader : readers_) {
        auto due = reader.AutoAnswerDue();
        if (due && (!next || *due < *next)) {
            next = due;
        }
    }
    return next;
}

std::vector<Emission> Bus::TakeDue(TimePoint now) {
    std::vector<Emission> due;
    for (Reader& reader : readers_) {
        while (auto protocol = reader.TakeAutoAnswer(now)) {
            due.push_back(
                Emission{now, std::move(*protocol), reader.Baud(), reader.Parity(), true});
        }
    }
    return due;
}

} // namespace kestra
