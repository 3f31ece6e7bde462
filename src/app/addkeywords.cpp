// SPDX-License-Identifier: GPL-3.0-or-later
#include "addkeywords.h"

#include "files/safefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace tagmere::app {

namespace {
constexpr const char* kRegAppValues = "Calvex-Values";
constexpr const char* kRegApp = "Calvex-FileSystem";
constexpr const char* kFactoryKeywordFile = "OrbFactoryKeywords.txt";
constexpr const char* kKeywordSubFolder = "Calvex/OrbKeywordFiles";
constexpr const char* kFactoryResource = ":/tagmere/OrbFactoryKeywords.txt";
} // namespace

QString fromBytes(const std::string& bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string toBytes(const QString& text) {
    return text.toLatin1().toStdString();
}

QString toQPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string fromQPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString shownQPath(const std::string& path) {
    return QDir::toNativeSeparators(toQPath(path));
}

std::string shownPath(const QString& path) {
    return fromQPath(QDir::toNativeSeparators(path));
}

QString commonAppDataFolder() {
    QString folder;
#ifdef Q_OS_WIN
    // The all-users folder (ProgramData); the per-user locations come first in the list.
    folder = qEnvironmentVariable("ProgramData");
    if (folder.isEmpty())
        folder = qEnvironmentVariable("ALLUSERSPROFILE");
    folder = QDir::fromNativeSeparators(folder);
#else
    // No user may write an all-users folder here, so the lists live in the user's own data folder.
    folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
#endif
    if (folder.isEmpty())
        return {};
    if (!QDir().mkpath(folder))
        return {};
    return folder;
}

AddKeywords mainGlobals(const QString& dataFolder) {
    AddKeywords g;
    g.gstrRegAppValues = kRegAppValues;
    g.gstrRegApp = kRegApp;
    g.gstrFactoryKeywordFile = kFactoryKeywordFile;
    if (!dataFolder.isEmpty()) {
        QString folder = dataFolder;
        if (!folder.endsWith(QLatin1Char('/')))
            folder += QLatin1Char('/');
        g.gstrKeywordFolder = fromQPath(folder + QLatin1String(kKeywordSubFolder));
    }
    return g;
}

AddKeywords mainGlobals() {
    return mainGlobals(commonAppDataFolder());
}

Result<bool> installFactoryList(const AddKeywords& globals) {
    if (globals.gstrKeywordFolder.empty())
        return Status::failure("no keyword folder");
    const QString folder = toQPath(globals.gstrKeywordFolder);
    if (!QDir().mkpath(folder))
        return Status::failure("cannot create folder " + globals.gstrKeywordFolder);
    const QString target = folder + QLatin1Char('/') + QLatin1String(globals.gstrFactoryKeywordFile.c_str());
    if (QFileInfo::exists(target))
        return false;
    QFile resource{QLatin1String(kFactoryResource)};
    if (!resource.open(QIODevice::ReadOnly))
        return Status::failure(resource.errorString().toStdString());
    const QByteArray bytes = resource.readAll();
    // Written whole through a temporary file, so a crash never leaves half a factory list.
    const Status status =
        replaceFile(fromQPath(target), std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    if (!status.ok)
        return status;
    return true;
}

} // namespace tagmere::app
