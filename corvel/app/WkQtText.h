#pragma once
// The workbench's texts are 8-bit (the Windows ANSI code page, taken as Latin-1); Qt's are
// Unicode.

#include <QString>
#include <QStringDecoder>
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

/// The texts of messages and questions: UTF-8 where they are (file names, characters a
/// comment cannot keep), the 8-bit text otherwise. The fixed texts are ASCII either way.
inline QString MessageToQt(const std::string& text) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = utf8(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    return utf8.hasError() ? ToQt(text) : decoded;
}

/// File paths keep the local 8-bit encoding of the file system.
inline QString PathToQt(const std::string& path) {
    return QString::fromLocal8Bit(path.c_str());
}
inline std::string PathFromQt(const QString& path) {
    return path.toLocal8Bit().toStdString();
}
