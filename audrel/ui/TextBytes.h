#pragma once

#include <string>

#include <QByteArray>
#include <QFile>
#include <QString>

#include "CodePage.h"

// The windows' side of the core's byte texts: tag texts are bytes of the ANSI code page, file
// names the bytes the file system holds.

inline QString FromCodePage(const std::string& bytes) {
    return QString::fromStdString(CodePage::System().ToUtf8(bytes));
}

inline std::string ToCodePage(const QString& text) {
    return CodePage::System().FromUtf8(text.toUtf8().toStdString());
}

inline std::string ToFileName(const QString& text) {
    return QFile::encodeName(text).toStdString();
}

inline QString FromFileName(const std::string& bytes) {
    return QFile::decodeName(QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size())));
}
