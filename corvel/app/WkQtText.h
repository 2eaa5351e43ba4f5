#pragma once
// The workbench's texts are 8-bit (the Windows ANSI code page, taken as Latin-1); Qt's are
// Unicode.

#include <QString>
#include <string>

inline QString ToQt(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string FromQt(const QString& text) {
    QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

/// The protocol window's lines are UTF-8.
inline QString Utf8ToQt(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

/// File paths keep the local 8-bit encoding of the file system.
inline QString PathToQt(const std::string& path) {
    return QString::fromLocal8Bit(path.c_str());
}
inline std::string PathFromQt(const QString& path) {
    return path.toLocal8Bit().toStdString();
}
