#include "AppFakes.h"

#include <fstream>
#include <iterator>

bool TextDoc::OnOpenDocument(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return content.rfind("bad", 0) != 0;
}

bool TextDoc::OnSaveDocument(const std::filesystem::path& path) {
    std::ofstream out(path, std::ios::binary);
    out << content;
    return static_cast<bool>(out);
}
