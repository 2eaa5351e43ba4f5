#pragma once
// The run-time class of an archivable object: the name and schema number written into a file
// and the way to make an empty object of the class when a file is read.

#include <cstdint>
#include <memory>

class WkObject;

/// Identity of an archivable class. One constant instance per class; compared by address.
struct WkRuntimeClass {
    /// Class name as written into document files (8-bit text, no terminator in the file).
    const char* name;
    /// Schema number written with the class name; 1 for every class of this program.
    std::uint16_t schema;
    /// Makes an empty object of the class; null for abstract classes.
    std::unique_ptr<WkObject> (*create)();
};
